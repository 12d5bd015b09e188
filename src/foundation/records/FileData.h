// What the program knows about one media file, or the output settings derived from it.
// Plain values; the probe fills them (fillFromProbe), the output-format choice overwrites
// the output fields of a job's targetData.
#pragma once

#include "mediacore/MediaRecords.h"

#include <QString>
#include <cstdint>

class FileData {
public:
    FileData() = default;
    ~FileData();
    FileData(const FileData&) = delete;
    FileData& operator=(const FileData&) = delete;

    int angle = 0; // rotation of the video stream, degrees
    int width = 0; // pixels
    int height = 0;
    double aspect = 0;
    int bitrate = 0;    // video kbit/s
    double fps = 0;     // exact frame rate (29.97 stays 29.97); see wholeFps() for display
    int exist = 0;      // 1 when the file has a video stream
    int index = 0;      // engine index of the video stream
    float duration = 0; // seconds
    QString extension;  // container extension, no dot
    float fileSize = 0; // bytes / 1,000,000
    double a_aspect = 0;
    int a_bitrate = 0; // audio kbit/s
    int a_exist = 0;
    int a_index = 0;
    int a_channel = 0;
    int a_fmt = 0;
    int a_samplerate = 0; // Hz
    QString a_codec;
    QString a_lang;
    QString a_title;
    QString a_apsect;
    QString metadata_vcodec;
    QString metadata_vcodecTag;
    QString metadata_lang;
    QString metadata_title;
    QString metadata_apsect;

    // The frame rate as a whole number of frames per second, for labels; 0 when unknown.
    int wholeFps() const;

    // Copies the audio fields (a_...) from the engine's record of the first audio stream.
    void setAudioStream(const MEDIA_AUDIO_STREAM_INFO& audio);
    // Copies the video fields and the metadata_... fields from the first video stream record.
    void setVideoStream(const MEDIA_VIDEO_STREAM_INFO& video);

    // Fills a record as every probe does: extension from the path, size from the file system
    // (0 when unreadable), duration from the engine's microseconds, and the stream fields of
    // the records whose present word is non-zero (a missing record is passed as null). A
    // file without video keeps the video fields at 0 and null.
    static void fillFromProbe(FileData& data, const QString& path, int64_t durationMicroseconds,
                              const MEDIA_AUDIO_STREAM_INFO* audio, const MEDIA_VIDEO_STREAM_INFO* video);
};
