// The preview of the selected file and the control strip under it: play, stop, set start
// and set stop from the play head, snapshot and its format, mute and the file's volume.
#include "tools/batchcut/BatchCutterWindowController.h"

#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"
#include "platform/Dispatch.h"
#include "platform/Log.h"
#include "platform/Workspace.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PlayHead.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/ToolLayout.h"
#include "tools/shared/ToolStyle.h"

#include <QComboBox>
#include <QLabel>
#include <QPointer>
#include <QUrl>
#include <cmath>

using toollayout::label;
using toollayout::make;

namespace {
toolstyle::ImageList capturePictures() {
    return {"Join/btnCapture_Normal.png", "Join/btnCapture_On.png", "Join/btnCapture_Down.png", "",
            "Join/btnCapture_Disable.png"};
}
toolstyle::ImageList captureSetPictures() {
    return {"Join/btnCaptureSet_Normal.png", "Join/btnCaptureSet_On.png", "Join/btnCaptureSet_Down.png", "",
            "Join/btnCaptureSet_Disable.png"};
}
constexpr double kButton = 28;
} // namespace

void BatchCutterWindowController::buildPlayerArea(QWidget* right) {
    playerView = make<QWidget>(right, 10, 360, 330, 200);
    playerView->setAttribute(Qt::WA_StyledBackground);
    playerView->setStyleSheet("background-color: black;");
    preview_ = new PreviewPane(playerView, this);
    preview_->tick = [this](double current, double duration) { showPlayHead(current, duration); };
    preview_->didEnd = [this] { playerDidEnd(); };
    leftTimeLabel = label(right, 10, 340, 110, 18);
    rightTimeLabel = label(right, 230, 340, 110, 18, Qt::AlignRight);
    for (QLabel* l : {leftTimeLabel, rightTimeLabel})
        l->setText(HelpClass::returnTimeToStr(0));
    cutProgressView = new LxCutProgressView(NSMakeRect(10, 314, 330, 24), right);
    cutProgressView->setDelegate(this);
    buildStrip(right, 280);
}

void BatchCutterWindowController::buildStrip(QWidget* right, double y) {
    QPointer<BatchCutterWindowController> self(this);
    auto queued = [self](void (BatchCutterWindowController::*work)()) {
        return [self, work](ZylButton*) {
            dispatchMain([self, work] {
                if (self && !self->isClosing())
                    (self.data()->*work)();
            });
        };
    };
    playBtn = make<ZylButton>(right, 10, y, kButton, kButton);
    toolstyle::setButtonImages(playBtn, toolstyle::joinPlayPictures());
    playBtn->setSelected(false);
    playBtn->mouseDownAction = [self](ZylButton*) {
        dispatchMain([self] {
            if (self && !self->isClosing())
                self->preview_->isPlaying() ? self->pause() : self->play();
        });
    };
    stopBtn = make<ZylButton>(right, 42, y, kButton, kButton);
    toolstyle::setButtonImages(stopBtn, toolstyle::joinStopPictures());
    stopBtn->mouseDownAction = queued(&BatchCutterWindowController::stop);

    startCutTimeBtn = make<ZylButton>(right, 76, y + 2, 24, 24);
    stopCutTimeBtn = make<ZylButton>(right, 102, y + 2, 24, 24);
    for (auto [button, key] : {std::pair{startCutTimeBtn, "["}, std::pair{stopCutTimeBtn, "]"}}) {
        button->setContentTitle(loc(key));
        button->setContentColor(Qt::black);
        button->setBackGroundColor(Qt::white);
        button->setDisAblebackGroundColor(toolstyle::kDisabledGrey);
        button->setBordColor(QColor(188, 189, 189));
        button->setBorderWidth(1);
        button->setCornerRadius(4);
    }
    startCutTimeBtn->mouseDownAction = queued(&BatchCutterWindowController::setStartTrimBtnTouchUp);
    stopCutTimeBtn->mouseDownAction = queued(&BatchCutterWindowController::setStopTrimBtnTouchUp);

    cutCoverBtn = make<ZylButton>(right, 134, y, kButton, kButton);
    toolstyle::setButtonImages(cutCoverBtn, capturePictures());
    cutCoverBtn->mouseDownAction = [self](ZylButton*) {
        dispatchMain([self] {
            if (self && !self->isClosing())
                self->actionCarameraBtn();
        });
    };
    cutcoverStyleBtn = make<ZylButton>(right, 164, y, 22, kButton);
    toolstyle::setButtonImages(cutcoverStyleBtn, captureSetPictures());
    cutcoverStyleBtn->setBordered(false);
    cutcoverStyleBtn->mouseDownAction = queued(&BatchCutterWindowController::toggleCoverStylePop);
    coverStylePopBtn = make<QComboBox>(right, 186, y + 4, 80, 20);
    for (const char* key : {"png", "jpg", "bmp"}) {
        QString title = loc(key);
        title.remove('"');
        if (!title.isEmpty())
            coverStylePopBtn->addItem(title, QString::fromLatin1(key));
    }
    coverStylePopBtn->hide();
    connect(coverStylePopBtn, &QComboBox::activated, this, &BatchCutterWindowController::coverstyleAction);

    volumeBtn = make<ZylButton>(right, 0, y + 2, 24, 24);
    setVolumeButtonLook(false);
    // Mute acts at once: it only changes what the preview plays.
    volumeBtn->mouseDownAction = [this](ZylButton*) { muteToggle(); };
    volumeSlider = new LxProgressSlider(NSMakeRect(0, y + 6, 50, 16), right);
    volumeSlider->setDelegate(this);
    volumeSlider->setProgress(0.5f);
    placeVolumeControls(false);
}

