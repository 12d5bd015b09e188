// Decoded pictures in memory the kernel maps in 2 MB pages.
//
// A decoder's default buffers are zeroed by FFmpeg and then filled, each 4 KB page costing the
// kernel a fault: at 1080p a short job takes some ten thousand of them, a tenth of its processor
// time. Here a decoder's planes come from blocks the kernel may back with 2 MB pages (asked for
// with madvise, as x264 does for its own planes), one fault each, and are not zeroed (the
// kernel's pages already are). Reused through FFmpeg's buffer pools, as the default's are.
//
// Threading: the decoder's frame threads may ask for pictures at the same time; the state is
// locked. Pictures may outlive their decoder: the memory goes when the last one is let go.
#pragma once

extern "C" {
#include <libavcodec/avcodec.h>
}

namespace mediacore {

// Makes `decoder` (video, not yet opened, its opaque unused) take its pictures from large
// pages when its codec writes into buffers it is given; other decoders are left alone. The
// state is released by the decoder's deleter (ff::CodecDeleter) after the decoder is freed.
void useLargePageFrames(AVCodecContext* decoder);

} // namespace mediacore
