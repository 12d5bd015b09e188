// The aspects of an edit, one bit each: what a change of the edit state or of a tool's
// contribution touched, and so what the preview must be given again.
#pragma once

namespace edit {

enum Aspect : unsigned {
    Trim = 1u << 0,     // the range and the keep/delete mode
    Crop = 1u << 1,     // the crop rectangle
    Turn = 1u << 2,     // quarter turns and mirrors
    Adjust = 1u << 3,   // sound level, brightness, contrast, saturation
    Effects = 1u << 4,  // image effects
    Marks = 1u << 5,    // watermarks (the watermark tool's)
    Subtitle = 1u << 6, // the subtitle file and style
    Sound = 1u << 7,    // the sound stream, the level of the file's own sound, leaving it out
    Music = 1u << 8,    // the background tracks
    All = (1u << 9) - 1,
};

} // namespace edit
