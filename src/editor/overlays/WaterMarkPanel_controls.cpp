// The watermark panel's controls: time groups, transparency, size and keep-aspect, font and
// colour, and what they show for the selected mark.
#include "editor/overlays/WaterMarkPanel.h"

#include "editor/core/EditAspect.h"
#include "editor/core/EditRecipe.h"
#include "editor/core/EditorHost.h"

#include "editor/overlays/LxWaterView.h"
#include "editor/overlays/PanelCaption.h"
#include "editor/overlays/WaterMarkCellItemView.h"
#include "foundation/controls/LabelFit.h"
#include "foundation/controls/NamedImage.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/WaterParam.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/ToolWindow.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontDialog>
#include <QLabel>
#include <QPointer>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <algorithm>
#include <cmath>

using geometry::setFrame;

namespace {

ZylButton* iconButton(QWidget* parent, const QString& stem, const NSRect& frame) {
    auto* b = new ZylButton(frame, parent);
    b->setNormalImage(NamedImage(stem + "_Normal.png"));
    b->setOnImage(NamedImage(stem + "_On.png"));
    b->setDisAbleImage(NamedImage(stem + "_On.png"));
    b->setDownImage(NamedImage(stem + "_Down.png"));
    b->setBorderWidth(0);
    return b;
}

// Each button only queues its work, like every button of the window, and the work does
// nothing once the window is closing.
void onClick(ZylButton* b, QWidget* owner, const std::function<void()>& work) {
    b->mouseDownAction = [owner, work](ZylButton*) {
        QPointer<QWidget> guard(owner);
        QMetaObject::invokeMethod(
            owner,
            [guard, work] {
                const auto* tool = guard ? qobject_cast<const ToolWindow*>(guard->window()) : nullptr;
                if (guard && !(tool && tool->isClosing()))
                    work();
            },
            Qt::QueuedConnection);
    };
}

} // namespace

void WaterMarkPanel::buildControls() {
    o_.imagemarkBtn = iconButton(this, "SubFun/btnAddPicWaterMark", NSMakeRect(10, 316, 32, 32));
    o_.textmarkBtn = iconButton(this, "SubFun/btnAddTextWaterMark", NSMakeRect(48, 316, 32, 32));
    o_.deletedmarkBtn = iconButton(this, "SubFun/btnDeleteWaterMark", NSMakeRect(196, 320, 24, 24));
    onClick(o_.imagemarkBtn, this, [this] { openAddPicturePanel(); });
    onClick(o_.textmarkBtn, this, [this] { addText(); });
    onClick(o_.deletedmarkBtn, this, [this] { deleteSelected(); });

    listScroll_ = new QScrollArea(this);
    setFrame(listScroll_, NSMakeRect(10, 244, 210, 70));
    listScroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    listScroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    listScroll_->setStyleSheet("QScrollArea { border: 1px solid rgb(214,212,212); background: white; }");
    listDocument_ = new QWidget;
    listScroll_->setWidget(listDocument_);
    listScroll_->setWidgetResizable(false);

    o_.keepAspectBox = new QCheckBox(loc("wmkeepaspectRatioBtnTitle"), this);
    o_.keepAspectBox->setObjectName("wmkeepaspectRatioBtnTitle");
    setFrame(o_.keepAspectBox, NSMakeRect(10, 220, 210, 22));
    QFont f = o_.keepAspectBox->font();
    f.setPixelSize(12);
    o_.keepAspectBox->setFont(f);
    connect(o_.keepAspectBox, &QCheckBox::clicked, this, [this](bool on) { setKeepAspect(on); });
    buildTimeGroups();
    buildStyleGroup();
    layoutGroups();
}

