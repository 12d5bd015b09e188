// The picture packets of one stream of a plain MPEG transport stream, read straight from the
// file's bytes: its PES packets' payloads, positions and times, each checked to hold exactly one
// picture that starts at its first byte.
//
// The index's pass over a long recording read the file through the demuxer and its parser,
// which assemble each picture in copies and search it byte by byte for where it ends. Most
// recordings hold one picture a PES packet: this reader takes each as it is, checked a stretch
// at a time for a start code that would make it otherwise, and gives up (NotPlain) on anything
// else — lost sync, a broken continuity, a
// scrambled or damaged packet, a PES that holds part of a picture or two, times that wrap or go
// back a minute, a codec it does not know — where the caller reads the file the slow way, which
// gives the same pictures wherever this one finishes.
//
// Ownership: none held past a call. Threading: no shared state.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

extern "C" {
#include <libavcodec/codec_id.h>
}

namespace ff::plain {

struct Picture {
    const uint8_t* data = nullptr; // its packet's bytes, valid during the call
    int size = 0;
    int64_t pos = 0; // where the transport packet that starts it is
    int64_t pts = INT64_MIN, dts = INT64_MIN;
    bool key = false;
};

enum class End { Done, NotPlain, Stopped };

// Whether the reader knows how pictures of `codec` are packed.
bool knows(AVCodecID codec);

// Reads the pictures of `pid` from the transport stream at `path`, giving each to `each` in
// file order. `stopped` is asked every MiB; `progress` hears the bytes read of the file's.
End read(const std::string& path, int pid, AVCodecID codec, const std::function<bool()>& stopped,
         const std::function<void(int64_t, int64_t)>& progress,
         const std::function<void(const Picture&)>& each);

// The same over bytes in memory (the fuzz target's way in).
End readBytes(const uint8_t* data, size_t size, int pid, AVCodecID codec,
              const std::function<void(const Picture&)>& each);

} // namespace ff::plain
