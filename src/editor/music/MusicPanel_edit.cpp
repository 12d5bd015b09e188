// Editing the highlighted track: the four groups of time fields and their steppers, the range
// slider, the prune bar and its buttons, the check boxes and the volumes.
#include "editor/core/EditAspect.h"
#include "editor/core/EditorHost.h"
#include "editor/music/MusicPanel.h"
#include "editor/music/MusicTrackList.h"
#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/LxProgressSlider.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/MusicInfo.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "tools/shared/Loc.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"

#include <QLabel>
#include <QPushButton>
#include <algorithm>
#include <cmath>

namespace {

QString percent(float p) {
    return QString::asprintf("%.f", double(p) * 100) + QStringLiteral("%");
}

float fraction(double part, double whole) {
    return whole > 0 && std::isfinite(part) ? float(std::clamp(part / whole, 0.0, 1.0)) : 0.f;
}

} // namespace

void MusicPanel::alert(const char* key) {
    host().alert(loc(key));
}

// A typed value and a stepped one pass the same checks; a stepped value that is refused is
// taken back, so the fields always show the stored track.
void MusicPanel::bindFields() {
    for (TimeCodeRow* row : {o_.positionStartRow, o_.positionEndRow, o_.pruneStartRow, o_.pruneEndRow}) {
        row->shouldEndEditing = [this, row](LxTextField*) { return fieldEnded(row); };
        row->stepped = [this, row](LxTextField*) {
            if (!fieldEnded(row))
                refreshMusicTimeField(selectedMusicIndex_);
        };
    }
}

bool MusicPanel::fieldEnded(TimeCodeRow* row) {
    if (!selectedTrack())
        return true;
    const double t = row->time();
    const bool ok = row == o_.positionStartRow ? storePositionStart(t)
                    : row == o_.positionEndRow ? storePositionEnd(t)
                    : row == o_.pruneStartRow  ? storePruneStart(t)
                                               : storePruneEnd(t);
    if (ok)
        afterAcceptedValue();
    return ok;
}

bool MusicPanel::storePositionStart(double t) {
    const Track m = selectedTrack();
    // A refused start goes back on screen as stored: the message says why.
    if (t < 0) {
        alert("showmessageTime4");
        return false;
    }
    if (t >= m->positionEnd) {
        alert("showmessageTime5");
        return false;
    }
    m->positionStart = float(t);
    return true;
}

bool MusicPanel::storePositionEnd(double t) {
    const Track m = selectedTrack();
    if (t <= m->positionStart) {
        alert("showmessageTime3");
        return false;
    }
    if (t > videoLength()) {
        alert("showmessageTime2");
        return false;
    }
    m->positionEnd = float(t);
    return true;
}

bool MusicPanel::storePruneStart(double t) {
    const Track m = selectedTrack();
    const double e = double(m->pruneStart) + m->pruneDiration, M = musicLength();
    if (e <= t || t < 0) {
        alert("showmessageTime5");
        return false;
    }
    m->pruneStart = float(t);
    m->pruneDiration = float(M > 0 ? std::min(e - t, M - t) : e - t);
    return true;
}

bool MusicPanel::storePruneEnd(double t) {
    const Track m = selectedTrack();
    const double d = t - m->pruneStart, M = musicLength();
    if (d <= 0) {
        alert("showmessageTime6");
        return false;
    }
    if (M > 0 && t > M + 0.005) {
        alert("showmessageTime4");
        return false;
    }
    m->pruneDiration = float(d);
    return true;
}

void MusicPanel::afterAcceptedValue() {
    const Track m = selectedTrack();
    m->pruneDiration = std::min(m->pruneDiration, m->positionEnd - m->positionStart);
    showTrackOnSliders();
    refreshMusicTimeField(selectedMusicIndex_);
}

