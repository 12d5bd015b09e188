// Loading tracks, the track list and the highlighted track's preview player.
#include "editor/music/MusicPanel.h"

#include "editor/core/EditAspect.h"
#include "editor/core/EditorHost.h"
#include "editor/core/EditorSession.h"
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
#include "tools/shared/ToolWindow.h"

#include <QComboBox>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace {

CMTime seconds(double s) {
    return CMTimeMakeWithSeconds(s, 1000000000);
}

} // namespace

MusicPanel::Track MusicPanel::selectedTrack() const {
    if (selectedMusicIndex_ < 0 || size_t(selectedMusicIndex_) >= musicList_.size())
        return nullptr;
    return musicList_[size_t(selectedMusicIndex_)];
}

double MusicPanel::videoLength() const {
    return host().duration();
}

double MusicPanel::musicLength() const {
    const double m = lxmusicPlayer_ ? CMTimeGetSeconds(lxmusicPlayer_->duration()) : 0.0;
    return std::isfinite(m) && m > 0 ? m : 0.0;
}

void MusicPanel::loadMusicAction() {
    QPointer<MusicPanel> self(this);
    MediaOpenPanel::open(
        &host().toolWindow(), true,
        [self](const QStringList& paths) {
            if (self && !self->host().toolWindow().isClosing())
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
        if (probe.refusal == SourceProbe::Refusal::Cancelled)
            continue;
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
        host().alert(loc("nonsupportfilesstringValue") + refused.join(QStringLiteral(", ")));
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
    o_.trackList->setRows(titles, checked, count > 0 ? selectedMusicIndex_ : -1);
    if (count > 0) {
        highlighted();
    } else {
        initmusicPlayer(QString());
        o_.musicRangSlider->setVideoRangeLowerValue(0, 0);
        o_.musicRangSlider->setMusicRangeLowerValue(0, 0);
        refreshMusicTimeField(0);
    }
    enableMusicEdit(count > 0);
}

void MusicPanel::selectRow(int row) {
    row = std::max(0, row);
    if (size_t(row) >= musicList_.size())
        return;
    selectedMusicIndex_ = row;
    o_.trackList->setHighlighted(row);
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
    o_.trackList->rows()[size_t(row)]->setChecked(t->selected);
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
        audioTimer_.stop();
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
                    audioTimer_.stop();
                    stopAudio();
                },
                Qt::QueuedConnection);
        });
        player->seekTime(seconds(0));
        if (const Track t = selectedTrack())
            player->SetVolume(t->volume);
        o_.pruneRangSlider->setProgress(0);
    }
    enableMusicEdit(true);
    o_.removeOriginalmusicBtn->setEnabled(true);
}

void MusicPanel::playOrPauseAudio() {
    if (!lxmusicPlayer_ && !isaudioplaying_)
        return;
    isaudioplaying_ = !isaudioplaying_;
    o_.musicItemPlayPauseBtn->setSelected(isaudioplaying_);
    o_.playPruneMusicBtn->setSelected(isaudioplaying_);
    // The preview and the video never play together.
    if (isaudioplaying_ && host().isPlaying())
        host().pause();
    if (isaudioplaying_) {
        lxmusicPlayer_->play();
        audioTimer_.start();
    } else {
        if (lxmusicPlayer_)
            lxmusicPlayer_->pause();
        audioTimer_.stop();
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
    fillStage();
}

void MusicPanel::setEditable(bool editable) {
    o_.loadmusicBtn->setEnabled(editable);
    o_.removeOriginalmusicBtn->setEnabled(editable);
    o_.originalVolumeBtn->setEnabled(editable);
    o_.originalVolumeSlider->setDisable(!editable);
    o_.audiochanelPopBtn->setEnabled(editable && o_.audiochanelPopBtn->count() > 0);
    enableMusicEdit(editable && !musicList_.empty());
}

void MusicPanel::mainPlaybackChanged(bool playing) {
    const bool open = host().player() != nullptr;
    enableMusicEdit(!playing && !musicList_.empty());
    o_.loadmusicBtn->setEnabled(!playing && open);
}

// The preview's tick: the prune bar follows the track's play head.
void MusicPanel::changeMusicPlayerSlider() {
    if (!lxmusicPlayer_)
        return;
    const double t = CMTimeGetSeconds(lxmusicPlayer_->currentTime());
    const double d = CMTimeGetSeconds(lxmusicPlayer_->duration());
    if (d > 0 && std::isfinite(t))
        o_.pruneRangSlider->setProgress(float(std::clamp(t / d, 0.0, 1.0)));
}

double MusicPanel::originalSoundLevel() const {
    return o_.originalVolumeBtn->selected() ? 0.0 : double(o_.originalVolumeSlider->progress());
}

bool MusicPanel::removeOriginalSound() const {
    return o_.removeOriginalmusicBtn->selected();
}
