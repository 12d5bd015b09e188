// What the editor does with a choice of output format, without any widget: a profile chosen
// in the format browser, or a value changed or restored in the settings window that its gear
// opens. Each one updates the chosen values, the open file's output settings (targetData) and
// the user defaults under the editor's keys ("vcodec_SelectTitle" and its siblings), which
// the export reads again when it starts.
//
// Main thread only.
#pragma once

#include "editor/core/EditorOutputChoices.h"

#include <QString>

class SimpleData;

class EditorProfileChoice {
public:
    // A tile was chosen: reads its profile (path) into the chosen values, writes them into
    // record's output settings (null: no file open) and stores them; a value that keeps the
    // source's removes its key. "Keep Original" is known by its name and reads no file: every
    // value then keeps the source's. Tiles of the "Audio" category leave the picture values
    // as they were and write sound only: their "Keep Original" writes the source's sound into
    // a sound file of its kind (song.m4a for AAC).
    static void choose(const QString& category, const QString& item, const QString& path,
                       EditorOutputChoices& chosen, SimpleData* record);

    // The settings window stored one value (mask: 1 video codec, 2 frame size, 4 frame rate,
    // 8 video bit rate, 16 audio codec, 32 channels, 64 sample rate, 128 audio bit rate):
    // the chosen value is read back and the output settings follow. Other masks do nothing.
    static void settingChanged(long mask, EditorOutputChoices& chosen, SimpleData& record);
    // The settings window restored the profile's own values: all of them are read back.
    static void settingsRestored(EditorOutputChoices& chosen, SimpleData& record);
};
