// Loading tracks, the track list, the highlighted track's preview player, and handing the
// ticked tracks to the main player and the export.
#include "editor/core/EditVideoWindowController.h"
#include "editor/music/MusicPanel.h"
#include "editor/music/MusicPlacement.h"
#include "editor/music/MusicTrackList.h"
#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/MusicInfo.h"
#include "foundation/records/SimpleData.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "tools/shared/Loc.h"
#include "tools/shared/MediaOpenPanel.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/SourceProbe.h"

#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace {

CMTime seconds(double s) {
    return CMTimeMakeWithSeconds(s, 1000000000);
}

// A track with an empty place or an empty range would be refused by the engine and heard
// nowhere: it is left out of the mix rather than failing the export.
bool audible(const MusicInfo& m) {
    return m.positionEnd > m.positionStart && m.pruneDiration > 0 && m.positionStart >= 0;
}

} // namespace

MusicPanel::Track MusicPanel::selectedTrack() const {
    if (selectedMusicIndex_ < 0 || size_t(selectedMusicIndex_) >= musicList_.size())
        return nullptr;
    return musicList_[size_t(selectedMusicIndex_)];
}

double MusicPanel::videoLength() const {
    const double played = window_->preview()->duration();
    if (std::isfinite(played) && played > 0)
        return played;
    const auto& file = window_->session().file();
    return file.isOpen() ? file.fileData->sourceDuration() : 0.0;
}

double MusicPanel::musicLength() const {
    const double m = lxmusicPlayer_ ? CMTimeGetSeconds(lxmusicPlayer_->duration()) : 0.0;
    return std::isfinite(m) && m > 0 ? m : 0.0;
}

void MusicPanel::loadMusicAction() {
    QPointer<MusicPanel> self(this);
    MediaOpenPanel::open(
        window_, true,
        [self](const QStringList& paths) {
            if (self && !self->window_->isClosing())
                self->loadMusicFiles(paths);
        },
        MediaOpenPanel::soundTypes());
}

int MusicPanel::loadMusicFiles(const QStringList& paths) {
    const double V = videoLength();
    if (V <= 0)
        return 0;
    QStringList refused;
    int added = 0;
    for (const QString& path : paths) {
        const SourceProbe::Result probe = SourceProbe::probe(path, false);
        const double M = probe.data ? probe.data->sourceDuration() : 0.0;
        // Something that is not sound, or has no length to place, cannot become a track.
        if (!probe.data || probe.audioStreams.empty() || M <= 0) {
            refused << QFileInfo(path).fileName();
            continue;
        }
        musicList_.push_back(MusicInfo::loaded(path, M, V));
        ++added;
    }
    qCDebug(lcEditor) << "music added" << added << "refused" << refused;
    if (added > 0)
        refreshMusicListView();
    if (!refused.isEmpty())
        window_->showSimpleAlert(loc("nonsupportfilesstringValue") + refused.join(QStringLiteral(", ")));
    return added;
}

void MusicPanel::refreshMusicListView() {
    musicSelecteds_.clear();
    const int count = int(musicList_.size());
    if (selectedMusicIndex_ > count - 1)
        selectedMusicIndex_ = std::max(0, count - 1);
    selectedMusicIndex_ = std::max(0, selectedMusicIndex_);
    QStringList titles;
    std::vector<bool> checked;
    for (const Track& t : musicList_) {
        titles << QFileInfo(t->path).fileName();
        checked.push_back(t->selected);
        if (t->selected)
            musicSelecteds_.push_back(t);
    }
    trackList->setRows(titles, checked, count > 0 ? selectedMusicIndex_ : -1);
    if (count > 0) {
        highlighted();
    } else {
        initmusicPlayer(QString());
        musicRangSlider->setVideoRangeLowerValue(0, 0);
        musicRangSlider->setMusicRangeLowerValue(0, 0);
        refreshMusicTimeField(0);
    }
    enableMusicEdit(count > 0);
}

void MusicPanel::selectRow(int row) {
    row = std::max(0, row);
    if (size_t(row) >= musicList_.size())
        return;
    selectedMusicIndex_ = row;
    trackList->setHighlighted(row);
    highlighted();
}

// The highlighted track goes into the preview player and onto the controls.
void MusicPanel::highlighted() {
    const Track t = selectedTrack();
    if (!t)
        return;
    // A new preview player starts paused: the old one's playing state must not linger.
    stopAudio();
    initmusicPlayer(t->path);
    if (t->positionEnd - t->positionStart < t->pruneDiration)
        t->pruneDiration = t->positionEnd - t->positionStart;
    showTrackOnSliders();
    refreshMusicTimeField(selectedMusicIndex_);
}

