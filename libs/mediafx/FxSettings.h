// The picture and sound settings of one export or one preview, as plain values.
//
// Ownership: a plain value type; copy it freely. FxGraph copies what it needs when it builds,
// so a caller may change its own copy while a graph runs and rebuild afterwards.
// Threading: no shared state.
//
// Times are microseconds on the SOURCE timeline (the file's own clock, 0 = its start), as the
// program gives them. FxGraph maps them onto the frames it is given through
// FxSettings::timelineStartUs (the source time of the first frame pushed, pts 0).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "mediacore/MediaRecords.h"

namespace mediafx {

// One background-music track: [musicStartUs, musicEndUs) of the file plays into
// [videoStartUs, videoEndUs) of the source timeline, repeated when the slot is longer.
struct MusicTrack {
    std::string path;
    int64_t musicStartUs = 0;
    int64_t musicEndUs = 0;
    int64_t videoStartUs = 0;
    int64_t videoEndUs = 0;
    double volume = 1.0;
    int64_t fadeInUs = 0;
    int64_t fadeOutUs = 0;
};

struct FxSettings {
    // Picture, applied in this order: flips, rotation (clockwise degrees), effects by id,
    // brightness/contrast/saturation, watermarks, subtitle, crop.
    bool hflip = false;
    bool vflip = false;
    int rotation = 0;
    std::vector<int> effects;
    int brightness = 0; // -255..255, 0 unchanged
    int contrast = 0;   // -100..100
    int saturation = 0; // -100..100
    std::vector<IMAGE_WATERMARK_PARAM> imageMarks;
    std::vector<VIDEO_WATERMARK_PARAM> videoMarks;
    std::vector<TEXT_WATERMARK_PARAM> textMarks;
    SUBTITLE_PARAM subtitle{}; // empty path = none
    RECT crop{};               // margins of the rotated picture; all 0 = none

    // Sound: the file's own sound at `volume` (0..2), left out when `mainAudioDisabled`,
    // mixed with the music tracks.
    double volume = 1.0;
    bool mainAudioDisabled = false;
    std::vector<MusicTrack> music;

    // The source time of pts 0 of the frames pushed (the cut start of an export).
    int64_t timelineStartUs = 0;
    // Length of the pushed timeline; music and generated silence end there (0 = open).
    int64_t timelineDurationUs = 0;

    bool hasCrop() const { return crop.left > 0 || crop.top > 0 || crop.right > 0 || crop.bottom > 0; }
    // True when the picture chain changes pixels (a stream copy is then impossible).
    bool changesPicture() const;
    // True when the sound chain changes samples.
    bool changesSound() const;
};

// Rotation normalised to 0, 90, 180 or 270 (other angles go to the nearest quarter turn).
int normalisedRotation(int degrees);

// Size of the picture after flips, rotation and crop, for a decoded size.
void filteredSize(const FxSettings& settings, int width, int height, int* outWidth, int* outHeight);

} // namespace mediafx