void BatchCutterWindowController::placeVolumeControls(bool popShown) {
    const QRect anchor = popShown ? coverStylePopBtn->geometry() : cutcoverStyleBtn->geometry();
    volumeBtn->move(anchor.right() + 1 + (popShown ? 2 : 4), volumeBtn->y());
    volumeSlider->move(volumeBtn->geometry().right() + 5, volumeSlider->y());
}

void BatchCutterWindowController::initPlayer() {
    preview_->close();
    playBtn->setSelected(false);
    SimpleData* clip = selectedClip();
    if (clip && !clip->path.isEmpty())
        preview_->open(clip->path, clip->volume, PreviewPane::displaySize(*clip));
    showSelectedClip();
    // The preview starts paused at the range's start.
    const double start = clip ? double(rangeOf(*clip).first) / 1e6 : 0.0;
    preview_->seek(start);
    showPlayHead(preview_->player() ? start : 0.0, preview_->duration());
    setVolumeButtonLook(false);
}

void BatchCutterWindowController::play() {
    if (!preview_->player())
        return;
    preview_->play();
    playBtn->setSelected(true);
}

void BatchCutterWindowController::pause() {
    if (!preview_->player())
        return;
    preview_->pause();
    playBtn->setSelected(false);
}

void BatchCutterWindowController::stop() {
    if (fileList_.empty() || !preview_->player())
        return;
    preview_->stop();
    playBtn->setSelected(false);
}

playhead::Strip BatchCutterWindowController::playHead() const {
    return {preview_, cutProgressView, leftTimeLabel, rightTimeLabel, playBtn};
}

void BatchCutterWindowController::showPlayHead(double current, double duration) {
    playhead::show(playHead(), current, duration);
}

void BatchCutterWindowController::playerDidEnd() {
    playhead::rewind(playHead());
}

void BatchCutterWindowController::actionMouseDownForCutProgressViewBlock(LxCutProgressView* view, float) {
    if (view == cutProgressView && preview_->isPlaying())
        pause();
}

void BatchCutterWindowController::actionSeekToTimeForCutProgressViewBlock(LxCutProgressView* view, float progress) {
    if (view == cutProgressView)
        playhead::scrub(playHead(), progress);
}

void BatchCutterWindowController::actionMouseUpForCutProgressViewBlock(LxCutProgressView* view, float progress) {
    if (view == cutProgressView)
        playhead::release(playHead(), progress, [this] { play(); });
}

QString BatchCutterWindowController::actionCarameraBtn() {
    if (fileList_.empty() || !preview_->player())
        return QString();
    const QString file = preview_->snapshot(exportBar_->preparedOutputPath(), coverStyle());
    qCDebug(lcTools) << "batch: snapshot" << file;
    return file;
}

void BatchCutterWindowController::toggleCoverStylePop() {
    if (!preview_->player())
        return;
    coverStylePopBtn->setVisible(coverStylePopBtn->isHidden());
    placeVolumeControls(!coverStylePopBtn->isHidden());
}

void BatchCutterWindowController::coverstyleAction(int index) {
    if (index < 0 || index >= coverStylePopBtn->count())
        return;
    coverStyle_ = coverStylePopBtn->itemData(index).toString();
    coverStylePopBtn->hide();
    placeVolumeControls(false);
    coverStylePopBtn->setCurrentIndex(index);
}

void BatchCutterWindowController::setVolumeButtonLook(bool muted) {
    toolstyle::setButtonImages(volumeBtn, muted ? toolstyle::closeVolumePictures() : toolstyle::openVolumePictures());
}

void BatchCutterWindowController::muteToggle() {
    if (fileList_.empty())
        return;
    const bool muted = !preview_->isMuted();
    preview_->setMuted(muted);
    setVolumeButtonLook(muted);
}

void BatchCutterWindowController::actionMouseDownForProgressSliderBlock(LxProgressSlider*, float) {
    // Present so that a click moves the thumb to the clicked point.
}

void BatchCutterWindowController::actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) {
    if (slider == volumeSlider && std::isfinite(progress))
        volumeChanged(2.0 * std::clamp(double(progress), 0.0, 1.0));
}

void BatchCutterWindowController::actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) {
    actionProgressForProgressSliderBlock(slider, progress);
}

void BatchCutterWindowController::emailAction() {
    QString mail = QString("mailto:%1?Subject=%2&body=%3").arg(loc("email_address"), " ", " ");
    mail.replace(' ', "%20");
    Workspace::openURL(QUrl(mail));
}
