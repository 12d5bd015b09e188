// Opening an input and describing its streams in the engine's fixed records.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "FfPointers.h"
#include "SourceIndex.h"
#include "mediacore/MediaRecords.h"

namespace mediacore {

// Opens and probes a media file (or takes an input of it kept open, see KeptInput.h). Refuses
// missing, empty and unreadable files and files without any audio or video stream. Returns 0 or
// a negative AVERROR (logged). A set `stop` ends the reading of an MPEG stream's index early
// (AVERROR_EXIT); `progress` hears how many of the file's bytes that reading has read.
// With `need` WhereStoredTimesFail (an opening that only shows the file) a large MPEG stream
// whose index is neither held nor kept is read by its stored times, and its index is read behind.
int openInput(const std::string& path, InputPtr* out, const std::atomic<bool>* stop = nullptr,
              const std::function<void(int64_t read, int64_t total)>& progress = {},
              ff::SourceIndex::Need need = ff::SourceIndex::Need::Now);

// The first video stream that is a moving picture (cover art is not), or -1.
int firstVideoStream(const AVFormatContext* format);
// The first audio stream, or -1.
int firstAudioStream(const AVFormatContext* format);

// Clockwise display rotation of a stream in degrees (0, 90, 180, 270).
int streamRotation(const AVStream* stream);
// Frame rate of a video stream (average, else the base rate, else 25).
AVRational streamFrameRate(const AVStream* stream);
// The length of one picture of a picture stream in microseconds, by its rate (0 without one).
int64_t pictureDurationUs(const AVStream* stream);

// Pixel shape of a picture stream: the container's when it gives one, else the stream's, else 1:1.
AVRational pictureAspect(const AVFormatContext* format, const AVStream* stream);

// Duration of the file in microseconds (0 when unknown).
int64_t durationUs(const AVFormatContext* format);
// Where the file's timeline begins, in microseconds of its own clock: its first picture's time
// (the file's start without pictures). Stream times are relative to it.
int64_t startTimeUs(const AVFormatContext* format);

void fillAudioInfo(const AVFormatContext* format, int index, MEDIA_AUDIO_STREAM_INFO* info);
void fillVideoInfo(const AVFormatContext* format, int index, MEDIA_VIDEO_STREAM_INFO* info);

} // namespace mediacore
