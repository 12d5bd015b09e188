// The text-drawing and picture-loading functions that the editor hands to the media engine
// (text marks of an export) and to its preview player (text and picture marks). One drawing
// function serves both, so that the preview shows the text exactly as the export writes it.
//
// Threads: the engine and the player call these on threads of their own, possibly at the same
// time. They read only their arguments and write only the buffer and the out-pointers they
// are given; a QGuiApplication must exist (fonts).
#pragma once

#include "mediacore/MediaRecords.h"

// Draws param.text into `buffer` (width x height pixels of RGBA8888 premultiplied, rows of
// width * 4 bytes, top row first), over what the buffer holds. The text is laid out and shaped
// by Qt, so every script draws, right-to-left ones in their reading order, and characters the
// named font lacks come from a fallback font. The baseline starts at (rect.left, rect.top)
// counted from the bottom-left corner of the picture. Font: szFontName at fontsize pixels (the
// interface font names map to the desktop's font). Colour word: red in bits 8-15, green 16-23,
// blue 24-31; transparence is percent transparent (0 opaque, 100 nothing drawn). Text that is
// not valid UTF-8, an empty text or a size <= 0 draws nothing.
void drawTextCallback(int width, int height, unsigned char* buffer, TEXT_WATERMARK_PARAM param);

// The player draws its text marks with the very same function.
inline constexpr DRAW_TEXT_CALLBACK playerDrawTextCallback = drawTextCallback;

// Loads the picture at `path` (UTF-8). With a null buffer: writes its size in pixels to each
// non-null out-pointer and returns 1. Otherwise writes width * height * 4 bytes of RGBA8888
// premultiplied, rows top first, when that fits in bufferSize, and returns 1; the
// out-pointers are not written on this path. Returns 0, writing nothing, for a null path, a
// file that is no readable picture, a picture above kMaxPictureSide on a side, or a buffer
// that is too small. The orientation stored in a photo is applied.
int playerLoadImageCallback(const char* path, int* width, int* height, int bufferSize, unsigned char* buffer);

inline constexpr int kMaxPictureSide = 16384;