void MusicPanel::toggleRow(int row) {
    row = std::max(0, row);
    if (size_t(row) >= musicList_.size())
        return;
    const Track t = musicList_[size_t(row)];
    const auto at = std::find(musicSelecteds_.begin(), musicSelecteds_.end(), t);
    if (at != musicSelecteds_.end())
        musicSelecteds_.erase(at);
    else
        musicSelecteds_.push_back(t);
    t->selected = !t->selected;
    trackList->rows()[size_t(row)]->setChecked(t->selected);
}

void MusicPanel::deleteSelectedTrack() {
    const Track t = selectedTrack();
    if (!t)
        return;
    mutedTrackLevels_.erase(t.get());
    musicList_.erase(musicList_.begin() + selectedMusicIndex_);
    // The rebuild clamps the index and shows the track now highlighted.
    refreshMusicListView();
}

void MusicPanel::initmusicPlayer(const QString& path) {
    if (lxmusicPlayer_) {
        window_->removeAudioTimer();
        window_->lxmusicPlayer = nullptr;
        lxmusicPlayer_->stop();
        lxmusicPlayer_.reset();
    }
    if (!path.isEmpty()) {
        lxmusicPlayer_ = std::make_unique<LxMoviePlayer>(path, QRect(0, 0, 20, 20));
        LxMoviePlayer* player = lxmusicPlayer_.get();
        // Comes on a player thread; the player is joined before this panel goes.
        player->setPlayerDidEndBlock([this, player] {
            QMetaObject::invokeMethod(
                this,
                [this, player] {
                    if (lxmusicPlayer_.get() != player)
                        return;
                    window_->removeAudioTimer();
                    stopAudio();
                },
                Qt::QueuedConnection);
        });
        player->seekTime(seconds(0));
        if (const Track t = selectedTrack())
            player->SetVolume(t->volume);
        pruneRangSlider->setProgress(0);
        window_->lxmusicPlayer = player;
    }
    enableMusicEdit(true);
    removeOriginalmusicBtn->setEnabled(true);
}

void MusicPanel::playOrPauseAudio() {
    if (!lxmusicPlayer_ && !isaudioplaying_)
        return;
    isaudioplaying_ = !isaudioplaying_;
    musicItemPlayPauseBtn->setSelected(isaudioplaying_);
    playPruneMusicBtn->setSelected(isaudioplaying_);
    // The preview and the video never play together.
    if (window_->isPlaying())
        window_->pause();
    if (isaudioplaying_) {
        lxmusicPlayer_->play();
        window_->addAudioTimer();
    } else {
        if (lxmusicPlayer_)
            lxmusicPlayer_->pause();
        window_->removeAudioTimer();
    }
}

void MusicPanel::stopAudio() {
    if (isaudioplaying_)
        playOrPauseAudio();
}

void MusicPanel::fileOpened() {
    stopAudio();
    musicList_.clear();
    musicSelecteds_.clear();
    mutedTrackLevels_.clear();
    selectedMusicIndex_ = 0;
    refreshMusicListView();
}

void MusicPanel::enableEdit(bool enable, bool player) {
    loadmusicBtn->setEnabled(enable && player);
    removeOriginalmusicBtn->setEnabled(enable && player);
    originalVolumeBtn->setEnabled(enable && player);
    originalVolumeSlider->setDisable(!enable || !player);
}

void MusicPanel::mainPlaybackChanged(bool playing) {
    const bool open = window_->preview()->player() != nullptr;
    enableMusicEdit(!playing && !musicList_.empty());
    loadmusicBtn->setEnabled(!playing && open);
}

void MusicPanel::showVideoProgress(float fraction) {
    musicRangSlider->setProgress(fraction);
}

void MusicPanel::mixInto(LxMoviePlayer& player) {
    stopAudio();
    player.ClearDubbingMusic();
    for (const Track& m : musicSelecteds_) {
        if (!audible(*m))
            continue;
        const MusicPlacement p = musicPlacement(*m);
        if (player.AddDubbingMusic(m->path.toUtf8().constData(), seconds(p.musicStart), seconds(p.musicEnd),
                                   seconds(p.slotStart), seconds(p.slotEnd), seconds(p.fadeIn),
                                   seconds(p.fadeOut), p.volume) < 1)
            qCWarning(lcEditor) << "preview music refused:" << m->path;
    }
    player.DisableMainAudio(removeOriginalSound());
    player.SetMainAudioVolume(originalSoundLevel());
}

void MusicPanel::fillExport(EditorConvertJob::Settings& s) const {
    s.music.clear();
    for (const Track& m : musicSelecteds_)
        if (audible(*m))
            s.music.push_back(m);
    s.removeOriginalSound = removeOriginalSound();
    s.originalSoundLevel = originalSoundLevel();
}

double MusicPanel::originalSoundLevel() const {
    return originalVolumeBtn->selected() ? 0.0 : double(originalVolumeSlider->progress());
}

bool MusicPanel::removeOriginalSound() const {
    return removeOriginalmusicBtn->selected();
}
