#include "editor/core/PreviewReceiver.h"

#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Log.h"
#include "tools/shared/PreviewPane.h"

#include <cstring>

namespace {

CMTime seconds(double s) {
    return CMTimeMakeWithSeconds(s, 1000000000);
}

} // namespace

void PreviewReceiver::sound(int stream, double volume, double originalLevel, bool removeOriginal) {
    if (stream >= 0 && stream != stream_) {
        player_.SetAudioIndex(stream);
        stream_ = stream;
    }
    // The pane keeps the mute across a new level.
    pane_.setVolume(volume);
    player_.SetMainAudioVolume(originalLevel);
    player_.DisableMainAudio(removeOriginal);
}

// The player reads a subtitle file when it is given one; a new style of the file it has is
// sent as the style alone, so that moving the position or picking a colour reads nothing again.
int PreviewReceiver::subtitle(const SUBTITLE_PARAM* param) {
    SUBTITLE_PARAM p{};
    if (param)
        p = *param;
    const bool sameFile =
        subtitleSent_ && std::strcmp(p.path, subtitle_.path) == 0 && p.fontSize == subtitle_.fontSize;
    if (sameFile && p.path[0] == 0)
        return 1; // still none
    if (!sameFile) {
        player_.SetSubtitle(p);
    } else {
        if (std::strcmp(p.fontFile, subtitle_.fontFile) != 0)
            player_.UpdateSubtitleFontFile(p.fontFile);
        if (p.fontColor != subtitle_.fontColor || p.shadow != subtitle_.shadow ||
            p.shadowColor != subtitle_.shadowColor)
            player_.UpdateSubtitleFontClr(p.fontColor, p.shadow, p.shadowColor);
        if (p.position != subtitle_.position)
            player_.UpdateSubtitlePos(p.position);
    }
    subtitle_ = p;
    subtitleSent_ = true;
    return 1;
}

int PreviewReceiver::effects(const std::vector<int>& ids) {
    // After a clear the added effects are the whole set.
    player_.ClearImageEffect();
    for (const int id : ids)
        player_.AddImageEffect(id);
    return 1;
}

void PreviewReceiver::adjust(int brightness, int contrast, int saturation) {
    player_.SetBCS(brightness, contrast, saturation);
}

void PreviewReceiver::turn(int angle, int hFlip, int vFlip) {
    player_.SetRotateAngle(angle);
    player_.SetHFlip(hFlip);
    player_.SetVFlip(vFlip);
}

// The marks go as one batch; a batch equal to the one the player has is not sent again, so
// a refresh that changed no mark opens no picture file.
int PreviewReceiver::marks(const overlays::MarkRecords& marks) {
    if (marksSent_ && overlays::sameRecords(marks, marks_))
        return marksAccepted_ ? 1 : 0;
    marksAccepted_ = overlays::sendToPlayer(player_, marks) == 0;
    marks_ = marks;
    marksSent_ = true;
    return marksAccepted_ ? 1 : 0;
}

int PreviewReceiver::music(const std::vector<MusicTrack>& tracks) {
    player_.ClearDubbingMusic();
    int result = 1;
    for (const MusicTrack& m : tracks) {
        const MusicPlacement& p = m.placement;
        if (player_.AddDubbingMusic(m.path.toUtf8().constData(), seconds(p.musicStart), seconds(p.musicEnd),
                                    seconds(p.slotStart), seconds(p.slotEnd), seconds(p.fadeIn),
                                    seconds(p.fadeOut), p.volume) < 1) {
            qCWarning(lcEditor) << "preview music refused:" << m.path;
            result = 0;
        }
    }
    return result;
}
