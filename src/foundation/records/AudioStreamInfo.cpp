#include "foundation/records/AudioStreamInfo.h"

#include "platform/Log.h"

AudioStreamInfo::~AudioStreamInfo() {
    qCDebug(lcRecords, "%s", "AudioStreamInfo::~AudioStreamInfo");
}

std::shared_ptr<AudioStreamInfo> AudioStreamInfo::fromEngine(const MEDIA_AUDIO_STREAM_INFO& info) {
    auto s = std::make_shared<AudioStreamInfo>();
    s->channel = info.channel;
    s->bitrate = info.bitrate;
    s->fmt = info.fmt;
    s->exist = info.exist;
    s->sample = info.samplerate;
    s->index = info.index;
    // Text fields are never null: an empty field reads as the empty string.
    auto text = [](const std::string& t) {
        return t.empty() ? QString("") : QString::fromUtf8(t.data(), qsizetype(t.size()));
    };
    s->lang = text(mediarecords::readText(info.lang));
    s->title = text(mediarecords::readText(info.title));
    s->psect = text(mediarecords::readText(info.apsect));
    s->codec = text(mediarecords::readText(info.codec));
    return s;
}