// Each track keeps its slot on the pictures it was set against.
void MusicPanel::movedOntoIndexLine(IndexLineMove& move) {
    for (const Track& m : musicList_) {
        // A float within a millisecond of the file's end is its end.
        const double start = move.userTime(m->positionStart);
        const double end =
            m->positionEnd >= move.before() - 1e-3 ? move.now() : move.userTime(m->positionEnd);
        m->positionEnd = float(std::max(end, start + 0.001));
        m->positionStart = float(start);
        m->pruneDiration = std::min(m->pruneDiration, m->positionEnd - m->positionStart);
    }
    showTrackOnSliders();
    refreshMusicTimeField(selectedMusicIndex_);
}

void MusicPanel::showTrackOnSliders() {
    const Track m = selectedTrack();
    if (!m)
        return;
    const double V = videoLength(), M = musicLength();
    o_.musicRangSlider->setVideoRangeLowerValue(fraction(m->positionStart, V), fraction(m->positionEnd, V));
    o_.musicRangSlider->setMusicRangeLowerValue(fraction(m->pruneStart, M), fraction(m->pruneDiration, V));
    o_.musicRangSlider->setIsRepeat(m->repeat);
    o_.pruneRangSlider->setLowerValue(fraction(m->pruneStart, M),
                                      fraction(double(m->pruneStart) + m->pruneDiration, M));
}

void MusicPanel::refreshMusicTimeField(int index) {
    const Track m = index >= 0 && size_t(index) < musicList_.size() ? musicList_[size_t(index)] : nullptr;
    if (!m) {
        for (ZylButton* b :
             {o_.fadeInBtn, o_.fadeOutBtn, o_.pruneMusicBtn, o_.repeatMusicBtn, o_.musicItemVolueBtn})
            b->setSelected(false);
        o_.musicItemVolueSlider->setProgress(1.0f);
        o_.musicItemVoluelabel->setText(percent(1.0f));
        for (TimeCodeRow* row : {o_.positionStartRow, o_.positionEndRow, o_.pruneStartRow, o_.pruneEndRow})
            row->setTime(0);
        applyPruneLayout(false);
        return;
    }
    o_.positionStartRow->setTime(m->positionStart);
    o_.positionEndRow->setTime(m->positionEnd);
    o_.pruneStartRow->setTime(m->pruneStart);
    o_.pruneEndRow->setTime(double(m->pruneStart) + m->pruneDiration);
    o_.fadeInBtn->setSelected(m->fadeIn);
    o_.fadeOutBtn->setSelected(m->fadeOut);
    o_.pruneMusicBtn->setSelected(m->prune);
    o_.repeatMusicBtn->setSelected(m->repeat);
    o_.musicItemVolueBtn->setSelected(m->volume == 0.0f);
    o_.musicItemVolueSlider->setProgress(m->volume);
    o_.musicItemVoluelabel->setText(percent(m->volume));
    applyPruneLayout(m->prune);
}

void MusicPanel::enableMusicEdit(bool enable) {
    editEnabled_ = enable;
    o_.musicRangSlider->setEnable(enable);
    o_.pruneRangSlider->setDisable(!enable);
    for (ZylButton* b : {o_.repeatMusicBtn, o_.pruneMusicBtn, o_.playPruneMusicBtn, o_.pruneMusicLeftBtn,
                         o_.pruneMusicRightBtn, o_.fadeInBtn, o_.fadeOutBtn, o_.musicItemPlayPauseBtn,
                         o_.musicItemVolueBtn, o_.deletedMusicBtn})
        b->setEnabled(enable);
    o_.musicItemVolueSlider->setDisable(!enable);
    for (TimeCodeRow* row : {o_.positionStartRow, o_.positionEndRow, o_.pruneStartRow, o_.pruneEndRow})
        row->setEditable(enable);
    o_.trackList->setEnable(enable);
}

