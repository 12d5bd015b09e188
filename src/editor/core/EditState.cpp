#include "editor/core/EditState.h"

#include "foundation/records/SimpleData.h"
#include "foundation/records/SubtitleParam.h"

#include <algorithm>
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

double stateTime(double microseconds) {
    return std::isfinite(microseconds) && microseconds > 0 ? microseconds : 0;
}

} // namespace

EditState::EditState() : subtitle_(std::make_shared<SubtitleParam>()) {}

EditState::~EditState() = default;

void EditState::announce(unsigned aspects) const {
    if (changed)
        changed(aspects);
}

void EditState::setTrimRange(double startUs, double stopUs) {
    cutStart_ = stateTime(startUs);
    cutStop_ = stateTime(stopUs);
    announce(edit::Trim);
}

void EditState::setRemoveSection(bool remove) {
    removeSection_ = remove;
    announce(edit::Trim);
}

void EditState::setCrop(const NSRect& pixels, QSizeF picture) {
    const NSRect c = picture::clampCrop(pixels, picture);
    const bool whole = c.x <= 0 && c.y <= 0 && c.width >= picture.width() && c.height >= picture.height();
    crop_ = whole ? NSRect{} : c;
    margins_ = whole ? RECT{0, 0, 0, 0} : picture::cropMargins(c, picture);
    announce(edit::Crop);
}

void EditState::clearCrop() {
    crop_ = NSRect{};
    margins_ = RECT{0, 0, 0, 0};
    announce(edit::Crop);
}

bool EditState::turn(picture::Turn turn, QSizeF before) {
    const bool quarter = turn == picture::Turn::Left || turn == picture::Turn::Right;
    const int angle = quarter ? picture::stepRotation(angle_, turn == picture::Turn::Right) : angle_;
    if (quarter && angle == angle_)
        return false;
    unsigned aspects = edit::Turn;
    if (!before.isEmpty()) {
        if (!crop_.isEmpty()) {
            crop_ = picture::turnRect(crop_, before, turn);
            margins_ = picture::cropMargins(crop_, picture::turnedSize(before, turn));
            aspects |= edit::Crop;
        }
        picture::turnSubtitle(*subtitle_, before, turn);
        aspects |= edit::Subtitle;
    }
    if (quarter)
        angle_ = angle;
    else
        picture::toggleMirror(angle_, turn == picture::Turn::MirrorHorizontal, hFlip_, vFlip_);
    announce(aspects);
    return true;
}

void EditState::setTurns(int angle, int hFlip, int vFlip) {
    angle_ = angle;
    hFlip_ = hFlip;
    vFlip_ = vFlip;
    announce(edit::Turn);
}

void EditState::setVolume(double gain) {
    volume_ = std::isfinite(gain) ? std::clamp(gain, 0.0, 2.0) : 1.0;
    announce(edit::Adjust);
}

void EditState::setAdjustment(int brightness, int contrast, int saturation) {
    brightness_ = std::clamp(brightness, -255, 255);
    contrast_ = std::clamp(contrast, -100, 100);
    saturation_ = std::clamp(saturation, -100, 100);
    announce(edit::Adjust);
}

void EditState::setEffect(int id, bool on) {
    const auto at = std::lower_bound(effects_.begin(), effects_.end(), id);
    const bool present = at != effects_.end() && *at == id;
    if (on == present)
        return;
    if (on)
        effects_.insert(at, id);
    else
        effects_.erase(at);
    announce(edit::Effects);
}

void EditState::clearEffects() {
    effects_.clear();
    announce(edit::Effects);
}

void EditState::editSubtitle(const std::function<void(SubtitleParam&)>& edit) {
    edit(*subtitle_);
    announce(edit::Subtitle);
}

void EditState::setSubtitle(std::shared_ptr<SubtitleParam> style) {
    subtitle_ = style ? std::move(style) : std::make_shared<SubtitleParam>();
    announce(edit::Subtitle);
}

void EditState::setAudioStreamPosition(int position) {
    audioStream_ = std::max(0, position);
    announce(edit::Music);
}

void EditState::writeInto(SimpleData& record) const {
    record.cutTimeRange_start = recordTime(cutStart_);
    record.cutTimeRange_stop = recordTime(cutStop_);
    record.clipRect = crop_;
    record.convertCropSize = margins_;
    record.convertRateAngle = angle_;
    record.keepAspectratio = keepAspect_;
    record.brightness = brightness_;
    record.contrast = contrast_;
    record.saturation = saturation_;
    record.volume = volume_;
    record.vFlip = vFlip_;
    record.hFlip = hFlip_;
    record.effectTypes = effects_;
    record.subtitleParam = subtitle_->mutableCopy();
    record.isTrimFanxuan = removeSection_;
}

void EditState::readFrom(const SimpleData& record) {
    cutStart_ = stateTime(double(record.cutTimeRange_start));
    cutStop_ = stateTime(double(record.cutTimeRange_stop));
    crop_ = record.clipRect;
    margins_ = crop_.isEmpty() ? RECT{0, 0, 0, 0} : record.convertCropSize;
    angle_ = record.convertRateAngle;
    keepAspect_ = record.keepAspectratio;
    brightness_ = record.brightness;
    contrast_ = record.contrast;
    saturation_ = record.saturation;
    volume_ = record.volume;
    vFlip_ = record.vFlip;
    hFlip_ = record.hFlip;
    effects_ = record.effectTypes;
    std::sort(effects_.begin(), effects_.end());
    effects_.erase(std::unique(effects_.begin(), effects_.end()), effects_.end());
    subtitle_ = record.subtitleParam->mutableCopy();
    removeSection_ = record.isTrimFanxuan;
    announce(edit::All);
}

QSizeF EditState::getVideoSizeForTrack(const SimpleData& record, int rotateAngle) {
    const FileData& s = *record.sourceData;
    // The file's own display rotation turns the picture before the user's turn does.
    int turned = (s.angle + rotateAngle) % 360;
    turned = turned < 0 ? turned + 360 : turned;
    const bool sideways = turned == 90 || turned == 270;
    return sideways ? QSizeF(s.height, s.width) : QSizeF(s.width, s.height);
}