void WaterMarkPanel::buildTimeGroups() {
    panelCaption(this, "timeRangeofDisplayLabelstringValue", NSMakeRect(10, 198, 210, 20));
    panelCaption(this, "watermarkStartTimeLabelstringValue", NSMakeRect(10, 174, 78, 22));
    o_.startRow = new TimeCodeRow(this, NSMakeRect(88, 174, 135, 22), TimeCodeRow::Style::Compact);
    panelCaption(this, "watermarkDurationLabelstringValue", NSMakeRect(10, 150, 78, 22));
    o_.durationRow = new TimeCodeRow(this, NSMakeRect(88, 150, 135, 22), TimeCodeRow::Style::Compact);
    fileGroup_ = new QWidget(this);
    setFrame(fileGroup_, NSMakeRect(0, 76, 230, 72));
    panelCaption(fileGroup_, "selectaportionofClipLabelstringValue", NSMakeRect(10, 50, 210, 20));
    panelCaption(fileGroup_, "wmFileStartTimeLabelstringValue", NSMakeRect(10, 26, 78, 22));
    o_.fileStartRow = new TimeCodeRow(fileGroup_, NSMakeRect(88, 26, 135, 22), TimeCodeRow::Style::Compact);
    panelCaption(fileGroup_, "wmFileEndTimeLabelstringValue", NSMakeRect(10, 2, 78, 22));
    o_.fileEndRow = new TimeCodeRow(fileGroup_, NSMakeRect(88, 2, 135, 22), TimeCodeRow::Style::Compact);
    bindTimeRow(o_.startRow, false);
    bindTimeRow(o_.durationRow, false);
    bindTimeRow(o_.fileStartRow, true);
    bindTimeRow(o_.fileEndRow, true);
}

// A typed or stepped time is checked with its partner; a refused one is put back as stored.
void WaterMarkPanel::bindTimeRow(TimeCodeRow* row, bool fileRange) {
    const auto apply = [this, row, fileRange] {
        bool ok = false;
        if (fileRange) {
            ok = setFileRange(o_.fileStartRow->time(), o_.fileEndRow->time());
        } else {
            double duration = o_.durationRow->time();
            // A new start inside the video keeps the mark on it: the time left after the
            // start bounds the duration.
            const double D = host().duration();
            const double start = o_.startRow->time();
            if (row == o_.startRow && start >= 0 && start < D)
                duration = std::min(duration, D - start);
            ok = setDisplayTime(start, duration);
        }
        refreshWaterTime();
        return ok;
    };
    row->shouldEndEditing = [apply](LxTextField*) { return apply(); };
    row->stepped = [apply](LxTextField*) { apply(); };
}

