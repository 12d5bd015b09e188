// A media file opened for probing and snapshots (the MediaOpen handle).
// Ownership: owns its input; the C functions own the MediaFile. Threading: one thread at a time.
#pragma once

#include <cstdint>
#include <string>

#include "FfPointers.h"
#include "SourceReader.h"
#include "mediacore/MediaRecords.h"

namespace mediacore {

class MediaFile {
public:
    int open(const std::string& path);
    int info(MEDIA_AUDIO_STREAM_INFO* audio, MEDIA_VIDEO_STREAM_INFO* video) const;
    int64_t duration() const;
    // The picture shown at timeUs, turned by the display rotation, scaled to exactly
    // width x height, as BGRA premultiplied rows of width * 4 bytes.
    // The first snapshot takes over the probed input rather than open and probe the file again.
    int snapshot(int64_t timeUs, int width, int height, uint8_t* buffer);

private:
    const AVFormatContext* input() const { return format_ ? format_.get() : reader_.format(); }

    std::string path_;
    InputPtr format_;     // until the first snapshot
    SourceReader reader_; // from the first snapshot on
};

} // namespace mediacore
