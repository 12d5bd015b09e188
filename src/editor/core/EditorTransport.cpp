#include "editor/core/EditorTransport.h"

#include "foundation/controls/FontFit.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/helpers/HelpClass.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Geometry.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/ToolStyle.h"
#include "tools/shared/ToolWindow.h"

#include <QComboBox>
#include <QLabel>
#include <algorithm>
#include <cmath>

namespace {

using geometry::setFrame;

// The play button's pictures while the preview stands (selected: the pause picture).
toolstyle::ImageList playPictures() {
    return {"Join/btnPlay_Normal.png", "Join/btnPlay_On.png", "Join/btnPlay_Down.png",
            "Join/btnPause_Normal.png", "Join/btnPlay_Disable.png"};
}

QLabel* timeLabel(QWidget* parent) {
    auto* l = new QLabel(HelpClass::returnTimeToStr(0), parent);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette p = l->palette();
    p.setColor(QPalette::WindowText, Qt::black);
    l->setPalette(p);
    controls::setPixelFont(l, 12);
    return l;
}

} // namespace

EditorTransport::EditorTransport(ToolWindow& window, PreviewPane& pane, QWidget* barArea, QWidget* strip,
                                 Actions actions)
    : QObject(barArea), pane_(pane), actions_(std::move(actions)) {
    slider = new LxProgressSlider(NSMakeRect(95, 42, 400, 17), barArea);
    slider->setDelegate(this);
    currentTimeLabel = timeLabel(barArea);
    totalTimeLabel = timeLabel(barArea);
    buildStrip(window, strip);
}

void EditorTransport::buildStrip(ToolWindow& window, QWidget* strip) {
    auto button = [strip](double x, const char* stem) {
        auto* b = new ZylButton(NSMakeRect(x, 0, 30, 30), strip);
        toolstyle::setButtonImages(
            b, toolstyle::pictureSet(QString::fromUtf8(stem), ".png", QString::fromUtf8(stem) + "_Down.png"));
        b->setBordered(false);
        return b;
    };
    playPauseBtn = button(0, "Join/btnPlay");
    stopBtn = button(35, "Join/btnStop");
    cameraBtn = button(70, "Join/btnCapture");
    picStyleBtn = button(105, "Join/btnCaptureSet");
    volumeBtn = button(140, "Cut/btnOpenVolume");
    // Playing shows the pause picture; a mute shows the closed speaker.
    toolstyle::setButtonImages(playPauseBtn, playPictures());
    toolstyle::ImageList volume = toolstyle::openVolumePictures();
    volume[3] = "Cut/btnCloseVolume_Normal.png";
    toolstyle::setButtonImages(volumeBtn, volume);
    volumeSlider = new LxProgressSlider(NSMakeRect(175, 5, 80, 20), strip);
    volumeSlider->setDelegate(this);
    volumeSlider->setProgress(0.5f); // gain 1.0: the file's own level
    coverStylePopBtn = new QComboBox(strip);
    setFrame(coverStylePopBtn, NSMakeRect(135, 5, 80, 20));
    for (const char* key : {"png", "jpg", "bmp"}) {
        QString title = loc(key);
        title.remove(QLatin1Char('"'));
        if (!title.isEmpty())
            coverStylePopBtn->addItem(title, QString::fromUtf8(key));
    }
    coverStylePopBtn->hide();
    connect(coverStylePopBtn, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { picstyleAction(index); });

    // Each press only queues its work, as every button of the window does.
    playPauseBtn->mouseDownAction = window.afterClick([this] { actions_.togglePlay(); });
    stopBtn->mouseDownAction = window.afterClick([this] { actions_.stop(); });
    cameraBtn->mouseDownAction = window.afterClick([this] {
        if (pane_.player())
            actions_.snapshot();
    });
    picStyleBtn->mouseDownAction = window.afterClick([this] {
        if (pane_.player())
            toggleCoverStylePopup();
    });
    volumeBtn->mouseDownAction = window.afterClick([this] {
        const bool muted = !volumeBtn->selected();
        volumeBtn->setSelected(muted);
        // Unmuting gives back the level set before the mute.
        pane_.setMuted(muted);
    });
}

