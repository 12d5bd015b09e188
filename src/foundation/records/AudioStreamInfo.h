// One audio stream of the file open in the editor, in the engine's order.
#pragma once

#include "mediacore/MediaRecords.h"

#include <QString>
#include <memory>

class AudioStreamInfo {
public:
    AudioStreamInfo() = default;
    ~AudioStreamInfo();
    AudioStreamInfo(const AudioStreamInfo&) = delete;
    AudioStreamInfo& operator=(const AudioStreamInfo&) = delete;

    int channel = 0;
    int bitrate = 0; // bit/s exactly as the engine gives it
    int fmt = 0;
    int exist = 0;
    int sample = 0; // Hz
    int index = 0;  // engine stream index: what the player and the engine select by
    QString lang{""};
    QString title{""};
    QString psect{""};
    QString codec{""};

    // A record made from one of the engine's audio stream records.
    static std::shared_ptr<AudioStreamInfo> fromEngine(const MEDIA_AUDIO_STREAM_INFO& info);
};
