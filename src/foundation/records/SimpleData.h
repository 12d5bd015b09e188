// The job record of one file in a tool window: the probed source, the output settings and
// every edit the user chose for it. Owned by the tool window that probed the file.
#pragma once

#include <cmath>

#include "foundation/records/AudioStreamInfo.h"
#include "foundation/records/FileData.h"
#include "foundation/records/SubtitleParam.h"
#include "foundation/records/WaterParam.h"
#include "mediacore/MediaRecords.h"
#include "platform/Geometry.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class SimpleData {
public:
    SimpleData();
    ~SimpleData();
    SimpleData(const SimpleData&) = delete;
    SimpleData& operator=(const SimpleData&) = delete;

    bool defaultFormat = false; // this row supplies the default output format
    QImage thumbImage;
    QString name; // last path component of path
    QString path;
    std::shared_ptr<FileData> sourceData; // never null, never changed after the probe
    std::shared_ptr<FileData> targetData; // never null: the output settings
    QString exportStatues;
    int64_t cutTimeRange_start = 0;   // microseconds
    int64_t cutTimeRange_stop = 0;    // microseconds; 0 = the whole file
    NSRect clipRect;                  // crop in picture pixels, origin bottom-left
    RECT convertCropSize{0, 0, 0, 0}; // crop in video pixels
    int convertRateAngle = 0;         // degrees
    bool keepAspectratio = false;
    bool isTrimFanxuan = false; // keep everything except the cut range
    int brightness = 0;
    int contrast = 0;
    int saturation = 0;
    double volume = 1.0; // gain: 1 = unchanged, 0 = silent, up to 2
    int hFlip = 0;
    int vFlip = 0;
    std::vector<int> effectTypes;                 // indexes of the chosen picture effects
    std::shared_ptr<WaterParam> waterParam;       // never null
    std::shared_ptr<SubtitleParam> subtitleParam; // never null
    QString exportPath;
    QString exportbeforPath;  // part before the removed range (inverted trim)
    QString exportbehandPath; // part after it
    int transitionEffect = 0; // 0 none, 1 left, 2 top, 3 fade-out
    bool selected = true;
    std::vector<std::shared_ptr<AudioStreamInfo>> audioStreamInfos;

    // True when a cut range is set (a stop of 0 means the whole file).
    bool hasCutRange() const { return cutTimeRange_stop != 0; }
    // The probed length in seconds; 0 when unknown, so that it is always safe to divide by
    // after a check and never reaches an int cast as NaN.
    double sourceDuration() const {
        const double d = sourceData ? sourceData->duration : 0;
        return std::isfinite(d) && d > 0 ? d : 0;
    }

    // Sets path and name and fills sourceData and targetData alike from a probe (see
    // FileData::fillFromProbe).
    void fillFromProbe(const QString& filePath, int64_t durationMicroseconds,
                       const MEDIA_AUDIO_STREAM_INFO* audio, const MEDIA_VIDEO_STREAM_INFO* video);
};
