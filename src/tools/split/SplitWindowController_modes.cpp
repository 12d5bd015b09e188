// The four split modes, the time and size presets with their custom-value prompt, the
// part count, the Split button and the manual point buttons.
#include "tools/split/SplitWindowController.h"

#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Alerts.h"
#include "platform/Log.h"
#include "tools/shared/Loc.h"
#include "tools/split/SplitPoints.h"
#include "tools/split/SplitProgressView.h"

#include <QComboBox>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStandardItemModel>

namespace {
QString unitOf(bool time) {
    return loc(time ? "SecsValue" : "MBValue");
}
constexpr int kDefaultParts = 2;
constexpr int kMaxParts = 999;
} // namespace

void SplitWindowController::initPresetPopUps() {
    auto fill = [](QComboBox* popUp, const QStringList& values, const QString& unit) {
        for (const QString& v : values)
            popUp->addItem(v + unit);
        popUp->addItem(loc("CustomStringValue"));
        popUp->setCurrentIndex(0);
        QFont f = popUp->font();
        f.setPointSize(13);
        popUp->setFont(f);
    };
    fill(split_timepopBtn, {"5", "10", "20", "30", "60"}, unitOf(true));
    fill(split_sizepopBtn, {"1", "2", "3", "5", "8", "10", "20"}, unitOf(false));
    // activated also fires when the custom item is picked again.
    connect(split_timepopBtn, &QComboBox::activated, this, [this](int i) { split_timepopAction(i); });
    connect(split_sizepopBtn, &QComboBox::activated, this, [this](int i) { split_sizepopAction(i); });
}

void SplitWindowController::initModeControls() {
    const std::array<std::pair<QRadioButton*, const char*>, 4> buttons{
        std::pair{split_timeBtn, "LimiteachSegmentToBtnTitle"},
        std::pair{split_sizeBtn, "LimiteachSegmentToBtnTitle"},
        std::pair{split_averageBtn, "AverageSplitBtnTitle"},
        std::pair{split_manuallyBtn, "ManuallySplitBtnTitle"}};
    // The mode panel is narrow and translations run long: one size for the four titles, the
    // largest from 12 pt down to 8 pt at which every title fits beside its indicator.
    int points = 12;
    for (const auto& [button, key] : buttons) {
        QFont font = button->font();
        for (; points > 8; --points) {
            font.setPointSize(points);
            if (QFontMetrics(font).horizontalAdvance(loc(key)) + 24 <= button->width())
                break;
        }
    }
    for (const auto& [button, key] : buttons) {
        // The window decides which mode is on; a click never turns a mode off.
        button->setAutoExclusive(false);
        button->setText(loc(key));
        button->setStyleSheet(QString("QRadioButton { color: black; font-size: %1pt; }").arg(points));
        button->setToolTip(button->text());
        button->setChecked(false);
    }
    connect(split_timeBtn, &QRadioButton::clicked, this, [this] { limiteachTimeSegmentAction(); });
    connect(split_sizeBtn, &QRadioButton::clicked, this, [this] { limiteachFilesizeSegmentAction(); });
    connect(split_averageBtn, &QRadioButton::clicked, this, [this] { limiteachAverageSegmentAction(); });
    connect(split_manuallyBtn, &QRadioButton::clicked, this, [this] { limiteachManuallySegmentAction(); });

    averagestepper->setRange(1, kMaxParts);
    averagestepper->setValue(kDefaultParts);
    averageTextField->setText(QString::number(averagestepper->value()));
    connect(averageTextField, &QLineEdit::textEdited, this, [this] { averageTextChanged(); });
    connect(averagestepper, &QSpinBox::valueChanged, this, [this] { averagesplitStepperAction(); });

    splitTimeLabel->hide();
    for (QWidget* w : std::initializer_list<QWidget*>{split_timepopBtn, split_sizepopBtn, averageTextField,
                                                      averagestepper})
        w->setEnabled(false);
}

SplitWindowController::Mode SplitWindowController::mode() const {
    if (split_timeBtn->isChecked())
        return Mode::Time;
    if (split_sizeBtn->isChecked())
        return Mode::Size;
    if (split_averageBtn->isChecked())
        return Mode::Average;
    if (split_manuallyBtn->isChecked())
        return Mode::Manual;
    return Mode::None;
}

void SplitWindowController::showTotalTime() {
    const QString total = HelpClass::returnTimeToStr(playerDuration());
    totalTimeLabel->setText(splitTimeLabel->isVisible() ? "/ " + total : total);
}

