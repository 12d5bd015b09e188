// The editor's open file, its edit state and its preview player, without any widget. The
// editor window owns one session: it opens files through it, keeps its tools' changes in its
// edit state, hosts its player's view and shows the values a refresh computes in its
// controls. Main thread only.
#pragma once

#include "editor/core/EditState.h"
#include "editor/core/EditorFileLoader.h"
#include "editor/core/EditorOpenFile.h"

#include <QRect>
#include <QString>
#include <QStringList>
#include <memory>
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
    };

    EditorSession();
    ~EditorSession();
    EditorSession(const EditorSession&) = delete;
    EditorSession& operator=(const EditorSession&) = delete;

    const EditorOpenFile& file() const { return file_; }
    EditState& state() { return state_; }
    const EditState& state() const { return state_; }
    LxMoviePlayer* player() const { return player_.get(); }

    // Probes `path`. An accepted file becomes the open file: the subtitle style is the new
    // record's own without a subtitle file, no effects, the keep mode, no crop (the old one
    // belongs to another picture), the rotation and mirrors as they were, and a new player at
    // `frame`. A refused file changes nothing: the earlier file, record, edit state and
    // player stay as they were.
    EditorFileLoader::Result openFile(const QString& path, const QRect& frame);

    // Drops the player (stopped; its view leaves its container) and, with a file open, makes
    // a new one on it at `frame`: shown at 1/30 s, with the editor's text-drawing and
    // picture-loading functions.
    void initPlayer(const QRect& frame);

    // After a file was opened: commits the trim range typed in the time-code fields (seconds)
    // and the edit state into the record with the picture adjustments at 0 and the volume at
    // 1.0, reads the record back, turns an unset range into the whole file and a range outside
    // the file into the whole file, and applies rotation, mirrors, volume and adjustments to
    // the player and moves it to the range start.
    RefreshView refreshPlayerView(double startFieldSeconds, double stopFieldSeconds);

    // At the end of play (the window calls this on the GUI thread once the player reported the
    // end): stops the player, turns an unset range into the whole file and moves the player
    // back to the range start. Returns the play head there as a fraction of the duration, none
    // without a player or a duration.
    std::optional<float> rewindToRangeStart();

    // The audio-stream menu's text for one stream: "title(channels rate)", else
    // "language format(channels rate)", else "codec(channels rate)".
    static QString audioStreamTitle(const AudioStreamInfo& stream);

private:
    double durationSeconds() const;

    EditorOpenFile file_;
    EditState state_;
    std::unique_ptr<LxMoviePlayer> player_;
};