void WaterMarkPanel::buildStyleGroup() {
    styleGroup_ = new QWidget(this);
    setFrame(styleGroup_, NSMakeRect(0, 76, 230, 72)); // sized first: its children count from its bottom
    panelCaption(styleGroup_, "wmTransparenceLabelstringValue", NSMakeRect(10, 48, 130, 22));
    o_.alphaField = new QSpinBox(styleGroup_);
    o_.alphaField->setRange(0, 100);
    o_.alphaField->setSuffix(" %");
    setFrame(o_.alphaField, NSMakeRect(145, 48, 75, 22));
    o_.alphaSlider = new QSlider(Qt::Horizontal, styleGroup_);
    o_.alphaSlider->setRange(0, 100);
    setFrame(o_.alphaSlider, NSMakeRect(10, 26, 210, 20));
    connect(o_.alphaField, &QSpinBox::valueChanged, this, [this](int v) { setTransparency(v); });
    connect(o_.alphaSlider, &QSlider::valueChanged, this, [this](int v) { setTransparency(v); });

    sizeGroup_ = new QWidget(styleGroup_);
    setFrame(sizeGroup_, NSMakeRect(0, 0, 230, 24));
    o_.widthField = new QSpinBox(sizeGroup_);
    o_.widthField->setPrefix(QStringLiteral("\u2194 "));
    setFrame(o_.widthField, NSMakeRect(10, 0, 100, 24));
    o_.heightField = new QSpinBox(sizeGroup_);
    o_.heightField->setPrefix(QStringLiteral("\u2195 "));
    setFrame(o_.heightField, NSMakeRect(120, 0, 100, 24));
    for (QSpinBox* s : {o_.widthField, o_.heightField}) {
        s->setRange(10, 16384);
        s->setKeyboardTracking(false);
        connect(s, &QSpinBox::valueChanged, this,
                [this] { setMarkSize(o_.widthField->value(), o_.heightField->value()); });
    }

    fontGroup_ = new QWidget(styleGroup_);
    setFrame(fontGroup_, NSMakeRect(0, 0, 230, 24));
    panelCaption(fontGroup_, "wmFontStyleLabelstringValue", NSMakeRect(10, 1, 72, 22));
    o_.fontBtn = new ZylButton(NSMakeRect(84, 0, 102, 24), fontGroup_);
    o_.fontBtn->setObjectName("waterFontBtntitle");
    o_.fontBtn->setNormalBackgroundImage(NamedImage("About/btnOK_Normal.bmp"));
    o_.fontBtn->setOnBackgroundImage(NamedImage("About/btnOK_On.bmp"));
    o_.fontBtn->setDownBackgroundImage(NamedImage("About/btnOK_Down.bmp"));
    o_.fontBtn->setDisAbleBackgroundImage(NamedImage("About/btnOK_Disable.bmp"));
    o_.fontBtn->setContentTitle(loc("waterFontBtntitle"));
    o_.fontBtn->setContentColor(Qt::black);
    o_.fontBtn->setCornerRadius(5);
    o_.fontBtn->setBorderWidth(0);
    o_.colourBtn = new ZylButton(NSMakeRect(192, 0, 28, 24), fontGroup_);
    o_.colourBtn->setCornerRadius(5);
    o_.colourBtn->setBorderWidth(1);
    o_.colourBtn->setBordColor(QColor(214, 212, 212));
    onClick(o_.fontBtn, this, [this] {
        WaterParam* m = selectedMark();
        if (!m)
            return;
        auto* dialog = new QFontDialog(HelpClass::fontWithName(m->waterFontName, m->waterFontSize), window());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        connect(dialog, &QFontDialog::fontSelected, this, [this](const QFont& font) {
            setFont(font.family(), font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF());
        });
        dialog->open();
    });
    onClick(o_.colourBtn, this, [this] {
        WaterParam* m = selectedMark();
        if (!m)
            return;
        auto* dialog = new QColorDialog(m->waterFontColor, window());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowModality(Qt::WindowModal);
        connect(dialog, &QColorDialog::colorSelected, this, [this](const QColor& c) { setColour(c); });
        dialog->open();
    });
}

// The file-range group shows only for a video mark; the style group moves up under the
// display time when it is hidden.
void WaterMarkPanel::layoutGroups() {
    const WaterParam* m = selectedMark();
    const bool video = m && m->isVideo && !m->waterImagePath.isEmpty();
    fileGroup_->setVisible(video);
    setFrame(styleGroup_, NSMakeRect(0, video ? 2 : 76, 230, 72));
    const bool text = m && m->waterType == WaterParam::kTypeText;
    fontGroup_->setVisible(!m || text);
    sizeGroup_->setVisible(m && !text);
}

void WaterMarkPanel::refreshWaterTime() {
    const WaterParam* m = selectedMark();
    const QSignalBlocker b1(o_.alphaField), b2(o_.alphaSlider), b3(o_.widthField), b4(o_.heightField),
        b5(o_.keepAspectBox);
    o_.startRow->setTime(m ? m->startTime : 0);
    o_.durationRow->setTime(m ? m->duration : 0);
    o_.fileStartRow->setTime(m ? m->fileStartTime : 0);
    o_.fileEndRow->setTime(m ? m->fileEndTime : 0);
    o_.alphaField->setValue(m ? int(m->waterAlph) : 0);
    o_.alphaSlider->setValue(m ? int(m->waterAlph) : 0);
    o_.widthField->setValue(m ? int(std::lround(m->waterRect.width)) : 0);
    o_.heightField->setValue(m ? int(std::lround(m->waterRect.height)) : 0);
    o_.keepAspectBox->setChecked(m && m->keepaspectRatio);
    if (m && m->waterType == WaterParam::kTypeText)
        o_.colourBtn->setBackGroundColor(m->waterFontColor);
    layoutGroups();
    showSelectionOnOverlay();
}