void SplitWindowController::switchToMode(Mode m) {
    splitTimeLabel->hide();
    split_timeBtn->setChecked(m == Mode::Time);
    split_sizeBtn->setChecked(m == Mode::Size);
    split_averageBtn->setChecked(m == Mode::Average);
    split_manuallyBtn->setChecked(false);
    const bool editable = !jobChain().isBusy() && fileData_ != nullptr;
    split_timepopBtn->setEnabled(editable && m == Mode::Time);
    split_sizepopBtn->setEnabled(editable && m == Mode::Size);
    averageTextField->setEnabled(editable && m == Mode::Average);
    averagestepper->setEnabled(editable && m == Mode::Average);
    for (ZylButton* b : {splitItemBtn, leftMoveBtn, rightMoveBtn, deletedItemBtn})
        b->hide();
    splitBtn->show();
    splitBtn->setEnabled(editable && player() != nullptr);
    playerSlider->beginBtn()->hide();
    playerSlider->removeAllSplitItem();
    if (m == Mode::Average) {
        const QSignalBlocker block(averagestepper);
        averagestepper->setValue(averageTextField->text().toInt());
    }
    showTotalTime();
}

void SplitWindowController::limiteachTimeSegmentAction() {
    switchToMode(Mode::Time);
}

void SplitWindowController::limiteachFilesizeSegmentAction() {
    switchToMode(Mode::Size);
}

void SplitWindowController::limiteachAverageSegmentAction() {
    switchToMode(Mode::Average);
}

void SplitWindowController::limiteachManuallySegmentAction() {
    splitTimeLabel->show();
    splitBtn->hide();
    const bool wasManual = !split_timeBtn->isChecked() && !split_sizeBtn->isChecked() &&
                           !split_averageBtn->isChecked() && fileData_ != nullptr;
    split_manuallyBtn->setChecked(true);
    // Choosing manual mode again keeps the points placed by hand.
    if (wasManual)
        return;
    playerSlider->removeAllSplitItem();
    split_timeBtn->setChecked(false);
    split_sizeBtn->setChecked(false);
    split_averageBtn->setChecked(false);
    for (QWidget* w : std::initializer_list<QWidget*>{split_timepopBtn, split_sizepopBtn, averageTextField,
                                                      averagestepper})
        w->setEnabled(false);
    for (ZylButton* b : {splitItemBtn, leftMoveBtn, rightMoveBtn, deletedItemBtn})
        b->show();
    splitBtn->setEnabled(false);
    playerSlider->beginBtn()->setVisible(!playerSlider->disable());
    splitTimeLabel->setText(HelpClass::returnTimeToStr(playerSlider->beginProgress() * duration()));
    showTotalTime();
}

// ---- presets ----

void SplitWindowController::split_timepopAction(int index) {
    presetChosen(split_timepopBtn, index, true);
}

void SplitWindowController::split_sizepopAction(int index) {
    presetChosen(split_sizepopBtn, index, false);
}

void SplitWindowController::presetChosen(QComboBox* popUp, int index, bool time) {
    if (index < 0 || index >= popUp->count())
        return;
    popUp->setCurrentIndex(index);
    if (index < popUp->count() - 1) {
        (time ? lastTimeIndex_ : lastSizeIndex_) = index;
        return;
    }
    askCustomValue(popUp, time);
}

