// Options of the libass `subtitles` filter for one SUBTITLE_PARAM: .ass and .ssa files keep
// their own styles; other files (.srt) get the chosen font, size, colour, shadow and position.
//
// `position` is the distance in pixels from the bottom of the picture to the bottom of the
// text (-1 = the default place near the bottom). Threading: no shared state.
#pragma once

#include <cstdint>
#include <string>

#include "mediacore/MediaRecords.h"

namespace mediafx {

struct SubtitleOptions {
    std::string filename;
    std::string forceStyle; // empty = the file's own styles
    std::string fontsDir;   // empty = system fonts only
};

SubtitleOptions subtitleOptions(const SUBTITLE_PARAM& param, int width, int height);

// The face of a font file: its family name ("" when it cannot be read) and its style.
struct FontFace {
    std::string family;
    bool bold = false;
    bool italic = false;
};
FontFace fontFace(const std::string& fontFile);
// Family name of a font file ("" when it cannot be read).
std::string fontFamily(const std::string& fontFile);

// A program colour word (red in bits 24-31) as an ASS colour "&H00BBGGRR".
std::string assColour(uint32_t word);

} // namespace mediafx