// Shows the selected mark on the overlay at its place on the picture.
void WaterMarkPanel::showSelectionOnOverlay() {
    if (!overlay_)
        return;
    WaterParam* m = selectedMark();
    if (!m) {
        overlay_->setWaterMark({});
        overlay_->setWaterMarkString({});
        overlay_->setMarkWaterType(0);
        overlay_->hide();
        return;
    }
    overlay_->setWaterMarkAlph(int(m->waterAlph));
    const double W = overlay_->width(), H = overlay_->height();
    if (W <= 0 || H <= 0)
        return; // no picture area: the mark keeps its place until there is one
    const NSRect& f = m->waterPercentClipRect;
    if (m->waterType == WaterParam::kTypeText) {
        overlay_->setWaterMark({});
        overlay_->setWaterMarkColor(m->waterFontColor);
        overlay_->setScale_Type(LxWaterView::kScaleFree);
        m->waterRect = NSMakeRect(f.x * W, f.y * H, f.width * W, f.height * H);
        refitText(*m);
    } else {
        overlay_->setWaterMarkString({});
        overlay_->setWaterMark(pictureOf(*m));
        overlay_->setMarkWaterType(LxWaterView::kMarkPicture);
        overlay_->setClipRect(NSMakeRect(f.x * W, f.y * H, f.width * W, f.height * H));
        overlay_->setScale_Type(m->keepaspectRatio ? LxWaterView::kScaleKeepAspect : LxWaterView::kScaleFree);
        overlay_->setClipRect(NSMakeRect(f.x * W, f.y * H, f.width * W, f.height * H));
        m->waterRect = overlay_->getclipRectFrame();
    }
    overlay_->setVisible(toolShown_ && !playing_ && m->selected);
    overlay_->raise();
}

void WaterMarkPanel::storeOverlayRect() {
    WaterParam* m = selectedMark();
    if (!m || !overlay_)
        return;
    m->waterRect = overlay_->getclipRectFrame();
    m->waterPercentClipRect = overlay_->getPercentImageClipRect();
    const QSignalBlocker b3(o_.widthField), b4(o_.heightField);
    o_.widthField->setValue(int(std::lround(m->waterRect.width)));
    o_.heightField->setValue(int(std::lround(m->waterRect.height)));
}

void WaterMarkPanel::setTransparency(int percent) {
    WaterParam* m = selectedMark();
    if (!m)
        return;
    m->waterAlph = std::clamp(percent, 0, 100);
    refreshWaterTime();
    refreshPlayerWaterMark(true);
}

// A typed size reaches the preview and the export at once; x and y are pulled in so that the
// mark stays on the picture. With the aspect kept, the side not typed follows the one typed.
void WaterMarkPanel::setMarkSize(double width, double height) {
    WaterParam* m = selectedMark();
    if (!m || !overlay_ || m->waterType == WaterParam::kTypeText)
        return;
    const double W = overlay_->width(), H = overlay_->height();
    NSRect r = m->waterRect;
    const QImage& picture = overlay_->waterMark();
    if (m->keepaspectRatio && !picture.isNull()) {
        const double aspect = double(picture.height()) / picture.width();
        if (std::abs(width - r.width) >= 0.5)
            height = width * aspect;
        else
            width = height / aspect;
        const double fit = std::min({1.0, W / width, H / height});
        width *= fit;
        height *= fit;
    }
    r.width = std::clamp(width, LxWaterView::kMinSide, std::max(LxWaterView::kMinSide, W));
    r.height = std::clamp(height, LxWaterView::kMinSide, std::max(LxWaterView::kMinSide, H));
    r.x = std::clamp(r.x, 0.0, std::max(0.0, W - r.width));
    r.y = std::clamp(r.y, 0.0, std::max(0.0, H - r.height));
    overlay_->setClipRect(r);
    storeOverlayRect();
    refreshWaterTime();
    refreshPlayerWaterMark(true);
}