// "【": the prune range starts where the preview is; its end stays when it lies after it.
void MusicPanel::pruneStartFromPreview() {
    const Track m = selectedTrack();
    if (!m || !lxmusicPlayer_)
        return;
    const double t = CMTimeGetSeconds(lxmusicPlayer_->currentTime()), M = musicLength();
    const double e = double(m->pruneStart) + m->pruneDiration;
    const double d = e > t ? e - t : M - t;
    if (!(d > 0))
        return;
    m->pruneStart = float(t);
    m->pruneDiration = float(d);
    showTrackOnSliders();
    refreshMusicTimeField(selectedMusicIndex_);
}

// "】": the prune range ends where the preview is; a longer range widens the track's place,
// which never passes the video's end nor starts before 0.
void MusicPanel::pruneEndFromPreview() {
    const Track m = selectedTrack();
    if (!m || !lxmusicPlayer_)
        return;
    const double t = CMTimeGetSeconds(lxmusicPlayer_->currentTime()), V = videoLength();
    const float start = t < m->pruneStart ? 0.f : m->pruneStart;
    if (!(t - start > 0))
        return;
    m->pruneStart = start;
    m->pruneDiration = float(t - start);
    if (m->positionEnd - m->positionStart < m->pruneDiration) {
        m->positionEnd = m->positionStart + m->pruneDiration;
        if (m->positionEnd > V) {
            m->positionStart = float(std::max(V - m->pruneDiration, 0.0));
            m->positionEnd = float(V);
        }
    }
    showTrackOnSliders();
    refreshMusicTimeField(selectedMusicIndex_);
}

void MusicPanel::toggleRepeat() {
    o_.repeatMusicBtn->setSelected(!o_.repeatMusicBtn->selected());
    if (const Track m = selectedTrack())
        m->repeat = o_.repeatMusicBtn->selected();
    o_.musicRangSlider->setIsRepeat(o_.repeatMusicBtn->selected());
}

void MusicPanel::togglePrune() {
    o_.pruneMusicBtn->setSelected(!o_.pruneMusicBtn->selected());
    if (const Track m = selectedTrack())
        m->prune = o_.pruneMusicBtn->selected();
    applyPruneLayout(o_.pruneMusicBtn->selected());
}

void MusicPanel::toggleFadeIn() {
    o_.fadeInBtn->setSelected(!o_.fadeInBtn->selected());
    if (const Track m = selectedTrack())
        m->fadeIn = o_.fadeInBtn->selected();
}

void MusicPanel::toggleFadeOut() {
    o_.fadeOutBtn->setSelected(!o_.fadeOutBtn->selected());
    if (const Track m = selectedTrack())
        m->fadeOut = o_.fadeOutBtn->selected();
}

void MusicPanel::setTrackVolume(float volume) {
    const Track m = selectedTrack();
    if (!m)
        return;
    m->volume = std::clamp(volume, 0.f, 1.f);
    if (lxmusicPlayer_)
        lxmusicPlayer_->SetVolume(m->volume);
}

// Muting keeps the level it silences; unmuting brings that level back.
void MusicPanel::toggleTrackMute() {
    const Track m = selectedTrack();
    if (!m)
        return;
    if (m->volume > 0) {
        mutedTrackLevels_[m.get()] = m->volume;
        setTrackVolume(0);
    } else {
        const auto kept = mutedTrackLevels_.find(m.get());
        setTrackVolume(kept != mutedTrackLevels_.end() && kept->second > 0 ? kept->second : 0.5f);
        mutedTrackLevels_.erase(m.get());
    }
    refreshMusicTimeField(selectedMusicIndex_);
}

void MusicPanel::toggleOriginalMute() {
    o_.originalVolumeBtn->setSelected(!o_.originalVolumeBtn->selected());
    host().applyEdit(edit::Sound);
}

void MusicPanel::toggleRemoveOriginal() {
    o_.removeOriginalmusicBtn->setSelected(!o_.removeOriginalmusicBtn->selected());
    host().applyEdit(edit::Sound);
}

