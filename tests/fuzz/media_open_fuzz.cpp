// A media file of arbitrary bytes opened, probed and snapshot as the tool windows do.
// Control bytes: the file's extension, the snapshot size and the snapshot time.
#include "FuzzSupport.h"

#include "mediacore/MediaCore.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const bool quiet = (fuzz::quietLog(), true);
    (void)quiet;
    fuzz::Controls c(data, size, 4);
    const std::string name = std::string("input.") + c.pick(fuzz::kInputExtensions);
    const std::string path = fuzz::writeScratch(name, data, size);
    const int width = 1 + c.next() % 64;
    const int height = 1 + c.next() % 48;
    const int timeByte = c.next();

    void* media = MediaOpen(path.c_str());
    if (!media)
        return 0;
    MEDIA_AUDIO_STREAM_INFO audio{};
    MEDIA_VIDEO_STREAM_INFO video{};
    MediaGetInfo(media, &audio, &video);
    MediaGetInfo(media, nullptr, nullptr);
    const int64_t duration = MediaGetDuration(media);
    std::vector<unsigned char> buffer(std::size_t(width) * height * 4);
    MediaSnapshot(media, 0, width, height, buffer.data(), 0);
    // A time inside the clip (by a fraction of its length), or one far past its end.
    const int64_t at = timeByte == 255 ? INT64_MAX / 2 : duration / 255 * timeByte;
    MediaSnapshot(media, at, width, height, buffer.data(), 0);
    MediaClose(media);
    return 0;
}
