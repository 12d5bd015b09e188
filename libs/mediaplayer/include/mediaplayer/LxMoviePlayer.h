// The preview player of libMediaPlayer: plays one media file into a widget of its own and
// applies picture, sound, overlay and subtitle settings live, through the same filter graph
// that the export uses.
//
// Threads. Create, drive and destroy a player on the GUI thread. It decodes on threads of its
// own (demux, video decode, audio decode) and plays sound on the sound server, whose
// position is the clock; without a sound device it runs on the wall clock. The did-end block
// and the text-drawing and picture-loading callbacks run on those threads: they must touch
// only what they are handed and queue any window work to the GUI thread. No call made on the
// GUI thread waits for those threads: a seek returns at once, and what needs the picture of a
// seek still under way (a redraw, a snapshot) is finished when that picture lands. The player
// takes its internal locks in one fixed order (written down in PlayerCore.h) and holds none of
// them while it calls back.
//
// Ownership. The player owns its view: the caller adds view() to a container and lays it out,
// and destroying the player deletes the view (taking it out of its container). If the
// container is destroyed first, the view goes with it and the player simply stops painting.
// Destroying the player (or closePlayer) stops and joins its threads before returning.
//
// Failure. A file that cannot be opened (missing, empty, not media, no decodable stream)
// still gives a player: isOpen() is false, errorString() says why, duration() and
// currentTime() are zero, the view stays black and every other operation does nothing.
// Callers refuse a file by its zero duration.
#pragma once

#include "mediacore/CMTime.h"
#include "mediacore/MediaRecords.h"

#include <QImage>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>

class QWidget;
class PlayerCore;

class LxMoviePlayer {
public:
    // Opens `path` and shows its first frame, paused. `frame` is the initial geometry of the
    // view in its future container's Qt coordinates (usually the container's rectangle).
    LxMoviePlayer(const QString& path, const QRect& frame);
    ~LxMoviePlayer();
    LxMoviePlayer(const LxMoviePlayer&) = delete;
    LxMoviePlayer& operator=(const LxMoviePlayer&) = delete;

    bool isOpen() const;
    QString errorString() const;

    // The widget that shows the picture, fitted to its size with black bars; owned by the player.
    QWidget* view() const;

    // Called once each time playback reaches the end, on a player thread.
    void setPlayerDidEndBlock(std::function<void()> block);
    // Called once, on a player thread, when a file first shown by its stored times (a large
    // MPEG stream opened before its index of pictures was read) moves onto its index's line,
    // the line every job cuts by: the picture in view stays, and duration(), currentTime() and
    // every seek from then on are the index's. Times kept from before map with timeOnIndexLine.
    // Without this block the player stays on the line it opened on.
    void setPlayerDidMoveOntoIndexLineBlock(std::function<void()> block);
    // A time of the line shown before that move, on the index's line: the time the picture shown
    // there has now. Unchanged before the move and for every other file.
    CMTime timeOnIndexLine(CMTime storedTime) const;
    // Whether the file is shown by its stored times still (it has not moved onto its index's line).
    bool isShownByStoredTimes() const;
    // Opened on its stored times, and the index is held now: an opening of the file from now on
    // (a job's) is on the index's line, also before the player has moved there and told so.
    bool isIndexHeld() const;

    void play(); // from the current position; at the end, from the start
    void pause();
    void stop();              // pauses and reports status 0; the position stays
    void closePlayer();       // stops the threads and closes the file; the player is inert afterwards
    int playerStatus() const; // 0 never started or stopped, 1 playing, 2 paused

    // Moves to `time` (clamped to the file) and shows the first picture at or after it: the
    // picture a cut starting at `time` starts with (the last one when none is later). Decoding
    // starts at the key frame before `time`, also in files without an index (MPEG-TS), so the
    // picture is exact. Quick successive seeks while the user drags are coalesced: only the
    // latest target is decoded. currentTime() reports the target at once, and the picture's
    // time once it is up. Times count from the file's first picture, as the engine's do.
    void seekTime(CMTime time);
    CMTime duration() const;
    // The play position. Held still (paused, stopped, or not yet played) it is the time of the
    // picture in view once that picture is up: the one a seek landed on, or after playing the
    // one due at the stopped clock; so a label shows, and a mark takes, the picture the user sees.
    CMTime currentTime() const;

