// A convert job on a source of arbitrary bytes: probed as the tool windows probe, set up
// with settings the control bytes pick, started, and its output removed.
// Control bytes: source extension, output container, picture and sound codecs, a set of
// switches, the cut range, and the picture size and bit rates.
#include "FuzzSupport.h"

#include "mediacore/MediaCore.h"

#include <array>
#include <vector>

namespace {

constexpr std::array<const char*, 14> kOutputs{"mp4", "mkv", "avi", "mov", "webm", "3gp", "flv",
                                               "mpg", "ts",  "wmv", "mp3", "ogg",  "wav", "m4a"};
// nullptr: no setter called, the source's codec is kept.
constexpr std::array<const char*, 10> kVideoCodecs{nullptr, "copy",   "libx264", "mpeg4",      "h263",
                                                   "mjpeg", "libvpx", "wmv2",    "mpeg2video", " "};
constexpr std::array<const char*, 9> kAudioCodecs{nullptr, "copy",      "aac",   "libmp3lame", "libopus",
                                                  "ac3",   "pcm_s16le", "wmav2", "libvorbis"};

// The stream lists as the tool windows read them: count first, then the records.
void probe(void* job) {
    int count = 0;
    if (apiMediaConvertGetAudioStreamInfo(job, &count, nullptr) >= 1 && count > 0 && count < 1000) {
        std::vector<MEDIA_AUDIO_STREAM_INFO> audio(count);
        apiMediaConvertGetAudioStreamInfo(job, &count, audio.data());
    }
    count = 0;
    if (apiMediaConvertGetVideoStreamInfo(job, &count, nullptr) >= 1 && count > 0 && count < 1000) {
        std::vector<MEDIA_VIDEO_STREAM_INFO> video(count);
        apiMediaConvertGetVideoStreamInfo(job, &count, video.data());
    }
    apiMediaConvertGetDuration(job);
}

void setUp(void* job, fuzz::Controls& c) {
    const int64_t duration = apiMediaConvertGetDuration(job);
    if (const char* v = c.pick(kVideoCodecs))
        apiMediaConvertSetVcodec(job, v);
    if (const char* a = c.pick(kAudioCodecs))
        apiMediaConvertSetAcodec(job, a);
    const unsigned switches = c.next();
    const unsigned from = c.next(), length = c.next(), sizes = c.next();
    if (switches & 1) // a range by fractions of the length (times past the end when it is unknown)
        apiMediaConvertSetCutTime(job, duration / 256 * from,
                                  duration / 256 * (from + length) + 100000 * length);
    if (switches & 2)
        apiMediaConvertSetVideoFrameSize(job, 2 * (1 + sizes % 64), 2 * (1 + sizes / 4 % 48));
    if (switches & 4)
        apiMediaConvertSetVideoFps(job, 1 + sizes % 60);
    if (switches & 8)
        apiMediaConvertDisableMainAudio(job);
    if (switches & 16)
        apiMediaConvertSetLimitFileSize(job, 1000 + 500 * int64_t(sizes));
    if (switches & 32) {
        apiMediaConvertSetRotateAngle(job, 90 * (sizes % 4));
        apiMediaConvertHFlipStatus(job, 1);
        apiMediaConvertAdjustBCS(job, 20, -10, 30);
    }
    if (switches & 64)
        apiMediaConvertSetAudioEncodeContext(job, 1 + sizes % 6, sizes & 1 ? 8000 : 96000);
    if (switches & 128) {
        apiMediaConvertSetVideoBitrate(job, 1 + sizes);
        apiMediaConvertSetAudioBitrate(job, 8 + sizes % 64);
        apiMediaConvertSetMaineAudioVolume(job, sizes / 128.0);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (fuzz::quietLog(), true);
    (void)quiet;
    fuzz::Controls c(data, size, 8);
    const std::string input =
        fuzz::writeScratch(std::string("source.") + c.pick(fuzz::kInputExtensions), data, size);
    const std::string output = fuzz::scratchPath(std::string("output.") + c.pick(kOutputs));

    void* job = apiMediaConvertCreate();
    const int opened = apiMediaConvertSetInputMedia(job, input.c_str());
    fuzz::trace("input", opened);
    if (opened >= 1) {
        probe(job);
        setUp(job, c);
        const int set = apiMediaConvertSetOutputPath(job, output.c_str());
        fuzz::trace(output.c_str(), set);
        if (set >= 1) {
            fuzz::trace("start", apiMediaConvertStart(job));
            fuzz::trace("progress", apiMediaConvertGetProgress(job));
        }
    }
    apiMediaConvertClose(job);
    fuzz::scratchPath(output); // removes what the job left
    return 0;
}