void EditorTransport::setEnabled(bool on) {
    slider->setDisable(!on);
    for (ZylButton* b : {playPauseBtn, stopBtn, cameraBtn, picStyleBtn, volumeBtn})
        b->setEnabled(on);
    coverStylePopBtn->setEnabled(on);
    volumeSlider->setDisable(!on);
}

void EditorTransport::showPlaying(bool playing) {
    playPauseBtn->setSelected(playing);
    // While playing, the button is a pause button in every look.
    toolstyle::setButtonImages(
        playPauseBtn, playing ? toolstyle::ImageList{"Join/btnPause_Normal.png", "Join/btnPause_On.png",
                                                     "Join/btnPause_Down.png", "Join/btnPause_Normal.png",
                                                     "Join/btnPlay_Disable.png"}
                              : playPictures());
}

void EditorTransport::showTime(double current, double d) {
    slider->setProgress(d > 0 && std::isfinite(current) ? float(std::clamp(current / d, 0.0, 1.0)) : 0.f);
    currentTimeLabel->setText(HelpClass::returnTimeToStr(current));
    totalTimeLabel->setText(HelpClass::returnTimeToStr(d));
}

void EditorTransport::showCurrentTime(double seconds) {
    currentTimeLabel->setText(HelpClass::returnTimeToStr(seconds));
}

void EditorTransport::layout(double PW, double P) {
    setFrame(slider, NSMakeRect(105, (P - 17) / 2 + 10, PW - 210, 17));
    setFrame(currentTimeLabel, NSMakeRect(10, (P - 26) / 2 + 6, 92, 26));
    setFrame(totalTimeLabel, NSMakeRect(PW - 98, (P - 26) / 2 + 6, 92, 26));
}

void EditorTransport::toggleCoverStylePopup() {
    coverStylePopBtn->setVisible(!coverStylePopBtn->isVisible());
    placeVolumeControls();
}

void EditorTransport::placeVolumeControls() {
    const NSRect style = geometry::frame(picStyleBtn);
    const NSRect pop = geometry::frame(coverStylePopBtn);
    NSRect vol = geometry::frame(volumeBtn);
    vol.x = coverStylePopBtn->isVisible() ? pop.maxX() : style.maxX();
    setFrame(volumeBtn, vol);
    NSRect s = geometry::frame(volumeSlider);
    s.x = vol.maxX() + 5;
    setFrame(volumeSlider, s);
}

void EditorTransport::picstyleAction(int index) {
    coverStyle_ = coverStylePopBtn->itemData(index).toString();
    coverStylePopBtn->setCurrentIndex(index);
    coverStylePopBtn->hide();
    placeVolumeControls();
}

// The seek slider and the preview volume.
void EditorTransport::actionMouseDownForProgressSliderBlock(LxProgressSlider* s, float progress) {
    if (s == volumeSlider) {
        pane_.setVolume(2.0 * progress);
        return;
    }
    if (s != slider || !pane_.player())
        return;
    // The drag pauses the player without ending the play state; the release resumes it.
    pane_.player()->pause();
    pane_.stopTicking();
}

void EditorTransport::actionProgressForProgressSliderBlock(LxProgressSlider* s, float progress) {
    if (s == volumeSlider) {
        pane_.setVolume(2.0 * progress);
        return;
    }
    if (s != slider || !pane_.player())
        return;
    const double t = std::clamp(double(progress), 0.0, 1.0) * actions_.duration();
    pane_.seek(t, 600);
    showCurrentTime(t);
}

void EditorTransport::actionMouseUpForProgressSliderBlock(LxProgressSlider* s, float progress) {
    if (s == volumeSlider) {
        pane_.setVolume(2.0 * progress);
        return;
    }
    if (s != slider || !pane_.player())
        return;
    actionProgressForProgressSliderBlock(s, progress);
    if (pane_.isPlaying()) {
        pane_.player()->play();
        pane_.startTicking();
    }
}
