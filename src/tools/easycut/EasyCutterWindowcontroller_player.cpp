// The preview player, its 0.1 s play head, the play and range-preview buttons, the mark
// buttons and the refresh after a mark changes.
#include "tools/easycut/EasyCutterWindowcontroller.h"

#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/helpers/NSBundle.h"
#include "foundation/records/CutItem.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Dispatch.h"
#include "platform/Geometry.h"
#include "tools/easycut/CutItemView.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"

#include <QLabel>
#include <cmath>

void EasyCutterWindowcontroller::seekTo(double seconds) {
    if (!player())
        return;
    const double d = duration();
    const double t = d > 0 ? std::clamp(seconds, 0.0, d) : std::max(0.0, seconds);
    preview_->seek(t);
    // The time label shows where the picture is, also while paused, when no tick runs.
    currentTimeLabel->setText(HelpClass::returnTimeToStr(t));
}

double EasyCutterWindowcontroller::currentTime() const {
    return preview_->currentTime();
}

void EasyCutterWindowcontroller::initPlayer() {
    if (!fileData_ || fileData_->path.isEmpty())
        return;
    preview_->open(fileData_->path, fileData_->volume, PreviewPane::displaySize(*fileData_));
    const double d = duration();
    durationValueLabel->setText(HelpClass::returnTimeToStr(d));
    currentTimeLabel->setText(HelpClass::returnTimeToStr(0));
    totalDurationLabel->setText("/  " + HelpClass::returnTimeToStr(d));
    selectStartPlayTime_ = 0;
    volumeSlider->setProgress(0.5f);
    cutprogressView->setUpperValue(1.0f);
    cutprogressView->setLowerValue(0.0f);
    writeTime(startFields, 0);
    writeTime(stopFields, d);
    selectedLeftBtn->setEnabled(false);
    selectedRightBtn->setEnabled(false);
}

void EasyCutterWindowcontroller::setPlayImages(bool pauseLook) {
    playOrpauseBtn->setOnImage(NamedImage(pauseLook ? "Cut/btnPause_On.png" : "Cut/btnPlay_On.png"));
    playOrpauseBtn->setDownImage(NamedImage(pauseLook ? "Cut/btnPause_Down.png" : "Cut/btnPlay_Down.png"));
}

void EasyCutterWindowcontroller::setPreviewImages(bool stopLook) {
    playOrpauseSelectBtn->setOnImage(NamedImage(stopLook ? "Cut/btnStop__On.png" : "Cut/btnPreview_On.png"));
    playOrpauseSelectBtn->setDownImage(
        NamedImage(stopLook ? "Cut/btnStop__Down.png" : "Cut/btnPreview_Down.png"));
}

void EasyCutterWindowcontroller::playerDidEnd() {
    if (!player())
        return;
    player()->pause();
    playOrpauseBtn->setNormalImage(NamedImage("Cut/btnPlay_Normal.png"));
    setPlayImages(false);
    playOrpauseSelectBtn->setNormalImage(NamedImage("Cut/btnPreview_Normal.png"));
    playOrpauseSelectBtn->setOnImage(NamedImage("Cut/btnPreview_Normal.png"));
    playOrpauseSelectBtn->setDownImage(NamedImage("Cut/btnPreview_Down.png"));
    playOrpauseBtn->setSelected(false);
    playOrpauseSelectBtn->setSelected(false);
    isPlaying_ = false;
    removeTimer();
    if (!jobChain().isBusy()) {
        playOrpauseBtn->setEnabled(true);
        playOrpauseSelectBtn->setEnabled(true);
    }
    cutprogressView->setProgress(0);
    seekTo(0);
}