    // Redraws the current frame with the current settings (after a change while paused). Returns
    // at once; the view shows the new picture when it is drawn (after a pending seek lands).
    void Refresh();

    // Copies the current frame, scaled to *w x *h, into `buff` as B, G, R, A bytes with
    // premultiplied alpha, rows top first, exactly (*w) * (*h) * 4 bytes. *w and *h are left as
    // given. Returns 1 on success; 0 (writing nothing) when w or h is null or not positive, the
    // size overflows, or there is no picture. Never waits: while a seek or a Refresh is still on
    // its way it returns 0 (SnapshotWhenReady gives that picture once it is up). While playing,
    // the picture is the one made for the view, scaled (SnapshotWhenReady makes a larger one
    // from the whole picture).
    int Snapshot(int* w, int* h, unsigned char* buff);
    // The current frame at w x h (Format_ARGB32_Premultiplied, the bytes Snapshot writes), handed
    // to `done` once the picture of the latest seek and Refresh is up: before returning when it
    // already is, otherwise later on the GUI thread. A null image when there is no picture (a
    // bad size, no picture track, the player closed first). Never called once the player is
    // destroyed.
    void SnapshotWhenReady(int w, int h, std::function<void(QImage)> done);

    // Sound. Volume is a gain: 1.0 = the file's own level, 0 = silent, at most 2.
    void SetVolume(double volume);
    void SetAudioIndex(int streamIndex);    // container stream index of the audio stream to play
    void DisableMainAudio(bool disable);    // true silences the file's own sound (music stays)
    void SetMainAudioVolume(double volume); // 0..1, the file's own sound under added music
    void ClearDubbingMusic();
    // Mixes `path` (UTF-8) from [start, end) of the music file into [timelineStart,
    // timelineEnd) of the video, repeating to fill it, with fades and a volume factor (0..2).
    // Returns 1, or 0 for an empty range or a file without sound. Like every sound setting it
    // is heard once the sound already queued for the device (about 0.4 s) has played.
    int AddDubbingMusic(const char* path, CMTime start, CMTime end, CMTime timelineStart, CMTime timelineEnd,
                        CMTime fadeIn, CMTime fadeOut, double factor);

    // Picture, through the same filter graph as the export: mirrors act on the decoded picture,
    // then it is turned by `degrees` clockwise plus the file's own display rotation; then the
    // effects, brightness/contrast/saturation (0 = unchanged each), watermarks and subtitle.
    void SetRotateAngle(int degrees);
    void SetHFlip(int on);
    void SetVFlip(int on);
    void SetBCS(int brightness, int contrast, int saturation);
    void ClearImageEffect();
    void AddImageEffect(int effectId);

    // Overlays, placed in pixels of the picture as shown, timed on the file's clock. Results: 1
    // accepted; 0 refused (a picture that cannot be loaded, an empty rectangle, a video without
    // pictures, a text mark without text or without the drawing callback set first).
    void ClearWatermask();
    int AddImageWatermask(IMAGE_WATERMARK_PARAM param);
    int AddVideoWatermask(VIDEO_WATERMARK_PARAM param);
    int AddTextWatermask(TEXT_WATERMARK_PARAM param);

    // Subtitles: an empty path removes them.
    void SetSubtitle(SUBTITLE_PARAM param);
    void UpdateSubtitleFontFile(const char* fontFile);
    void UpdateSubtitlePos(int position);
    void UpdateSubtitleFontClr(uint32_t fontColor, int shadow, uint32_t shadowColor);

    // Text marks are drawn through the first, picture marks loaded through the second; both are
    // called on player threads.
    void SetDrawTextCallback(DRAW_TEXT_CALLBACK callback);
    void SetLoadImageCallback(LOAD_IMAGE_CALLBACK callback);

private:
    std::unique_ptr<PlayerCore> core_;
};
