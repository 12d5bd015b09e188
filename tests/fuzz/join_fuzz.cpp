// A join job of two clips made of arbitrary bytes: set up with settings the control bytes
// pick, started, and its output removed.
// Control bytes: the clips' extensions, output container, picture and sound codecs, where
// the bytes split into the two clips, a set of switches, the ranges and the transition.
#include "FuzzSupport.h"

#include "mediacore/MediaCore.h"

#include <array>

namespace {

constexpr std::array<const char*, 10> kOutputs{"mp4", "mkv", "avi", "mov", "webm",
                                               "3gp", "flv", "mpg", "wmv", "mp3"};
// nullptr: no setter called, the first clip's codec is kept.
constexpr std::array<const char*, 8> kVideoCodecs{nullptr, "libx264", "mpeg4", "h263",
                                                  "mjpeg", "libvpx",  "wmv2",  "mpeg2video"};
constexpr std::array<const char*, 6> kAudioCodecs{nullptr, "aac", "libmp3lame", "libopus", "ac3", "wmav2"};

void setUp(void* job, uint64_t first, uint64_t second, fuzz::Controls& c) {
    if (const char* v = c.pick(kVideoCodecs))
        apiMediaJoinSetVideoCodec(job, v);
    if (const char* a = c.pick(kAudioCodecs))
        apiMediaJoinSetAudioCodec(job, a);
    const unsigned switches = c.next(), sizes = c.next(), transition = c.next();
    if (switches & 1)
        apiMediaJoinSetVideoFrameSize(job, 2 * (1 + sizes % 64), 2 * (1 + sizes / 4 % 48));
    if (switches & 2)
        apiMediaJoinSetVideoFps(job, 1 + sizes % 60);
    if (switches & 4)
        apiMediaJoinSetAudioEncodeContext(job, 1 + sizes % 6, sizes & 1 ? 8000 : 96000);
    if (switches & 8) {
        apiMediaJoinSetVideoBitrate(job, 1 + sizes);
        apiMediaJoinSetAudioBitrate(job, 8 + sizes % 64);
    }
    if (switches & 16) {
        apiMediaJoinSetAudioVolumn(job, first, sizes % 201);
        apiMediaJoinSetAudioVolumn(job, second, 200 - sizes % 201);
    }
    // Transition kinds 0 to 3 and one unknown; lengths up to 2.55 s.
    apiMediaJoinSetTransition(job, first, transition % 5, 10000 * int64_t(sizes));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (fuzz::quietLog(), true);
    (void)quiet;
    fuzz::Controls c(data, size, 10);
    const char* firstExtension = c.pick(fuzz::kInputExtensions);
    const char* secondExtension = c.pick(fuzz::kInputExtensions);
    const std::string output = fuzz::scratchPath(std::string("output.") + c.pick(kOutputs));
    // 0: both clips are the whole input; otherwise the input splits at that fraction.
    const std::size_t split = size / 256 * c.next();
    const std::string first =
        fuzz::writeScratch(std::string("first.") + firstExtension, data, split ? split : size);
    const std::string second =
        split ? fuzz::writeScratch(std::string("second.") + secondExtension, data + split, size - split)
              : first;
    const unsigned ranges = c.next();

    void* job = apiMediaJoinCreate();
    // Whole clips, or a range of up to 2.55 s from up to 1.5 s in.
    const uint64_t start = ranges & 1 ? 100000 * (ranges % 16) : 0,
                   end = ranges & 1 ? start + 10000 * ranges : 0;
    const uint64_t a = apiMediaJoinAddMediaClip(job, first.c_str(), start, end);
    const uint64_t b = apiMediaJoinAddMediaClip(job, second.c_str(), 0, 0);
    fuzz::trace("clips", a != 0 && b != 0);
    if (a != 0 && b != 0 && apiMediaJoinSetOutputPath(job, output.c_str()) >= 1) {
        setUp(job, a, b, c);
        fuzz::trace(output.c_str(), 1);
        fuzz::trace("start", apiMediaJoinStart(job));
        fuzz::trace("progress %", static_cast<long long>(apiMediaJoinGetProgress(job) * 100));
    }
    apiMediaJoinClose(job);
    fuzz::scratchPath(output);
    return 0;
}