void EasyCutterWindowcontroller::movedOntoIndexLine(const std::function<double(double)>& toLine) {
    const double before = duration(), d = preview_->duration();
    if (!fileData_ || before <= 0 || d <= 0)
        return;
    IndexLineMove move(before, d, toLine);
    // An export that started on the stored times cuts its remaining segments on the same pictures.
    if (segmentRun_ && segmentRun_->run->moved())
        for (auto& [start, end] : segmentRun_->segments) {
            start = float(move.at(start));
            end = float(move.at(end));
        }
    const double ns = move.userTime(before * cutprogressView->lowerValue()),
                 ne = move.userTime(before * cutprogressView->upperValue());
    for (const auto& item : cutItems_) {
        item->startTime = float(move.userTime(item->startTime));
        item->endTime = float(move.userTime(item->endTime));
    }
    // The probed length gives way to the index's: the bar, the fields and the export count on it.
    fileData_->sourceData->duration = float(d);
    cutprogressView->setLowerValue(float(ns / d));
    cutprogressView->setUpperValue(float(ne / d));
    showRange();
    totalDurationLabel->setText("/  " + HelpClass::returnTimeToStr(d));
    for (long i = 0; i < long(cutItemViews_.size()) && i < long(cutItems_.size()); ++i)
        cutItemViews_[i]->setItem(cutItems_[size_t(i)]);
    if (const CutItem* item = segmentAt(selectedCutIndex_)) {
        writeTime(startItemFields, item->startTime);
        writeTime(stopItemFields, item->endTime);
    }
    const double t = currentTime();
    cutprogressView->setProgress(float(std::clamp(t / d, 0.0, 1.0)));
    currentTimeLabel->setText(HelpClass::returnTimeToStr(t));
    if (move.userTimeChanged())
        showSimpleAlert(loc("indexLineMovedString"));
}

LxMoviePlayer* EasyCutterWindowcontroller::player() const {
    return preview_->player();
}

void EasyCutterWindowcontroller::addTimer() {
    preview_->startTicking();
}

void EasyCutterWindowcontroller::removeTimer() {
    preview_->stopTicking();
    // The player is held still: the label is to show the picture it stops on.
    preview_->reportShownTime();
}

void EasyCutterWindowcontroller::updateMarkButtons(double p) {
    if (jobChain().isBusy())
        return;
    if (p <= cutprogressView->lowerValue()) {
        selectedLeftBtn->setEnabled(true);
        selectedRightBtn->setEnabled(false);
    } else {
        selectedLeftBtn->setEnabled(p < cutprogressView->upperValue());
        selectedRightBtn->setEnabled(true);
    }
}

void EasyCutterWindowcontroller::changePlayerSlider() {
    const double d = duration();
    if (!player() || d <= 0)
        return;
    const double t = currentTime();
    const double p = std::clamp(t / d, 0.0, 1.0);
    cutprogressView->setProgress(float(p));
    currentTimeLabel->setText(HelpClass::returnTimeToStr(t));
    cutprogressView->setTickMark(true);
    cutprogressView->setTickHidden(false);
    updateMarkButtons(p);
    if (isPlaySelectedCut_ && p >= cutprogressView->upperValue())
        seekTo(cutprogressView->lowerValue() * d);
}

void EasyCutterWindowcontroller::playButtonPressed() {
    if (!player())
        return;
    isPlaySelectedCut_ = false;
    playOrpauseBtn->setSelected(!playOrpauseBtn->selected());
    QPointer<EasyCutterWindowcontroller> self(this);
    dispatchMain([self] {
        if (!self || !self->player())
            return;
        const bool playing = self->playOrpauseBtn->selected();
        self->setPlayImages(playing);
        if (playing) {
            self->player()->play();
            self->isPlaying_ = true;
            self->addTimer();
            self->cutprogressView->setTickMark(true);
            self->playOrpauseSelectBtn->setEnabled(false);
        } else {
            self->player()->pause();
            self->isPlaying_ = false;
            self->removeTimer();
            self->playOrpauseSelectBtn->setEnabled(true);
        }
    });
}

void EasyCutterWindowcontroller::previewButtonPressed() {
    if (!player())
        return;
    const double t = duration() * cutprogressView->lowerValue();
    playOrpauseSelectBtn->setSelected(!playOrpauseSelectBtn->selected());
    QPointer<EasyCutterWindowcontroller> self(this);
    dispatchMain([self, t] {
        if (!self || !self->player())
            return;
        const double d = self->duration();
        self->seekTo(t);
        if (d > 0)
            self->cutprogressView->setProgress(float(t / d));
        if (self->playOrpauseSelectBtn->selected()) {
            self->isPlaySelectedCut_ = true;
            self->setPreviewImages(true);
            self->player()->play();
            self->isPlaying_ = true;
            self->addTimer();
            self->cutprogressView->setTickMark(true);
            self->playOrpauseBtn->setEnabled(false);
        } else {
            self->isPlaySelectedCut_ = false;
            self->setPreviewImages(false);
            self->player()->pause();
            self->isPlaying_ = false;
            self->removeTimer();
            self->playOrpauseBtn->setEnabled(true);
        }
    });
}