void WaterMarkPanel::setKeepAspect(bool keep) {
    WaterParam* m = selectedMark();
    if (!m)
        return;
    m->keepaspectRatio = keep;
    if (overlay_) {
        overlay_->setScale_Type(keep ? LxWaterView::kScaleKeepAspect : LxWaterView::kScaleFree);
        storeOverlayRect();
    }
    refreshPlayerWaterMark(true);
}

void WaterMarkPanel::setFont(const QString& family, double size) {
    WaterParam* m = selectedMark();
    if (!m || m->waterType != WaterParam::kTypeText || !(size > 0))
        return;
    m->waterFontName = family;
    m->waterFontSize = float(size);
    refitText(*m);
    refreshWaterTime();
    refreshPlayerWaterMark(true);
}

void WaterMarkPanel::setColour(const QColor& colour) {
    WaterParam* m = selectedMark();
    if (!m || !colour.isValid() || m->waterType != WaterParam::kTypeText)
        return;
    m->waterFontColor = colour;
    if (overlay_)
        overlay_->setWaterMarkColor(colour);
    o_.colourBtn->setBackGroundColor(colour);
    refreshPlayerWaterMark(true);
}

// Each mark keeps its display on the pictures it was set against.
void WaterMarkPanel::movedOntoIndexLine(IndexLineMove& move) {
    for (const auto& m : list_) {
        // A float within a millisecond of the file's end is its end.
        const double start = move.userTime(m->startTime), was = double(m->startTime) + double(m->duration);
        const double end = was >= move.before() - 1e-3 ? move.now() : move.userTime(was);
        m->startTime = float(start);
        m->duration = float(std::max(end - start, 0.001));
    }
    refreshWaterTime();
    refreshPlayerWaterMark(false);
}

bool WaterMarkPanel::setDisplayTime(double start, double duration) {
    WaterParam* m = selectedMark();
    if (!m)
        return false;
    const double D = host().duration();
    if (!std::isfinite(start) || !std::isfinite(duration) || start < 0 || duration <= 0 ||
        start + duration > D + 0.005) {
        host().alert(loc("showmessageTime4"));
        return false;
    }
    m->startTime = float(start);
    m->duration = float(duration);
    refreshPlayerWaterMark(true);
    return true;
}

bool WaterMarkPanel::setFileRange(double start, double end) {
    WaterParam* m = selectedMark();
    if (!m || !m->isVideo)
        return false;
    if (!std::isfinite(start) || !std::isfinite(end) || start < 0 || end <= start ||
        end > m->fileDuration + 0.005) {
        host().alert(loc(end <= start ? "showmessageTime3" : "showmessageTime4"));
        return false;
    }
    m->fileStartTime = float(start);
    m->fileEndTime = float(end);
    refreshPlayerWaterMark(true);
    return true;
}

void WaterMarkPanel::enableWaterChildView(bool e) {
    childViewsEnabled_ = e;
    const bool player = editable();
    o_.imagemarkBtn->setEnabled(player && !playing_);
    o_.textmarkBtn->setEnabled(player && !playing_);
    o_.deletedmarkBtn->setEnabled(player && e);
    const WaterParam* m = selectedMark();
    const bool text = m && m->waterType == WaterParam::kTypeText;
    o_.keepAspectBox->setEnabled(e && m && !text);
    for (TimeCodeRow* r : {o_.startRow, o_.durationRow, o_.fileStartRow, o_.fileEndRow})
        r->setEditable(e && m);
    o_.alphaField->setEnabled(e && m);
    o_.alphaSlider->setEnabled(e && m);
    o_.widthField->setEnabled(e && m && !text);
    o_.heightField->setEnabled(e && m && !text);
    o_.fontBtn->setEnabled(e && text);
    o_.colourBtn->setEnabled(e && text);
    for (WaterMarkCellItemView* r : rows_)
        r->setEnabled(e);
    if (overlay_)
        overlay_->setEnabledForEdit(e);
}