void SplitWindowController::askCustomValue(QComboBox* popUp, bool time) {
    if (prompt_)
        return;
    auto* dialog = new QInputDialog(this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setWindowTitle(windowTitle());
    dialog->setInputMode(QInputDialog::TextInput);
    dialog->setLabelText(time ? loc("split_timepopTitleStringValue") : loc("请输入分割片段大小(单位MB)"));
    dialog->setOkButtonText(loc("OKBtn"));
    dialog->setCancelButtonText(loc("CancelBtn"));
    dialog->setTextValue("");
    prompt_ = dialog;
    QPointer<SplitWindowController> self(this);
    QPointer<QComboBox> box(popUp);
    connect(dialog, &QDialog::finished, this, [self, box, dialog, time](int result) {
        if (!self || !box)
            return;
        self->prompt_ = nullptr;
        const int last = time ? self->lastTimeIndex_ : self->lastSizeIndex_;
        if (result != QDialog::Accepted) {
            // Cancelled: the pop-up shows its earlier choice again.
            box->setCurrentIndex(last);
            return;
        }
        const QString answer = dialog->textValue().trimmed();
        const std::optional<double> value = SplitPoints::positiveValue(answer);
        if (!value) {
            box->setCurrentIndex(last);
            self->showSimpleAlert(loc("splitValueInvalidString"));
            return;
        }
        (time ? self->split_timepopTitle_ : self->split_filesizepopTitle_) = answer;
        self->addPreset(box, *value, time);
    });
    dialog->open();
}

void SplitWindowController::addPreset(QComboBox* popUp, double value, bool time) {
    // Plain decimals, never an exponent: the title is what Split reads the value back from.
    const QString title = QString::number(value, 'f', QLocale::FloatingPointShortest) + unitOf(time);
    int index = popUp->findText(title);
    if (index < 0) {
        // New values go just before the custom item, which stays last.
        index = popUp->count() - 1;
        popUp->insertItem(index, title);
    }
    popUp->setCurrentIndex(index);
    (time ? lastTimeIndex_ : lastSizeIndex_) = index;
}

// ---- part count ----

void SplitWindowController::averageTextChanged() {
    playerSlider->removeAllSplitItem();
    const QSignalBlocker block(averagestepper);
    averagestepper->setValue(averageTextField->text().trimmed().toInt());
}

void SplitWindowController::averagesplitStepperAction() {
    playerSlider->removeAllSplitItem();
    averageTextField->setText(QString::number(averagestepper->value()));
}

// ---- Split ----

bool SplitWindowController::placePoints(const std::vector<float>& points, double count) {
    // A point closer to another than the bar can show would be dropped, leaving a part
    // longer than asked for: refuse the whole plan instead.
    const long capacity = playerSlider->capacity();
    bool fits = count <= double(capacity);
    for (size_t i = 0; fits && i < points.size(); ++i)
        fits = playerSlider->addSplitItemTime(points[i]);
    if (fits)
        return true;
    playerSlider->removeAllSplitItem();
    showSimpleAlert(loc("splitTooManyPointsString").replace("%ld", QString::number(capacity)));
    return false;
}

void SplitWindowController::splitAction() {
    const Mode m = mode();
    if (m == Mode::Manual || m == Mode::None || !fileData_ || jobChain().isBusy())
        return;
    playerSlider->removeAllSplitItem();
    const bool time = m == Mode::Time;
    std::optional<double> value;
    if (m == Mode::Average)
        value = SplitPoints::positiveValue(averageTextField->text());
    else
        value = SplitPoints::presetValue((time ? split_timepopBtn : split_sizepopBtn)->currentText());
    if (!value || (m == Mode::Average && *value < 1)) {
        showSimpleAlert(loc("splitValueInvalidString"));
        return;
    }
    const double total = time ? playerDuration() : fileData_->sourceData->fileSize;
    // The length often runs a few milliseconds past the last picture (the sound ends on a
    // packet boundary): a rest shorter than a frame would be a part without a picture.
    const double fps = fileData_->sourceData->fps;
    const double minLast = time ? (std::isfinite(fps) && fps > 0 ? 1.0 / fps - 0.002 : 0.02) : 0;
    const std::optional<double> count = m == Mode::Average ? std::optional<double>(std::floor(*value) - 1)
                                                           : SplitPoints::pointCount(total, *value, minLast);
    if (!count)
        return;
    // The count is checked before any point is built, so a tiny step or a huge part count
    // costs nothing.
    if (*count > double(playerSlider->capacity())) {
        placePoints({}, *count);
        return;
    }
    if (m == Mode::Average)
        placePoints(SplitPoints::byCount(*value), *count);
    else
        placePoints(time ? SplitPoints::byTime(total, *value, minLast) : SplitPoints::bySize(total, *value),
                    *count);
}

// ---- manual points ----

void SplitWindowController::addSplitItemAction() {
    if (!fileData_ || jobChain().isBusy())
        return;
    playerSlider->addSplitItemTime();
    splitTimeLabel->setText(HelpClass::returnTimeToStr(playerSlider->beginProgress() * duration()));
}

void SplitWindowController::moveSelection(long step) {
    if (playerSlider->splitMarkers().empty())
        return;
    playerSlider->setSelectedSplitIndex(std::max(playerSlider->selectedSplitIndex() + step, 0L));
    const double t = duration() * playerSlider->getProgressForIndex(playerSlider->selectedSplitIndex());
    seekTo(t);
    splitTimeLabel->setText(HelpClass::returnTimeToStr(t));
}

void SplitWindowController::leftMoveAction() {
    moveSelection(-1);
}

void SplitWindowController::rightMoveAction() {
    moveSelection(1);
}

void SplitWindowController::deleteSplitItemAction() {
    playerSlider->removeSplitItemTAtIndex(playerSlider->selectedSplitIndex());
}
