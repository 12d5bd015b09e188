// What an edit asks of a receiver, the preview player or a convert pass: built once from the
// edit state (or the record it was committed into) and completed by the tools' contributions
// (the watermark tool's marks, the music tool's tracks and sound choices). Two appliers hand
// it on: applyToPreview gives the player the aspects that changed, applyToConvert gives a
// convert pass everything in the engine's order. Both speak to an EditReceiver, so the
// player and the engine are given the same values for every aspect.
#pragma once

#include "editor/music/MusicPlacement.h"
#include "editor/overlays/WaterMarkRecords.h"
#include "mediacore/MediaRecords.h"

#include <QString>
#include <cstdint>
#include <vector>

class EditState;
class SimpleData;

struct MusicTrack {
    QString path;
    MusicPlacement placement;
};

struct EditRecipe {
    enum class Purpose { Preview, Export };
    Purpose purpose = Purpose::Export;

    // Trim: microseconds, a stop of 0 runs to the end; delete the section instead of keeping it.
    int64_t startUs = 0;
    int64_t stopUs = 0;
    bool removeSection = false;
    // Turn and mirror: the user's quarter turns (the file's own display rotation is the
    // receiver's), mirrors 0 or 1.
    int rotateAngle = 0;
    int hFlip = 0;
    int vFlip = 0;
    // Crop: even margins in pixels of the picture as shown; all 0 = no crop.
    RECT cropMargins{0, 0, 0, 0};
    // Sound level (gain) and picture adjustment.
    double volume = 1.0;
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    // Image effect ids, ascending.
    std::vector<int> effects;
    // Watermarks, in picture pixels.
    overlays::MarkRecords marks;
    // The subtitle record, when a subtitle file is set.
    bool hasSubtitle = false;
    SUBTITLE_PARAM subtitle{};
    // The sound stream (the container's index; -1: the file's first), the level of the
    // file's own sound under the music (0..1), leaving it out, and the background tracks.
    int audioStreamIndex = -1;
    double originalSoundLevel = 1.0;
    bool removeOriginalSound = false;
    std::vector<MusicTrack> music;

    // The record's part of a recipe: everything but the tools' contributions. The stream is
    // entry `audioStreamPosition` of the record's sound streams.
    static EditRecipe fromRecord(const SimpleData& record, int audioStreamPosition, Purpose purpose);
    // The same from the edit state, as it would be committed into `record`.
    static EditRecipe fromState(const EditState& state, const SimpleData& record, Purpose purpose);
};

// What a recipe is handed to. Calls come in the engine's order; the results of the calls that
// return one are the receiver's (>= 1: taken).
class EditReceiver {
public:
    virtual ~EditReceiver() = default;
    virtual void sound(int audioStreamIndex, double volume, double originalSoundLevel,
                       bool removeOriginalSound) = 0;
    virtual int subtitle(const SUBTITLE_PARAM* param) = 0; // null: none
    virtual int effects(const std::vector<int>& ids) = 0;
    virtual void adjust(int brightness, int contrast, int saturation) = 0;
    virtual int range(int64_t startUs, int64_t stopUs) = 0;
    virtual void crop(const RECT& margins) = 0;
    virtual void turn(int angle, int hFlip, int vFlip) = 0;
    virtual int marks(const overlays::MarkRecords& marks) = 0;
    virtual int music(const std::vector<MusicTrack>& tracks) = 0;
};

namespace editapply {

// Which setting a receiver refused.
enum class Refused { None, Subtitle, Effect, Range, Watermark, Music };

// The aspects (edit::Aspect bits) of the recipe, to the preview player's receiver.
void applyToPreview(const EditRecipe& recipe, unsigned aspects, EditReceiver& receiver);
// Everything, to a convert pass's receiver, with the pass's range; stops at the first refusal.
Refused applyToConvert(const EditRecipe& recipe, int64_t startUs, int64_t stopUs, EditReceiver& receiver,
                       int* result);

} // namespace editapply