void EasyCutterWindowcontroller::markButtonPressed(bool end) {
    const double t = currentTime();
    QPointer<EasyCutterWindowcontroller> self(this);
    dispatchMain([self, t, end] {
        if (!self || self->jobChain().isBusy())
            return;
        const double d = self->duration();
        if (d <= 0)
            return;
        double s = self->cutprogressView->lowerValue() * d;
        double e = self->cutprogressView->upperValue() * d;
        // A mark never inverts the range: it stays 0 <= start < end <= duration.
        if (end ? t <= s : t >= e)
            return;
        (end ? e : s) = std::clamp(t, 0.0, d);
        self->seekTo(t);
        self->cutprogressView->setProgress(float(t / d));
        if (end)
            self->cutprogressView->setUpperValue(float(e / d));
        else
            self->cutprogressView->setLowerValue(float(s / d));
        if (self->selectedItemTimeChangeView->isVisible()) {
            if (CutItem* item = self->modifiedSegment()) {
                const double is = end ? item->startTime : t;
                const double ie = end ? t : item->endTime;
                if (is < ie)
                    self->storeSegmentTimes(self->itemModifyBtn->index(), is, ie);
            }
        }
        writeTime(end ? self->stopFields : self->startFields, end ? e : s);
        self->selectedLeftBtn->setEnabled(false);
        self->selectedRightBtn->setEnabled(false);
        self->durationValueLabel->setText(HelpClass::returnTimeToStr(e - s));
    });
}

void EasyCutterWindowcontroller::refresSelectTrimTime(bool changeStart, bool changeEnd) {
    const double d = duration();
    if (d <= 0)
        return;
    double s = d * cutprogressView->lowerValue();
    double e = d * cutprogressView->upperValue();
    if (CutItem* item = segmentAt(selectedCutIndex_)) {
        s = item->startTime;
        e = item->endTime;
        if (itemModifyBtn->selected() && selectedCutIndex_ < cutItemViews_.size())
            cutItemViews_[selectedCutIndex_]->setItem(cutItems_[selectedCutIndex_]);
    }
    seekTo(s);
    writeTime(startItemFields, s);
    writeTime(stopItemFields, e);
    selectedLeftBtn->setEnabled(false);
    selectedRightBtn->setEnabled(false);
    if (!changeStart && !changeEnd)
        return;
    cutprogressView->setProgress(float(s / d));
    if (changeStart && changeEnd) {
        seekTo(s);
        cutprogressView->setUpperValue(float(e / d));
        cutprogressView->setLowerValue(float(s / d));
    } else if (changeEnd) {
        seekTo(e);
        cutprogressView->setUpperValue(float(e / d));
    } else {
        seekTo(s);
        cutprogressView->setLowerValue(float(s / d));
    }
    writeTime(startFields, s);
    writeTime(stopFields, e);
    durationValueLabel->setText(HelpClass::returnTimeToStr(e - s));
}

void EasyCutterWindowcontroller::getCurrentThumbImage(std::function<void(const QImage&)> done) {
    const QSize shown = fileData_ ? PreviewPane::displaySize(*fileData_) : QSize();
    if (shown.isEmpty() || !player()) {
        done(NSBundle::imageWithfileName("Cut/musicIconB.png"));
        return;
    }
    // A segment thumbnail is shown at 120 points wide; keep it small.
    const QSize size = shown.width() > 640 ? shown.scaled(640, 640, Qt::KeepAspectRatio) : shown;
    const QImage fallback = fileData_->thumbImage;
    preview_->currentFrame(size, [fallback, done = std::move(done)](const QImage& frame) {
        done(frame.isNull() ? fallback : frame);
    });
}
