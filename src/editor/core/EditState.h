// The per-file edit state of the editor: what its tools change while the user works. Tools
// change it only through the setters below, which keep its rules (a trim range in
// microseconds, never negative; the crop kept once, in picture pixels, with the margins the
// engine takes worked out from it; effect ids without duplicates in ascending order; a turn
// carries the crop and the subtitle along) and announce which aspect changed, so that the
// window can show it in the preview at once. It travels into the open file's record
// (SimpleData) when a file has been opened and when an export starts, and is read back from
// the record after a file is opened.
#pragma once

#include "editor/core/EditAspect.h"
#include "editor/picture/PictureGeometry.h"
#include "mediacore/MediaRecords.h"
#include "platform/Geometry.h"

#include <QSizeF>
#include <functional>
#include <memory>
#include <vector>

class SimpleData;
class SubtitleParam;

class EditState {
public:
    EditState();
    ~EditState();
    EditState(const EditState&) = delete;
    EditState& operator=(const EditState&) = delete;

    // Called after each change with the aspects it touched (edit::Aspect bits).
    std::function<void(unsigned aspects)> changed;

    // Trim: microseconds; a stop of 0 runs to the end of the file.
    double cutTimeRange_start() const { return cutStart_; }
    double cutTimeRange_stop() const { return cutStop_; }
    bool isTrimFanxuan() const { return removeSection_; } // delete the section, keep the rest
    void setTrimRange(double startUs, double stopUs);
    void setRemoveSection(bool remove);

    // Crop in picture pixels as shown (origin bottom-left); empty = the whole picture. The
    // margins are the engine's: even numbers of pixels cut off each edge.
    const NSRect& editVideoClipRect() const { return crop_; }
    const RECT& convertCropSize() const { return margins_; }
    // Keeps `pixels` inside a picture of `picture` size; the whole picture is no crop.
    void setCrop(const NSRect& pixels, QSizeF picture);
    void clearCrop();
    bool keepAspectratio() const { return keepAspect_; }
    void setKeepAspectratio(bool keep) { keepAspect_ = keep; }

    // Turns and mirrors: the user's quarter turns in degrees (0, 90, 180, 270) and mirrors.
    int playerRotateAngle() const { return angle_; }
    int hFlip() const { return hFlip_; }
    int vFlip() const { return vFlip_; }
    // One turn or mirror of a picture of `before` size (as shown); the crop and the subtitle
    // stay on the same part of the picture. False when it changes nothing (no turn left).
    bool turn(picture::Turn turn, QSizeF before);
    // Sets the turns as they are, moving nothing along (a file's starting values).
    void setTurns(int angle, int hFlip, int vFlip);

    // Sound level and picture adjustment.
    double volume() const { return volume_; }      // gain, 1.0 = the file's own level
    int brightness() const { return brightness_; } // -255..255
    int contrast() const { return contrast_; }     // -100..100
    int saturation() const { return saturation_; } // -100..100
    void setVolume(double gain);
    void setAdjustment(int brightness, int contrast, int saturation);

    // Image effects: ids, ascending, no duplicates.
    const std::vector<int>& selectedEffectTypeIndexs() const { return effects_; }
    void setEffect(int id, bool on);
    void clearEffects();

    // The subtitle file and its style (never null).
    const SubtitleParam& subtitle() const { return *subtitle_; }
    void editSubtitle(const std::function<void(SubtitleParam&)>& edit);
    void setSubtitle(std::shared_ptr<SubtitleParam> style);

    // The row chosen in the sound-stream menu (entry of the record's playable streams).
    int audioStreamPosition() const { return audioStream_; }
    void setAudioStreamPosition(int position);

    // Writes every field above into the record (the cut range in whole microseconds, never
    // negative; the subtitle style as a copy of its own).
    void writeInto(SimpleData& record) const;
    // Takes every field above from the record (the subtitle style as a copy).
    void readFrom(const SimpleData& record);

    // The picture size of the record's source as shown: width and height exchanged when the
    // file's own display rotation plus the user's turns it sideways (90 or 270 degrees).
    static QSizeF getVideoSizeForTrack(const SimpleData& record, int rotateAngle);

private:
    void announce(unsigned aspects) const;

    double cutStart_ = 0;
    double cutStop_ = 0;
    bool removeSection_ = false;
    NSRect crop_;
    RECT margins_{0, 0, 0, 0};
    bool keepAspect_ = false;
    int angle_ = 0;
    int hFlip_ = 0;
    int vFlip_ = 0;
    double volume_ = 1.0;
    int brightness_ = 0;
    int contrast_ = 0;
    int saturation_ = 0;
    std::vector<int> effects_;
    std::shared_ptr<SubtitleParam> subtitle_;
    int audioStream_ = 0;
};
