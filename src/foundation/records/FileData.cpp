#include "foundation/records/FileData.h"

#include "platform/Log.h"

#include <QFileInfo>
#include <cmath>

namespace {
QString text(const std::string& s) {
    return QString::fromUtf8(s.data(), qsizetype(s.size()));
}
} // namespace

FileData::~FileData() {
    qCDebug(lcRecords, "%s", "FileData::~FileData");
}

int FileData::wholeFps() const {
    if (!std::isfinite(fps) || fps <= 0 || fps > 1e6)
        return 0;
    return static_cast<int>(fps);
}

void FileData::setAudioStream(const MEDIA_AUDIO_STREAM_INFO& a) {
    a_fmt = a.fmt;
    a_exist = a.exist;
    a_samplerate = a.samplerate;
    a_index = a.index;
    a_channel = a.channel;
    a_bitrate = a.bitrate / 1000;
    a_codec = text(mediarecords::readText(a.codec));
    a_title = text(mediarecords::readText(a.title));
    a_lang = text(mediarecords::readText(a.lang));
    a_apsect = text(mediarecords::readText(a.apsect));
}

void FileData::setVideoStream(const MEDIA_VIDEO_STREAM_INFO& v) {
    angle = v.angle;
    width = v.width;
    height = v.height;
    aspect = v.aspect;
    exist = v.exist;
    index = v.index;
    bitrate = v.bitrate / 1000;
    // The exact rate: a join that takes this file's format must not turn 29.97 into 29.
    fps = std::isfinite(v.fps) && v.fps > 0 ? v.fps : 0.0;
    metadata_vcodec = text(mediarecords::readText(v.codec));
    metadata_vcodecTag = text(mediarecords::readText(v.codecTag));
    metadata_lang = text(mediarecords::readText(v.lang));
    metadata_title = text(mediarecords::readText(v.title));
    metadata_apsect = text(mediarecords::readText(v.apsect));
}

void FileData::fillFromProbe(FileData& data, const QString& path, int64_t durationMicroseconds,
                             const MEDIA_AUDIO_STREAM_INFO* audio, const MEDIA_VIDEO_STREAM_INFO* video) {
    const QFileInfo info(path);
    data.extension = info.suffix();
    data.fileSize = info.exists() ? static_cast<float>(static_cast<double>(info.size()) / 1000000.0) : 0.0f;
    data.duration =
        durationMicroseconds > 0 ? static_cast<float>(static_cast<double>(durationMicroseconds) / 1e6) : 0.0f;
    if (audio && audio->exist)
        data.setAudioStream(*audio);
    if (video && video->exist)
        data.setVideoStream(*video);
}
