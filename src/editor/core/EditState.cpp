#include "editor/core/EditState.h"

#include "foundation/records/SimpleData.h"
#include "foundation/records/SubtitleParam.h"

#include <cmath>
#include <cstdint>

namespace {

// Microseconds as the record keeps them: whole, never negative, and never a cast of a value
// that is not a number.
int64_t recordTime(double microseconds) {
    if (!std::isfinite(microseconds) || microseconds <= 0)
        return 0;
    return microseconds >= 9.2e18 ? INT64_MAX : static_cast<int64_t>(microseconds);
}

} // namespace

EditState::EditState() : subtitleParam(std::make_shared<SubtitleParam>()) {}

EditState::~EditState() = default;

void EditState::writeInto(SimpleData& record) const {
    record.cutTimeRange_start = recordTime(cutTimeRange_start);
    record.cutTimeRange_stop = recordTime(cutTimeRange_stop);
    record.clipRect = editVideoClipRect;
    record.convertCropSize = convertCropSize;
    record.convertRateAngle = playerRotateAngle;
    record.keepAspectratio = keepAspectratio;
    record.brightness = brightness;
    record.contrast = contrast;
    record.saturation = saturation;
    record.volume = volume;
    record.vFlip = vFlip;
    record.hFlip = hFlip;
    record.effectTypes = selectedEffectTypeIndexs;
    record.subtitleParam = subtitleParam->mutableCopy();
    record.isTrimFanxuan = isTrimFanxuan;
}

void EditState::readFrom(const SimpleData& record) {
    cutTimeRange_start = double(record.cutTimeRange_start);
    cutTimeRange_stop = double(record.cutTimeRange_stop);
    editVideoClipRect = record.clipRect;
    convertCropSize = record.convertCropSize;
    playerRotateAngle = record.convertRateAngle;
    keepAspectratio = record.keepAspectratio;
    brightness = record.brightness;
    contrast = record.contrast;
    saturation = record.saturation;
    volume = record.volume;
    vFlip = record.vFlip;
    hFlip = record.hFlip;
    selectedEffectTypeIndexs = record.effectTypes;
    subtitleParam = record.subtitleParam->mutableCopy();
    isTrimFanxuan = record.isTrimFanxuan;
}

QSizeF EditState::getVideoSizeForTrack(const SimpleData& record, int rotateAngle) {
    const FileData& s = *record.sourceData;
    // The file's own display rotation turns the picture before the user's turn does.
    int turned = (s.angle + rotateAngle) % 360;
    turned = turned < 0 ? turned + 360 : turned;
    const bool sideways = turned == 90 || turned == 270;
    return sideways ? QSizeF(s.height, s.width) : QSizeF(s.width, s.height);
}