void MusicPanel::actionMouseDownForProgressSliderBlock(LxProgressSlider* slider, float progress) {
    actionProgressForProgressSliderBlock(slider, progress);
}

void MusicPanel::actionMouseUpForProgressSliderBlock(LxProgressSlider* slider, float progress) {
    actionProgressForProgressSliderBlock(slider, progress);
}

void MusicPanel::actionProgressForProgressSliderBlock(LxProgressSlider* slider, float progress) {
    const float p = std::clamp(progress, 0.f, 1.f);
    if (slider == o_.musicItemVolueSlider) {
        setTrackVolume(p);
        o_.musicItemVoluelabel->setText(percent(p));
        o_.musicItemVolueBtn->setSelected(p == 0.f);
    } else if (slider == o_.originalVolumeSlider) {
        // Moving the level unmutes the original sound.
        o_.originalVolumeBtn->setSelected(false);
        o_.originalMusicVolumeLabel->setText(percent(p));
        host().applyEdit(edit::Sound);
    }
}

void MusicPanel::actionMouseDownForCutProgressViewBlock(LxCutProgressView*, float progress) {
    actionSeekToTimeForCutProgressViewBlock(o_.pruneRangSlider, progress);
}

void MusicPanel::actionMouseUpForCutProgressViewBlock(LxCutProgressView*, float progress) {
    actionSeekToTimeForCutProgressViewBlock(o_.pruneRangSlider, progress);
}

void MusicPanel::actionSeekToTimeForCutProgressViewBlock(LxCutProgressView*, float progress) {
    if (lxmusicPlayer_)
        lxmusicPlayer_->seekTime(CMTimeMakeWithSeconds(musicLength() * progress, 1000000000));
}

// Dragging a prune handle: the range follows; a range longer than the track's place widens the
// place, which never passes the video's end nor starts before 0.
void MusicPanel::actionMouseMovedForCutProgressViewBlock(LxCutProgressView*, float startvalue,
                                                         float stopvalue, int handleType) {
    const Track m = selectedTrack();
    const double M = musicLength(), V = videoLength();
    if (!m || M <= 0 || !(stopvalue > startvalue))
        return;
    m->pruneStart = float(startvalue * M);
    m->pruneDiration = float((stopvalue - startvalue) * M);
    if (handleType == 1 || handleType == 2) {
        if (m->positionEnd - m->positionStart < m->pruneDiration)
            m->positionEnd = float(std::min(double(m->positionStart) + m->pruneDiration, V));
        if (m->positionStart + m->pruneDiration > V) {
            m->positionStart = float(std::max(V - m->pruneDiration, 0.0));
            m->positionEnd = float(V);
        }
    }
    o_.musicRangSlider->setVideoRangeLowerValue(fraction(m->positionStart, V), fraction(m->positionEnd, V));
    o_.musicRangSlider->setMusicRangeLowerValue(fraction(m->pruneStart, M), fraction(m->pruneDiration, V));
    refreshMusicTimeField(selectedMusicIndex_);
}

void MusicPanel::changeProgress(MusicRangeSlider* slider) {
    if (LxMoviePlayer* player = host().player())
        player->seekTime(CMTimeMakeWithSeconds(videoLength() * slider->progress(), 1000000000));
}

void MusicPanel::changeRangeValue(MusicRangeSlider* slider) {
    const Track m = selectedTrack();
    if (!m || !slider->enable())
        return;
    const double V = videoLength();
    qCDebug(lcEditor, "position:%f : %f", double(slider->positionLeftValue()),
            double(slider->positionRightValue()));
    m->positionStart = float(slider->positionLeftValue() * V);
    m->positionEnd = float(slider->positionRightValue() * V);
    o_.positionStartRow->setTime(m->positionStart);
    o_.positionEndRow->setTime(m->positionEnd);
    o_.pruneStartRow->setTime(m->pruneStart);
    o_.pruneEndRow->setTime(double(m->pruneStart) + m->pruneDiration);
}
