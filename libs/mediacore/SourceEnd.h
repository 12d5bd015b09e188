// Where a source really ends, and whether a read reached what was asked of it.
//
// A file's header only claims a length: a damaged or patched header may claim hours for
// seconds of picture, and a file whose end is missing (an interrupted copy or recording, or one
// cut short while a job reads it) still claims its full length. The streams' own lengths are
// the better hint for the first; for the second, a read that stops short of them, ends in a
// packet cut short, or stops on a read error tells that the source ended early.
//
// Recordings joined end to end (transport streams copied one after the other) start their
// timestamps again partway: the length their timestamps give is then about that of one
// recording, and what follows the restart lies on the same stretch of the timeline. A job
// reading on past it would write those pictures over the first ones or leave them out, so the
// restart is told apart.
//
// Threading: a ReadExtent belongs to the one reader that feeds it.
#pragma once

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "FfPointers.h"

namespace mediacore {

// End of one stream on the file's timeline (microseconds from the file's start): its own
// duration, else its DURATION tag, else the file's duration; 0 when nothing tells.
int64_t streamEndUs(const AVFormatContext* format, const AVStream* stream);
// The latest end of the picture and sound streams (either index may be -1), else the file's
// duration: the length the file holds as far as its header can tell.
int64_t contentEndUs(const AVFormatContext* format, int videoIndex, int audioIndex);

class ReadExtent {
public:
    // Starts over for `format` (after opening or seeking); `originUs` is the file's start time.
    void reset(const AVFormatContext* format, int64_t originUs);
    // A packet of a stream the job reads, as it comes from the demuxer.
    void note(const AVPacket* packet);
    // A decoded picture's settled time and length, in microseconds on the file's timeline: what
    // a stream whose packets carry no time reached.
    void notePicture(int64_t endUs) { reachedUs_ = std::max(reachedUs_, endUs); }
    // The result of the read that ended the input (AVERROR_EOF or another error).
    void noteEnd(int readResult) { readError_ = readResult != AVERROR_EOF; }

    // For a read that went on to the input's end: 0 when it covered `wantedEndUs` (or the end
    // the picture and sound streams read claim, when that comes first; -1 for a stream not
    // read), else a negative AVERROR, logged with `path`.
    int check(int64_t wantedEndUs, int videoIndex, int audioIndex, const std::string& path) const;
    int64_t reachedUs() const { return reachedUs_; }
    // 0 while no stream's decoding times have gone back by more than a second, else a negative
    // AVERROR, logged with `path` and where the first recording ends.
    int checkRestart(const std::string& path) const;

private:
    const AVFormatContext* format_ = nullptr;
    int64_t originUs_ = 0;
    int64_t reachedUs_ = INT64_MIN;
    int64_t restartUs_ = INT64_MIN; // where the times went back: the end of the first recording
    std::vector<int64_t> latestUs_; // per stream: the latest decoding time read
    bool lastShort_ = false;
    bool readError_ = false;
};

} // namespace mediacore
