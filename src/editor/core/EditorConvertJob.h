// One convert pass of the editor's export: the open file with everything the user set (output
// format, sound stream and levels, subtitle, effects, picture adjustment, crop, mirrors and
// rotation, background music) over one range of the file, written to one path.
//
// The settings go to the engine in one fixed order, format first and output path last. A
// pass that changes neither the format nor the picture or sound leaves the engine free to cut
// on the requested frames by copying whole groups of pictures and re-encoding only the edges.
//
// The pass is an engine convert job of the kit (EngineConvert), which owns the handle; it is
// set up on the main thread and run as any engine job (see EngineJob).
#pragma once

#include "editor/core/EditRecipe.h"
#include "editor/core/EditorOutputChoices.h"
#include "editor/overlays/WaterMarkRecords.h"
#include "tools/shared/EngineConvert.h"

#include <cstdint>
#include <memory>
#include <vector>

class SimpleData;

class EditorConvertJob {
public:
    // What the window adds to the record for an export.
    struct Settings {
        std::shared_ptr<const SimpleData> record; // the committed edit state; never null
        EditorOutputChoices choices;              // the stored output format
        int customWidth = 0;                      // "resolutionSelectCustom-Width", 0 = not set
        int customHeight = 0;                     // "resolutionSelectCustom-Height"
        int audioStreamPosition = 0;              // the row chosen in the sound-stream menu
        double originalSoundLevel = 1.0;          // 0..1, the music panel's level of the file's own sound
        std::vector<MusicTrack> music;            // the chosen background tracks, placed
        bool removeOriginalSound = false;
        overlays::MarkRecords watermarks; // the checked watermarks, in picture pixels
    };
    // An end of 0 runs to the end of the file.
    using Range = EngineConvert::Range;

    // Which setting the engine refused when the set-up fails; the window names it.
    enum class Refused { None, Input, Subtitle, Effect, Range, Music, Output, Watermark };

    // Creates and configures the pass. On failure returns null, closes what it created, sets
    // *error to the engine's result (0 when the engine gave no handle) and *refused.
    static std::unique_ptr<EngineConvert> create(const Settings& settings, Range range, const QString& output,
                                                 int* error, Refused* refused = nullptr);

    // True when the settings change nothing of the format, picture or sound: the pass is a
    // plain cut that keeps the source as it is.
    static bool isPlainCut(const Settings& settings);
    // The frame size the stored format asks for; {0, 0} keeps the source's.
    static std::pair<int, int> chosenFrameSize(const Settings& settings);
    // The level of the file's own sound handed to the engine (0..2).
    static double mainAudioVolume(const Settings& settings);

    // The recipe of a pass: the committed record and what the window added to it.
    static EditRecipe recipe(const Settings& settings);

private:
    EditorConvertJob() = delete;
    class Receiver;
    // The output format on the job's handle.
    static void setFormat(void* job, const Settings& settings);
    // Everything but the format, the input and the output, through the one convert applier.
    static int applyRecipe(void* job, const Settings& settings, Range range, bool plain, Refused* refused);
};
