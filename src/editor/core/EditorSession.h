// The editor's open file and its edit state, without any widget. The editor window owns one
// session: it opens files through it, keeps its tools' changes in its edit state, and shows
// what a refresh computes in its controls. The preview player belongs to the window's
// preview pane; the session only tells it what to show. Main thread only.
#pragma once

#include "editor/core/EditState.h"
#include "editor/core/EditorFileLoader.h"
#include "editor/core/EditorOpenFile.h"

#include <QString>
#include <QStringList>
#include <optional>

class AudioStreamInfo;
class LxMoviePlayer;

class EditorSession {
public:
    // What a refresh computed for the window's controls.
    struct RefreshView {
        bool isTrimFanxuan = false; // trim bar mode and the keep/delete menu (item 1 = delete)
        double startSeconds = 0;    // the trim range for the time-code fields
        double stopSeconds = 0;
        double durationSeconds = 0;
        // The trim bar's handles and the play head as fractions of the duration; none when the
        // duration is unknown.
        std::optional<float> trimLower, trimUpper, playHead;
        QString currentTimeText, totalTimeText; // "HH:MM:SS.cc"
        QStringList audioStreamTitles;          // one per entry of the record's audioStreamInfos
        double volume = 1.0;                    // for the preview pane, which keeps the mute across it
    };

    EditorSession();
    ~EditorSession();
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    const EditorOpenFile& file() const { return file_; }
    EditState& state() { return state_; }
    const EditState& state() const { return state_; }

    // Probes `path`. An accepted file becomes the open file: the subtitle style is the new
    // record's own without a subtitle file, no effects, the keep mode, no crop (the old one
    // belongs to another picture), the rotation and mirrors as they were; the window then
    // opens a new player on it. A refused file changes nothing: the earlier file, record and
    // edit state stay, and the window keeps its player.
    EditorFileLoader::Result openFile(const QString& path);

    // Hands a new player the editor's text-drawing and picture-loading functions; call it on
    // each new player before it is given any mark.
    static void installCallbacks(LxMoviePlayer& player);

    // After a file was opened and its player made: commits the trim range typed in the
    // time-code fields (seconds) and the edit state into the record with the picture
    // adjustments at 0 and the volume at 1.0, reads the record back, turns an unset range or
    // one outside the file into the whole file, applies rotation, mirrors and adjustments to
    // the player (null: none) and moves it to the range start.
    RefreshView refreshPlayerView(LxMoviePlayer* player, double startFieldSeconds, double stopFieldSeconds);

    // At the end of play, once the window has paused: stops the player, turns an unset range
    // into the whole file and moves the player back to the range start. Returns the play head
    // there as a fraction of the duration, none without a player or a duration.
    std::optional<float> rewindToRangeStart(LxMoviePlayer* player);

    // The audio-stream menu's text for one stream: "title(channels rate)", else
    // "language format(channels rate)", else "codec(channels rate)".
    static QString audioStreamTitle(const AudioStreamInfo& stream);

private:
    double durationSeconds(const LxMoviePlayer* player) const;

    EditorOpenFile file_;
    EditState state_;
};
