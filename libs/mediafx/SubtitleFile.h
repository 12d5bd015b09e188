// What a subtitle file may ask of the renderer. The subtitle renderer reads the whole file into
// memory, lays out each line as one piece and draws every glyph with the size, outline and
// blur the file asks for: a huge file, a line of megabytes or a style with a font taller than
// the picture or a blur of thousands of pixels takes minutes and gigabytes. So:
//
// - a file over kMaxBytes is refused (AVERROR(EFBIG)), and so is one with a subtitle (one
//   cue of an .srt, one event of an .ass) of more than kMaxCueBytes of text
//   (AVERROR(EMSGSIZE));
// - an .ass or .ssa file is drawn from a copy whose font sizes are at most the script's
//   picture height and whose outlines, shadows and blurs are at most a twentieth of it (the
//   script's sizes are scaled to the picture, so these bounds hold against the picture's
//   size), with scales of at most 200 %. A file that asks for nothing beyond the bounds is
//   drawn as it is.
//
// Threading: safe from any thread (the copies are kept in one locked table and removed when
// the process ends).
#pragma once

#include <cstdint>
#include <string>

namespace mediafx {

constexpr int64_t kMaxSubtitleBytes = int64_t{8} * 1024 * 1024;
constexpr size_t kMaxCueBytes = size_t{16} * 1024;

// 0 when the file may be drawn, else the reason as a negative error value (EFBIG, EMSGSIZE,
// or the file's own read error).
int checkSubtitleFile(const std::string& path);

// Whether `path` names an .ass or .ssa script (by its extension, in any case).
bool isAssName(const std::string& path);

// The text of an .ass/.ssa script with its styles and override tags held to the bounds.
std::string boundedAssScript(const std::string& script);

// The path to draw a subtitle file from: a bounded copy of an .ass/.ssa file that needs one,
// else the file itself.
std::string drawablePath(const std::string& path);

} // namespace mediafx
