// The music tool's side stage: the picture small above the row of the video's own sound, the
// play times and the sound-stream menu beside the transport strip, and the hint shown in their
// place until a file is open.
#include "editor/core/EditRecipe.h"
#include "editor/core/EditorHost.h"
#include "editor/core/EditorSession.h"
#include "editor/music/MusicPanel.h"
#include "foundation/controls/FontFit.h"
#include "foundation/controls/ZylImageView.h"
#include "foundation/controls/ZylView.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/AudioStreamInfo.h"
#include "foundation/records/MusicInfo.h"
#include "foundation/records/SimpleData.h"
#include "tools/shared/Loc.h"
#include "tools/shared/ToolStyle.h"

#include <QComboBox>
#include <QLabel>
#include <algorithm>
#include <cmath>

using geometry::setFrame;

void MusicPanel::buildStage(QWidget* stage) {
    o_.pictureView = new ZylImageView(stage);
    o_.pictureView->setBackGroundColor(Qt::black);
    o_.stripView = new ZylImageView(stage);
    o_.currentTimeLabel = new QLabel(HelpClass::returnTimeToStr(0), o_.stripView);
    o_.totalTimeLabel = new QLabel(HelpClass::returnTimeToStr(0), o_.stripView);
    o_.totalTimeLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    o_.audiochanelPopBtn = new QComboBox(o_.stripView);
    controls::setPixelFont(o_.audiochanelPopBtn, 13);
    o_.audiochanelPopBtn->setEnabled(false);
    connect(o_.audiochanelPopBtn, QOverload<int>::of(&QComboBox::activated), this,
            [this](int index) { host().session().state().setAudioStreamPosition(index); });
    o_.nofileView = new ZylView(stage);
    o_.nofileView->setBackGroundColor(toolstyle::kLightGrey);
    o_.nofileView->setBordColor(toolstyle::kLightGrey);
    o_.nofileView->setCornerRadius(0);
    o_.nofileView->setBorderWidth(0);
    const char* keys[] = {"toolMusicNofileDescLabelstringValue", "toolMusicNofileDescLabel1stringValue",
                          "toolMusicNofileDescLabel2stringValue", "toolMusicNofileDescLabel3stringValue",
                          "toolMusicNofileDescLabel4stringValue"};
    for (const char* key : keys) {
        auto* l = new QLabel(loc(key), o_.nofileView);
        l->setObjectName(QString::fromUtf8(key));
        l->setWordWrap(true);
        controls::setPixelFont(l, key == keys[0] ? 16 : 13);
    }
    showStage(false);
}

// Until a file is open the stage shows the hint instead of the picture and the strip.
void MusicPanel::showStage(bool file) {
    o_.nofileView->setVisible(!file);
    o_.pictureView->setVisible(file);
    o_.stripView->setVisible(file);
    if (!file)
        o_.nofileView->raise();
}

void MusicPanel::layout() {
    QWidget* stage = host().sideStage();
    const double mw = stage->width(), mh = stage->height();
    // The row of the video's own sound lies between the picture and the strip.
    setFrame(o_.pictureView, NSMakeRect(14, 122, mw - 26, mh - 122));
    setFrame(o_.stripView, NSMakeRect(0, 0, mw, 91));
    setFrame(o_.nofileView, NSMakeRect(0, 0, mw, mh));
    double y = mh / 2 + 70;
    for (QLabel* l : o_.nofileView->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        setFrame(l, NSMakeRect(40, y, mw - 80, 36));
        y -= 40;
    }
    setFrame(o_.currentTimeLabel, NSMakeRect(15, 50, 100, 26));
    setFrame(o_.totalTimeLabel, NSMakeRect(mw - 115, 50, 100, 26));
    setFrame(o_.audiochanelPopBtn, NSMakeRect(mw / 2 - 130, 51, 260, 24));
    layoutRight(mw, mh);
}

void MusicPanel::setShown(bool shown) {
    if (!shown)
        return;
    host().showPictureIn(o_.pictureView, o_.stripView);
    mainPlaybackChanged(host().isPlaying());
}

void MusicPanel::playerTick(double current, double duration) {
    o_.currentTimeLabel->setText(HelpClass::returnTimeToStr(current));
    if (host().shownTool() != EditorToolTypeMusic)
        return;
    const double f = duration > 0 && std::isfinite(current) ? std::clamp(current / duration, 0.0, 1.0) : 0.0;
    o_.musicRangSlider->setProgress(float(f));
}

// The ticked tracks, each placed by the one musicPlacement; a track with an empty place or an
// empty range would be refused by the engine and heard nowhere, so it is left out of the mix.
bool MusicPanel::contribute(EditRecipe& recipe) {
    for (const Track& m : musicSelecteds_)
        if (m->positionEnd > m->positionStart && m->pruneDiration > 0 && m->positionStart >= 0)
            recipe.music.push_back({m->path, musicPlacement(*m)});
    recipe.removeOriginalSound = removeOriginalSound();
    recipe.originalSoundLevel = originalSoundLevel();
    return true;
}

void MusicPanel::windowClosing() {
    stopAudio();
    audioTimer_.stop();
}

void MusicPanel::playStateChanged(bool playing) {
    // The preview of a track and the video never play together.
    if (playing)
        stopAudio();
    mainPlaybackChanged(playing);
}

// A new file: its sound streams in the menu, its length, and the stage shown.
void MusicPanel::fillStage() {
    const auto& file = host().session().file();
    o_.audiochanelPopBtn->clear();
    if (file.isOpen())
        for (const auto& stream : file.fileData->audioStreamInfos)
            o_.audiochanelPopBtn->addItem(EditorSession::audioStreamTitle(*stream));
    o_.audiochanelPopBtn->setCurrentIndex(o_.audiochanelPopBtn->count() > 0 ? 0 : -1);
    o_.currentTimeLabel->setText(HelpClass::returnTimeToStr(0));
    o_.totalTimeLabel->setText(HelpClass::returnTimeToStr(host().duration()));
    showStage(file.isOpen());
}
