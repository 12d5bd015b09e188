// The picture tools' arithmetic, free of widgets: the crop rectangle in picture pixels and
// its margins for the engine, the quarter-turn and mirror steps, and how a turn or a mirror
// carries the crop and the overlays along so that they stay on the same part of the picture.
//
// Rectangles are in the picture's own pixels (or fractions of it) with the origin at the
// bottom-left corner and y upward. "Turn right" is a quarter turn clockwise as the user sees it.
#pragma once

#include "mediacore/MediaRecords.h"
#include "platform/Geometry.h"

#include <QSizeF>
#include <memory>
#include <vector>

class SubtitleParam;
class WaterParam;

namespace picture {

enum class Turn { Left, Right, MirrorHorizontal, MirrorVertical };

// The rotation after one step left or right: 0, 90, 180, 270 (360 counts as 0); any other
// angle stays as it is.
int stepRotation(int angle, bool right);

// Mirrors act on the decoded picture before it is turned, so at a quarter turn the mirror the
// user sees horizontally is the picture's vertical one. Inverts the flag that `horizontal` (as
// seen) means at `angle`.
void toggleMirror(int angle, bool horizontal, int& hFlip, int& vFlip);

// The picture's size after a turn (mirrors keep it).
QSizeF turnedSize(QSizeF size, Turn turn);
// Where rectangle r of a picture of `size` lies after the turn, in the turned picture.
NSRect turnRect(const NSRect& r, QSizeF size, Turn turn);

// The crop rectangle kept inside the picture: each side at least minSide (or the picture's
// own side when smaller), at most the picture's; the origin moved in so nothing passes an edge.
NSRect clampCrop(const NSRect& r, QSizeF size, double minSide = 2);
// The crop margins handed to the player and the engine: left, top, right, bottom in pixels
// of the picture as shown, each even (rounded down) and never negative.
RECT cropMargins(const NSRect& r, QSizeF size);
bool isWholePicture(const RECT& m);

// Carries overlays along a turn of a picture of `size` (before the turn). A watermark's
// rectangle in fractions follows the picture; its rectangle in points is recomputed for an
// overlay of `overlaySize` (after the turn) when that is known. A subtitle stays upright at
// the bottom: its distance from the bottom edge keeps its share of the picture's height.
void turnWatermark(WaterParam& mark, QSizeF size, Turn turn, QSizeF overlaySize = {});
void turnWatermarks(const std::vector<std::shared_ptr<WaterParam>>& marks, QSizeF size, Turn turn,
                    QSizeF overlaySize = {});
void turnSubtitle(SubtitleParam& subtitle, QSizeF size, Turn turn);

} // namespace picture
