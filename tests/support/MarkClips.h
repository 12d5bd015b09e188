// The video mark the watermark tests of the engine and of the preview share: a short clip whose
// two seconds have different colours, so a picture shows which part of the mark's file played.
#pragma once

#include "mediacore/MediaRecords.h"

#include <QString>

namespace testsupport {

// Writes a 2 s 80x60 H.264 clip at `path` (a key frame every 5 frames): one second of red, then
// one of blue. Returns `path`, or an empty string when ffmpeg fails.
QString makeRedThenBlueClip(const QString& path);

// A mark of `file` that plays its second (blue) second from 1 s to 3 s of the timeline, at
// (100,80)-(180,140) of a 320x240 picture, half transparent.
VIDEO_WATERMARK_PARAM blueSecondMark(const QString& file);

// A picture mark of `file` over `rect` from `startUs` to `endUs` of the timeline.
IMAGE_WATERMARK_PARAM pictureMark(const QString& file, RECT rect, int64_t startUs, int64_t endUs,
                                  int transparence = 0);

} // namespace testsupport
