#include "editor/core/EditRecipe.h"

#include "editor/core/EditAspect.h"
#include "editor/core/EditState.h"
#include "foundation/records/AudioStreamInfo.h"
#include "foundation/records/SimpleData.h"
#include "foundation/records/SubtitleParam.h"
#include "platform/Log.h"

#include <algorithm>

EditRecipe EditRecipe::fromRecord(const SimpleData& r, int audioStreamPosition, Purpose purpose) {
    EditRecipe e;
    e.purpose = purpose;
    e.startUs = r.cutTimeRange_start;
    e.stopUs = r.cutTimeRange_stop;
    e.removeSection = r.isTrimFanxuan;
    e.rotateAngle = r.convertRateAngle;
    e.hFlip = r.hFlip;
    e.vFlip = r.vFlip;
    e.cropMargins = r.convertCropSize;
    e.volume = r.volume;
    e.brightness = r.brightness;
    e.contrast = r.contrast;
    e.saturation = r.saturation;
    e.effects = r.effectTypes;
    if (r.subtitleParam && !r.subtitleParam->subtitlePath.isEmpty()) {
        e.hasSubtitle = true;
        e.subtitle = overlays::subtitleRecord(*r.subtitleParam);
    }
    // Without a list of the file's sound streams there is no stream to choose; the receiver
    // then takes the file's first.
    const auto& streams = r.audioStreamInfos;
    if (!streams.empty()) {
        const auto last = qsizetype(streams.size()) - 1;
        e.audioStreamIndex = streams[size_t(std::clamp<qsizetype>(audioStreamPosition, 0, last))]->index;
    }
    return e;
}

EditRecipe EditRecipe::fromState(const EditState& state, const SimpleData& record, Purpose purpose) {
    // The committed form of the state is the record's: one conversion serves both.
    SimpleData committed;
    committed.audioStreamInfos = record.audioStreamInfos;
    state.writeInto(committed);
    return fromRecord(committed, state.audioStreamPosition(), purpose);
}

namespace editapply {

void applyToPreview(const EditRecipe& e, unsigned aspects, EditReceiver& to) {
    if (aspects & (edit::Adjust | edit::Sound))
        to.sound(e.audioStreamIndex, e.volume, e.originalSoundLevel, e.removeOriginalSound);
    if (aspects & edit::Subtitle)
        to.subtitle(e.hasSubtitle ? &e.subtitle : nullptr);
    if (aspects & edit::Effects)
        to.effects(e.effects);
    if (aspects & edit::Adjust)
        to.adjust(e.brightness, e.contrast, e.saturation);
    if (aspects & edit::Trim)
        to.range(e.startUs, e.stopUs);
    if (aspects & edit::Crop)
        to.crop(e.cropMargins);
    if (aspects & edit::Turn)
        to.turn(e.rotateAngle, e.hFlip, e.vFlip);
    // The marks go as one batch, and the player's refusals are counted once, by its receiver.
    if (aspects & edit::Marks)
        to.marks(e.marks);
    if (aspects & edit::Music)
        to.music(e.music);
}

Refused applyToConvert(const EditRecipe& e, int64_t startUs, int64_t stopUs, EditReceiver& to, int* result) {
    // A subtitle, an effect, a range, a mark or a track the engine refuses fails the set-up:
    // an export never leaves out what the user asked for.
    const auto refused = [result](int r) {
        *result = r;
        return r < 1;
    };
    *result = 1;
    to.sound(e.audioStreamIndex, e.volume, e.originalSoundLevel, e.removeOriginalSound);
    if (e.hasSubtitle && refused(to.subtitle(&e.subtitle)))
        return Refused::Subtitle;
    if (refused(to.effects(e.effects)))
        return Refused::Effect;
    to.adjust(e.brightness, e.contrast, e.saturation);
    if (refused(to.range(startUs, stopUs)))
        return Refused::Range;
    to.crop(e.cropMargins);
    to.turn(e.rotateAngle, e.hFlip, e.vFlip);
    if (refused(to.marks(e.marks)))
        return Refused::Watermark;
    if (refused(to.music(e.music)))
        return Refused::Music;
    *result = 1;
    return Refused::None;
}

} // namespace editapply
