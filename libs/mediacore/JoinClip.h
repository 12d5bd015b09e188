// One clip of a join: a range of one file with its sound level and its transition into the
// next clip. Shared by the join job that collects the clips and the encoding that writes them.
#pragma once

#include <cstdint>
#include <string>

namespace mediacore {

struct JoinClip {
    uint64_t id = 0;
    std::string path;
    int64_t start = 0;  // on the file's timeline
    int64_t end = 0;    // a whole file's: its picture's end, when its sound runs on only a little
    int volume = 100;   // percent
    int transition = 0; // to the next clip: 0 none, 1 left, 2 top, 3 fade
    int64_t transitionUs = 0;
    bool hasVideo = false;
    bool hasAudio = false;
    int soundStreams = 0;   // the file's sound streams (languages, commentary)
    bool toFileEnd = false; // the range runs to the end of the file
};

} // namespace mediacore
