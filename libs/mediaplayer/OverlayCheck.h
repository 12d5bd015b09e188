// Checks made when a watermark or a music track is added, so that one the preview cannot show
// or play is refused with a result of 0 instead of silently left out of the picture.
#pragma once

#include "mediacore/MediaRecords.h"

#include <string>

namespace overlaycheck {

bool imageMark(const IMAGE_WATERMARK_PARAM& m, LOAD_IMAGE_CALLBACK loader);
bool videoMark(const VIDEO_WATERMARK_PARAM& m);
bool textMark(const TEXT_WATERMARK_PARAM& m, DRAW_TEXT_CALLBACK draw);
// A file that holds a stream of the given kind (AVMEDIA_TYPE_*).
bool hasStream(const std::string& path, int mediaType);

} // namespace overlaycheck
