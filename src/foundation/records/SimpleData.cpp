#include "foundation/records/SimpleData.h"

#include "platform/Log.h"

#include <QFileInfo>

SimpleData::SimpleData()
    : sourceData(std::make_shared<FileData>()), targetData(std::make_shared<FileData>()),
      waterParam(std::make_shared<WaterParam>()), subtitleParam(std::make_shared<SubtitleParam>()) {}

SimpleData::~SimpleData() {
    qCDebug(lcRecords, "%s", "SimpleData::~SimpleData");
}

void SimpleData::fillFromProbe(const QString& filePath, int64_t durationMicroseconds,
                               const MEDIA_AUDIO_STREAM_INFO* audio, const MEDIA_VIDEO_STREAM_INFO* video) {
    path = filePath;
    name = QFileInfo(filePath).fileName();
    FileData::fillFromProbe(*sourceData, filePath, durationMicroseconds, audio, video);
    FileData::fillFromProbe(*targetData, filePath, durationMicroseconds, audio, video);
}
