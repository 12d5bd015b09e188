// The editor's watermarks (WaterParam rows) as the fixed records the preview player and the
// engine take, and the subtitle style as its record.
//
// Rectangles: a mark's waterPercentClipRect holds fractions of the displayed picture with the
// origin at the bottom-left; the records count pixels from the top-left. Text marks are drawn
// into pictures of their rectangle at the picture's pixel size (TextPictureCache), so preview
// and export lay the same pixels over the video, shaped by Qt in any script.
//
// Main thread only.
#pragma once

#include "mediacore/MediaRecords.h"
#include "platform/Geometry.h"

#include <QColor>
#include <QSizeF>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class LxMoviePlayer;
class SubtitleParam;
class TextPictureCache;
class WaterParam;

namespace overlays {

using WaterList = std::vector<std::shared_ptr<WaterParam>>;

struct MarkRecords {
    std::vector<IMAGE_WATERMARK_PARAM> images;
    std::vector<VIDEO_WATERMARK_PARAM> videos;
    std::vector<TEXT_WATERMARK_PARAM> texts;
    bool empty() const { return images.empty() && videos.empty() && texts.empty(); }
};

// Fractions (origin bottom-left) to pixels of a W x H picture (origin top-left), truncated.
RECT pictureRect(const NSRect& fraction, QSizeF picture);
// Display range in microseconds: start, and start + duration.
int64_t startUs(const WaterParam& mark);
int64_t endUs(const WaterParam& mark);
// The font size in picture pixels of a mark sized on an overlay `overlayWidth` points wide.
int textPixelSize(const WaterParam& mark, QSizeF picture, double overlayWidth);

IMAGE_WATERMARK_PARAM imageRecord(const WaterParam& mark, const QString& path, QSizeF picture);
VIDEO_WATERMARK_PARAM videoRecord(const WaterParam& mark, QSizeF picture);
TEXT_WATERMARK_PARAM textRecord(const WaterParam& mark, QSizeF picture, double overlayWidth);

// The records of every checked row in list order, except row `skipRow` (the one the overlay
// view shows while it is edited; -1 = none). A text row becomes a picture of the cache; with
// no cache it stays a text record. False, with *error naming the mark, when a text picture
// cannot be written; rows that make no record (no path, no text) are left out.
bool buildMarkRecords(const WaterList& list, QSizeF picture, double overlayWidth, int skipRow,
                      TextPictureCache* cache, MarkRecords* out, QString* error);

// True when both hold the same records in the same order.
bool sameRecords(const MarkRecords& a, const MarkRecords& b);
// Replaces the player's marks with these; the number the player refused.
int sendToPlayer(LxMoviePlayer& player, const MarkRecords& records);
// Adds the marks to a convert job; 1, or the first refusal's result (< 1).
int addToConvert(void* job, const MarkRecords& records);

// The subtitle record of a style (an empty path when it has no subtitle file); the preview
// and the export both send this one.
SUBTITLE_PARAM subtitleRecord(const SubtitleParam& style);
// The colour word of a subtitle colour. A colour that cannot be read is drawn white, the
// colour a new style starts with, so the preview and the export never disagree on it.
uint32_t subtitleColourWord(const QColor& colour);

} // namespace overlays
