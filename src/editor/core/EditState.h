// The per-file edit state of the editor: what its tools change while the user works. The
// tools write it here and show it in the preview at once; it travels into the open file's
// record (SimpleData) only when a file has been opened and when an export starts, and is read
// back from the record after a file is opened.
#pragma once

#include "mediacore/MediaRecords.h"
#include "platform/Geometry.h"

#include <QSizeF>
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

    double cutTimeRange_start = 0; // microseconds
    double cutTimeRange_stop = 0;  // microseconds; 0 = to the end of the file
    bool isTrimFanxuan = false;    // delete the selected section and keep the rest
    NSRect editVideoClipRect;      // crop in picture pixels, origin bottom-left
    RECT convertCropSize{0, 0, 0, 0};
    int playerRotateAngle = 0; // degrees: 0, 90, 180 or 270
    int hFlip = 0;
    int vFlip = 0;
    bool keepAspectratio = false;
    double volume = 1.0; // gain, 1.0 = the file's own level
    int brightness = 0;  // -255..255
    int contrast = 0;    // -100..100
    int saturation = 0;  // -100..100
    std::vector<int> selectedEffectTypeIndexs;
    std::shared_ptr<SubtitleParam> subtitleParam; // never null

    // Writes every field above into the record (the cut range in whole microseconds, never
    // negative; the subtitle style as a copy of its own).
    void writeInto(SimpleData& record) const;
    // Takes every field above from the record (the subtitle style as a copy).
    void readFrom(const SimpleData& record);

    // The picture size of the record's source as shown: width and height exchanged when the
    // file's own display rotation plus the user's turns it sideways (90 or 270 degrees).
    static QSizeF getVideoSizeForTrack(const SimpleData& record, int rotateAngle);
};
