// Everything the user set that changes what the preview shows or sounds like. The GUI thread
// edits it under the player's lock; the decoder threads take copies.
#pragma once

#include "MediaRecords.h"

#include <cstdint>
#include <string>
#include <vector>

struct MusicTrack {
    std::string path;
    int64_t startUs = 0, endUs = 0;                 // within the music file
    int64_t timelineStartUs = 0, timelineEndUs = 0; // on the video
    int64_t fadeInUs = 0, fadeOutUs = 0;
    double factor = 1.0;
};

struct PreviewSettings {
    // Picture; `pictureVersion` changes with every picture setting so that graphs rebuild.
    uint64_t pictureVersion = 1;
    int rotate = 0; // clockwise degrees on top of the file's own rotation
    int hflip = 0, vflip = 0;
    int brightness = 0, contrast = 0, saturation = 0;
    std::vector<int> effects;
    std::vector<IMAGE_WATERMARK_PARAM> imageMarks;
    std::vector<VIDEO_WATERMARK_PARAM> videoMarks;
    std::vector<TEXT_WATERMARK_PARAM> textMarks;
    SUBTITLE_PARAM subtitle{};
    DRAW_TEXT_CALLBACK drawText = nullptr;
    LOAD_IMAGE_CALLBACK loadImage = nullptr;

    // Sound; `soundVersion` changes with the music list.
    uint64_t soundVersion = 1;
    double volume = 1.0;
    double mainVolume = 1.0;
    bool mainDisabled = false;
    std::vector<MusicTrack> music;
};
