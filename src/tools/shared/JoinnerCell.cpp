#include "tools/shared/JoinnerCell.h"

#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "platform/Dispatch.h"
#include "tools/shared/Loc.h"
#include "tools/shared/RowProgress.h"
#include "tools/shared/ToolLayout.h"

#include <QComboBox>
#include <QFileInfo>
#include <QFontMetrics>
#include <QPainter>
#include <QPixmap>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace {
// A line of small text, as high as its glyphs reach (underscores and marks above capitals
// included), centred on the line it is placed on.
QLabel* smallLabel(QWidget* parent, double x, double y, double w, const QString& text) {
    QLabel* l = toollayout::label(parent, x, y - 2, w, 16);
    QFont f = l->font();
    f.setPointSize(9);
    l->setFont(f);
    l->setText(text);
    return l;
}
constexpr int kWidth = 600;
} // namespace

JoinnerCell::JoinnerCell(QWidget* parent) : QWidget(parent) {
    resize(kWidth, kHeight);
    setMinimumHeight(kHeight);
    setMaximumHeight(kHeight);
    const double W = kWidth, H = kHeight;
    thumbImageView = toollayout::make<QLabel>(this, 5, H - 53, 76, 48);
    thumbImageView->setScaledContents(true);
    scrLabel = smallLabel(this, 86, H - 17, W / 2 - 85, QString());
    // Captions take the room the longest translation needs; the values follow them.
    smallLabel(this, 86, H - 34, 75, loc("SourceLabelTitle"));
    sourceDurationLabel = smallLabel(this, 165, H - 34, 85, "00:00:00");
    sourceFrameLabel = smallLabel(this, 255, H - 34, 75, "0000x0000");
    sourceSizeLabel = smallLabel(this, 335, H - 34, 85, "0.00MB");
    smallLabel(this, 86, H - 51, 75, loc("CuttedLabelTitle"));
    cuttedTimeLabel = smallLabel(this, 165, H - 51, 85, QString());
    defaultoutputformat = toollayout::make<ZylButton>(this, W - 240, H - 21, 235, 20);
    defaultoutputformat->setNormalImage(NamedImage("Join/CheckBox_NoCheck.bmp"));
    defaultoutputformat->setSelectedImage(NamedImage("Join/CheckBox_Checked.bmp"));
    defaultoutputformat->setContentImagePosition(1);
    defaultoutputformat->setContentTitle("  " + loc("default_formatBtnTitle"));
    defaultoutputformat->setContentColor(Qt::black);
    {
        QFont f = defaultoutputformat->font();
        f.setPointSize(9);
        defaultoutputformat->setFont(f);
    }
    QPointer<JoinnerCell> self(this);
    // Like the other picture buttons, the toggle runs after the click.
    defaultoutputformat->mouseDownAction = [self](ZylButton*) {
        dispatchMain([self] {
            if (self)
                self->toggleDefaultFormat();
        });
    };
    // The caption takes what its text needs; the pop-up, in the row's small type, the rest.
    const QString effect = loc("Transition_EffectLabelTitle");
    effectLabel = smallLabel(this, W - 270, H - 52, 100, effect);
    const double captionWidth = QFontMetrics(effectLabel->font()).horizontalAdvance(effect) + 6;
    // Placed again rather than resized, so that it keeps its leading edge when mirrored.
    geometry::setFrame(effectLabel, NSMakeRect(W - 270, H - 54, captionWidth, 16));
    effectBtn = toollayout::make<QComboBox>(this, W - 270 + captionWidth, H - 58, 270 - 8 - captionWidth, 22);
    effectBtn->setFont(effectLabel->font());
    for (const char* key : {"NORMALItemTitle", "LEFTItemTitle", "TOPItemTitle", "FADEOUTItemTitle"})
        effectBtn->addItem(loc(key));
    connect(effectBtn, &QComboBox::activated, this, [this](int index) {
        if (fileData_)
            fileData_->transitionEffect = index;
        if (SelectedTransitionEffectBlock)
            SelectedTransitionEffectBlock(this);
    });
    progress = new RowProgress(this);
}

JoinnerCell::~JoinnerCell() {
    delete progress;
}

void JoinnerCell::setFileData(std::shared_ptr<SimpleData> data) {
    fileData_ = std::move(data);
    if (!fileData_)
        return;
    const FileData& src = *fileData_->sourceData;
    scrLabel->setText(QFileInfo(fileData_->path).fileName());
    thumbImageView->setPixmap(QPixmap::fromImage(fileData_->thumbImage));
    sourceDurationLabel->setText(HelpClass::returnTimeToStr(src.duration));
    sourceFrameLabel->setText(QString::asprintf("%dx%d", src.width, src.height));
    sourceSizeLabel->setText(QString::asprintf("%.1lfMB", src.fileSize));
    refreshCutLength();
    defaultoutputformat->setSelected(fileData_->defaultFormat);
    selected_ = fileData_->selected;
    effectBtn->setCurrentIndex(std::clamp(fileData_->transitionEffect, 0, 3));
    // A file without a picture gives no output format and no transition.
    if (src.width == 0 || src.height == 0) {
        defaultoutputformat->hide();
        effectLabel->hide();
        effectBtn->hide();
    }
    update();
}

void JoinnerCell::toggleDefaultFormat() {
    const bool on = !defaultoutputformat->selected();
    defaultoutputformat->setSelected(on);
    if (fileData_)
        fileData_->defaultFormat = on;
    if (SelecteddefaultFormatoutputBlock)
        SelecteddefaultFormatoutputBlock(this);
}

void JoinnerCell::refreshCutLength() {
    if (!fileData_)
        return;
    // The length of the range, kept or removed alike: the whole file while none is set, and
    // a stored range read inside the file.
    const int64_t d = std::llround(fileData_->sourceDuration() * 1e6);
    int64_t start = 0, stop = d;
    if (fileData_->hasCutRange()) {
        stop = std::clamp<int64_t>(fileData_->cutTimeRange_stop, 0, d);
        start = std::clamp<int64_t>(fileData_->cutTimeRange_start, 0, stop);
    }
    cuttedTimeLabel->setText(HelpClass::returnTimeToStr(double(stop - start) / 1e6));
}

void JoinnerCell::setSelected(bool selected) {
    selected_ = selected;
    if (fileData_)
        fileData_->selected = selected;
    update();
}

void JoinnerCell::setEnabele(bool enabled) {
    enabele_ = enabled;
}

void JoinnerCell::mousePressEvent(QMouseEvent*) {
    if (enabele_ && !selected_ && MouseDownBlock)
        MouseDownBlock(this);
}

void JoinnerCell::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), selected_ ? kSelectedColor : kNormalColor);
}
