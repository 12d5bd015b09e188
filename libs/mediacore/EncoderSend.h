// Handing a picture to a video encoder.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace mediacore {

// avcodec_send_frame for a video encoder; a null frame asks for the end of the stream.
//
// FFmpeg 5.1's x265 wrapper gives each picture it takes an 8-byte block that it frees only
// when the picture comes back out: the pictures still inside the encoder when a job is
// stopped lose theirs. That is not ours to mend, and a leak check would otherwise report it
// on every stopped HEVC job; in builds with LeakSanitizer, the blocks the x265 wrapper
// allocates while taking a picture are not counted as leaks (any other encoder's are).
int sendPicture(AVCodecContext* encoder, const AVFrame* frame);

} // namespace mediacore
