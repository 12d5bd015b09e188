// Everything the user set that changes what the preview shows or sounds like: the shared
// filter settings of libs/mediafx plus what only the player needs. The GUI thread edits it
// under the player's lock; the decoder threads take copies.
#pragma once

#include "FxSettings.h"
#include "mediacore/MediaRecords.h"

#include <cstdint>

struct PreviewSettings {
    // Each change bumps its version so that the graphs rebuild.
    uint64_t pictureVersion = 1;
    uint64_t soundVersion = 1;
    // `fx.rotation` is the user's turn; the player adds the file's own display rotation, as the
    // export does. `fx.volume` is the preview gain (0..2).
    mediafx::FxSettings fx;
    double mainVolume = 1.0; // the file's own sound under added music, 0..1
    DRAW_TEXT_CALLBACK drawText = nullptr;
    LOAD_IMAGE_CALLBACK loadImage = nullptr;
};
