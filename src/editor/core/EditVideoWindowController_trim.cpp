// The trim tool: its panel, its four buttons, the keep/delete menu and the trim bar.
#include "editor/core/EditVideoWindowController.h"
#include "foundation/controls/FontFit.h"

#include "foundation/controls/LabelFit.h"
#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/helpers/HelpClass.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"
#include "tools/shared/ToolLayout.h"
#include "tools/shared/ToolStyle.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <algorithm>
#include <cmath>

namespace {

constexpr double kMicro = 1000000.0;

ZylButton* plainButton(QWidget* parent, const NSRect& frame, const QString& title) {
    auto* b = new ZylButton(frame, parent);
    b->setContentTitle(title);
    b->setContentColor(Qt::black);
    b->setBackGroundColor(toolstyle::kAddFileBlue);
    b->setDisAblebackGroundColor(toolstyle::kDisabledGrey);
    b->setCornerRadius(5);
    b->setBorderWidth(0);
    b->setBordered(false);
    b->setEnabled(false);
    // A longer translation gets a smaller size rather than being cut short.
    controls::fitButtonFont(b, 12, 9);
    return b;
}

QLabel* blackLabel(QWidget* parent, const NSRect& frame, const char* key) {
    auto* l = toollayout::label(parent, frame.x, frame.y, frame.width, frame.height);
    l->setText(loc(key));
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(p);
    return l;
}

} // namespace

void EditVideoWindowController::initTrimView() {
    ZylImageView* panel = _trimView;
    const double h = panel->height(), w = panel->width();
    startLabel_ = blackLabel(panel, NSMakeRect(5, h - 95, 70, 26), "StarttimeLabelstringValue");
    startRow_ = new TimeCodeRow(panel, NSMakeRect(75, h - 92, 151, 26));
    endLabel_ = blackLabel(panel, NSMakeRect(5, h - 130, 70, 26), "EndtimeLabelstringValue");
    stopRow_ = new TimeCodeRow(panel, NSMakeRect(75, h - 127, 151, 26));
    preferenceLabel_ = blackLabel(panel, NSMakeRect(5, h - 170, w - 10, 20), "PreferenceLabelstringValue");
    for (QLabel* l : {startLabel_, endLabel_, preferenceLabel_})
        controls::fitLabelFont(l, 13, 10);
    _preferenceBtn = new QComboBox(panel);
    controls::setPixelFont(_preferenceBtn, 12);
    geometry::setFrame(_preferenceBtn, NSMakeRect(5, h - 210, 215, 31));
    for (const char* key : {"KeeptheselectedsectionstringValue", "DeletetheselectedsectionstringValue"})
        if (!loc(key).isEmpty())
            _preferenceBtn->addItem(loc(key));
    connect(_preferenceBtn, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { actionPreferencesBtn(index); });

    setStartTrimBtn = plainButton(panel, NSMakeRect(10, h - 271, 40, 30), QStringLiteral("【"));
    setStopTrimBtn = plainButton(panel, NSMakeRect(60, h - 271, 40, 30), QStringLiteral("】"));
    _playTrimBtn = new ZylButton(NSMakeRect(110, h - 271, 30, 30), panel);
    _playTrimBtn->setNormalImage(NamedImage("Cut/btnPlay_Normal.png"));
    _playTrimBtn->setSelectedImage(NamedImage("Cut/btnPause_Normal.png"));
    _playTrimBtn->setEnabled(false);
    resetTrimBtn = plainButton(panel, NSMakeRect(w - 85, h - 271, 80, 30), loc("ResetBtnTitle"));

    // Each press only queues its work, as every button of the window does.
    auto onPress = [this](ZylButton* b, void (EditVideoWindowController::*action)()) {
        b->mouseDownAction = [this, action](ZylButton*) {
            QPointer<EditVideoWindowController> self(this);
            QMetaObject::invokeMethod(
                this,
                [self, action] {
                    if (self && !self->isClosing())
                        (self.data()->*action)();
                },
                Qt::QueuedConnection);
        };
    };
    onPress(setStartTrimBtn, &EditVideoWindowController::setStartTrimBtnTouchUp);
    onPress(setStopTrimBtn, &EditVideoWindowController::setStopTrimBtnTouchUp);
    onPress(_playTrimBtn, &EditVideoWindowController::playTrimBtnTouchUp);
    onPress(resetTrimBtn, &EditVideoWindowController::resetTrimBtnTouchUp);
    bindTrimFields();
}

double EditVideoWindowController::trimStartSeconds() const {
    return session_.state().cutTimeRange_start / kMicro;
}

double EditVideoWindowController::trimStopSeconds() const {
    return session_.state().cutTimeRange_stop / kMicro;
}

