// One convert pass of the editor's export: the open file with everything the user set (output
// format, sound stream and levels, subtitle, effects, picture adjustment, crop, mirrors and
// rotation, background music) over one range of the file, written to one path.
//
// The settings go to the engine in one fixed order, format first and output path last. A
// pass that changes neither the format nor the picture or sound leaves the engine free to cut
// on the requested frames by copying whole groups of pictures and re-encoding only the edges.
//
// Ownership: the job owns its engine handle and closes it when destroyed. Main thread, except
// start(), which blocks on a worker thread (see EngineJob).
#pragma once

#include "editor/core/EditRecipe.h"
#include "editor/core/EditorOutputChoices.h"
#include "editor/overlays/WaterMarkRecords.h"
#include "tools/shared/EngineJob.h"

#include <cstdint>
#include <memory>
#include <vector>

class SimpleData;

class EditorConvertJob : public EngineJob {
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
    struct Range {
        int64_t startUs = 0;
        int64_t endUs = 0; // 0 = to the end of the file
    };

    // Which setting the engine refused when the set-up fails; the window names it.
    enum class Refused { None, Input, Subtitle, Effect, Range, Music, Output, Watermark };

    // Creates and configures the pass. On failure returns null, closes what it created, sets
    // *error to the engine's result (0 when the engine gave no handle) and *refused.
    static std::unique_ptr<EditorConvertJob> create(const Settings& settings, Range range,
                                                    const QString& output, int* error,
                                                    Refused* refused = nullptr);
    ~EditorConvertJob() override;

    // True when the settings change nothing of the format, picture or sound: the pass is a
    // plain cut that keeps the source as it is.
    static bool isPlainCut(const Settings& settings);
    // The frame size the stored format asks for; {0, 0} keeps the source's.
    static std::pair<int, int> chosenFrameSize(const Settings& settings);
    // The level of the file's own sound handed to the engine (0..2).
    static double mainAudioVolume(const Settings& settings);

    // The recipe of a pass: the committed record and what the window added to it.
    static EditRecipe recipe(const Settings& settings);

    int start() override;
    bool succeeded(int result) const override { return result >= 1; }
    double progress() const override;
    void stop() override;
    QString outputPath() const override { return output_; }

private:
    EditorConvertJob(void* handle, QString output) : handle_(handle), output_(std::move(output)) {}
    class Receiver;
    void setFormat(const Settings& settings);
    // Everything but the format, the input and the output, through the one convert applier.
    int applyRecipe(const Settings& settings, Range range, bool plain, Refused* refused);

    void* handle_;
    QString output_;
};
