// Film as NTSC discs and broadcasts store it: progressive pictures at 24000/1001 in an MPEG-2
// sequence declared at 30000/1001, every other picture flagged to show one of its fields again
// (the 3:2 pull-down is left to the player). The demuxer counts the fields shown and gives the
// sequence's rate; a picture starts 24000/1001 times a second, alternately 3 and 2 fields apart.
// The engine's picture rate is how often pictures start: an encoder fed at the sequence's rate
// would repeat some pictures and drop others, and a copy's container would promise a picture
// every 1001/30000 s.
#pragma once

#include <string>

#include "FfPointers.h"

namespace mediacore {

// The rate at which the pictures of `s`, an MPEG-2 stream of the program or transport stream
// `path` that `format` reads, start, read from the flags of its first groups of pictures (in a
// second reading of the file, kept for the unchanged file); {0, 1} when they repeat no field. The
// rate its sequence declares, two fields a picture, in `*sequenceRate` when asked.
AVRational flaggedPictureRate(const std::string& path, const AVFormatContext* format, const AVStream* s,
                              AVRational* sequenceRate = nullptr);

} // namespace mediacore