// Stores a range the caller has checked: 0 <= start < stop <= duration.
void EditVideoWindowController::storeRange(double startSeconds, double stopSeconds) {
    session_.state().cutTimeRange_start = startSeconds * kMicro;
    session_.state().cutTimeRange_stop = stopSeconds * kMicro;
}

// The stored range in both rows and on the bar's handles.
void EditVideoWindowController::showRange() {
    const double d = duration();
    const double start = trimStartSeconds(), stop = trimStopSeconds();
    startRow_->setTime(start);
    stopRow_->setTime(stop > 0 ? stop : d);
    if (d > 0)
        _cutProgressView->setLowerValue(float(std::clamp(start / d, 0.0, 1.0)),
                                        float(std::clamp((stop > 0 ? stop : d) / d, 0.0, 1.0)));
    showPlayHeadOnBar();
}

void EditVideoWindowController::showPlayHeadOnBar() {
    const double d = duration();
    if (preview_->player() && d > 0)
        _cutProgressView->setProgress(float(std::clamp(currentTime() / d, 0.0, 1.0)));
}

void EditVideoWindowController::setStartTrimBtnTouchUp() {
    const double d = duration();
    if (!preview_->player() || !(d > 0))
        return;
    const double t = std::clamp(currentTime(), 0.0, d);
    if (t >= d) {
        // At the very end no section can start.
        alert("showmessageTime5");
        return;
    }
    double stop = trimStopSeconds();
    // A start at or after the end moves the end to the end of the file.
    if (stop <= 0 || t >= stop)
        stop = d;
    storeRange(t, stop);
    showRange();
    _cutProgressView->setProgress(float(t / d));
}

void EditVideoWindowController::setStopTrimBtnTouchUp() {
    const double d = duration();
    if (!preview_->player() || !(d > 0))
        return;
    const double t = std::clamp(currentTime(), 0.0, d);
    if (t <= 0) {
        alert("showmessageTime3");
        return;
    }
    double start = trimStartSeconds();
    // An end at or before the start takes the start back to the beginning.
    if (start >= t)
        start = 0;
    storeRange(start, t);
    showRange();
}

void EditVideoWindowController::playTrimBtnTouchUp() {
    action_playPauseBtn();
}

void EditVideoWindowController::resetTrimBtnTouchUp() {
    const double d = duration();
    if (!preview_->player() || !(d > 0))
        return;
    storeRange(0, d);
    showRange();
    preview_->seek(0);
    _cutProgressView->setProgress(0);
}

// Keep or delete the section: the bar shows the kept part, and the preview starts from where
// the export will start.
void EditVideoWindowController::actionPreferencesBtn(int index) {
    if (!preview_->player())
        return;
    const bool remove = index == 1;
    _cutProgressView->setIsFanxuan(remove);
    session_.state().isTrimFanxuan = remove;
    const float lower = _cutProgressView->lowerValue(), upper = _cutProgressView->upperValue();
    _cutProgressView->setLowerValue(lower, upper);
    _cutProgressView->setProgress(remove ? 0.f : lower);
    preview_->seek(remove ? 0.0 : duration() * lower);
    pause();
    play();
}

void EditVideoWindowController::actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float) {
    if (view != _cutProgressView || !preview_->player() || !preview_->isPlaying())
        return;
    // A drag pauses the picture without ending play; the release resumes it.
    preview_->player()->pause();
    preview_->stopTicking();
}

void EditVideoWindowController::actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float) {
    if (view != _cutProgressView || !preview_->player() || !preview_->isPlaying())
        return;
    preview_->player()->play();
    preview_->startTicking();
}

void EditVideoWindowController::actionMouseMovedForCutProgressViewBlock(LxCutProgressView* view,
                                                                        float startvalue, float stopvalue,
                                                                        int handleType) {
    const double d = duration();
    if (view != _cutProgressView || !preview_->player() || !(d > 0))
        return;
    const double l = std::clamp(double(startvalue), 0.0, 1.0) * d;
    const double u = std::clamp(double(stopvalue), 0.0, 1.0) * d;
    if (!(l < u))
        return;
    storeRange(l, u);
    if (handleType == 2) {
        preview_->seek(u);
        stopRow_->setTime(u);
    } else if (handleType == 1) {
        preview_->seek(l);
        startRow_->setTime(l);
    }
}

void EditVideoWindowController::actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view,
                                                                        float progress) {
    const double d = duration();
    if (view != _cutProgressView || !preview_->player() || !(d > 0))
        return;
    const double t = std::clamp(double(progress), 0.0, 1.0) * d;
    preview_->seek(t);
    _cutProgressView->setProgress(float(t / d));
    _currentTimeLabel->setText(HelpClass::returnTimeToStr(t));
}
