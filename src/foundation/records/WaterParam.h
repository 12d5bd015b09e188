// One overlay mark of the editor: a text, a picture or a video, with its style, placement
// and time range.
#pragma once

#include "platform/Geometry.h"

#include <QColor>
#include <QImage>
#include <QString>
#include <memory>

class WaterParam {
public:
    static constexpr long kTypeUnset = 1;
    static constexpr long kTypePicture = 2; // a picture, or a video when isVideo
    static constexpr long kTypeText = 4;

    WaterParam();
    ~WaterParam();
    WaterParam(const WaterParam&) = delete;
    WaterParam& operator=(const WaterParam&) = delete;

    long waterType = kTypeUnset;
    double waterAlph = 0;        // percent transparent, 0 = opaque
    NSRect waterRect;            // points of the overlay view
    NSRect waterPercentClipRect; // fractions 0..1 of the displayed video, origin bottom left
    QString waterText;
    QString waterImagePath;
    QImage waterImage;
    QString waterFontName; // the system UI font, or the Arabic one in Arabic
    QColor waterFontColor{0, 0, 255};
    float waterFontSize = 30;      // points of the overlay view
    float waterViewFrameWidth = 0; // width of the overlay view that waterRect refers to
    bool selected = false;
    bool isVideo = false;
    bool keepaspectRatio = false;
    float fileDuration = 0; // seconds of a video mark's own file
    float fileStartTime = 0;
    float fileEndTime = 0;
    float startTime = 0; // seconds of the edited video
    float duration = 0;

    // A new mark with this one's style and placement (type, transparency, rectangles, text,
    // path, font, size, colour, view width) but neither its picture, flags nor timing.
    std::shared_ptr<WaterParam> copy() const;
    std::shared_ptr<WaterParam> mutableCopy() const { return copy(); }
};
