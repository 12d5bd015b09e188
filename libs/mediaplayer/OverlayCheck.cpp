#include "OverlayCheck.h"

#include "OverlayPictures.h"
#include "PlayerLog.h"

extern "C" {
#include <libavformat/avformat.h>
#include <libavutil/frame.h>
}

namespace overlaycheck {

bool hasStream(const std::string& path, int mediaType) {
    if (path.empty())
        return false;
    const ff::InputPtr fmt = ff::openInput(path.c_str());
    return fmt && avformat_find_stream_info(fmt.get(), nullptr) >= 0 &&
           av_find_best_stream(fmt.get(), AVMediaType(mediaType), -1, -1, nullptr, 0) >= 0;
}

bool imageMark(const IMAGE_WATERMARK_PARAM& m, LOAD_IMAGE_CALLBACK loader) {
    const int w = m.rect.right - m.rect.left, h = m.rect.bottom - m.rect.top;
    if (w <= 0 || h <= 0)
        return false;
    bool premultiplied = false;
    return mediafx::loadPicture(mediarecords::readText(m.path), w, h, loader, &premultiplied) != nullptr;
}

bool videoMark(const VIDEO_WATERMARK_PARAM& m) {
    return m.rect.right > m.rect.left && m.rect.bottom > m.rect.top && m.end_time > m.start_time &&
           hasStream(mediarecords::readText(m.path), AVMEDIA_TYPE_VIDEO);
}

bool textMark(const TEXT_WATERMARK_PARAM& m, DRAW_TEXT_CALLBACK draw) {
    // Text is drawn only through the program's callback; without one there is nothing to show.
    return draw != nullptr && m.text[0] != '\0';
}

} // namespace overlaycheck
