// The C interface of libMediaCore, the media engine: media files (probe, duration,
// snapshot), convert jobs and join jobs.
//
// Conventions shared by every function:
// - Handles are opaque pointers, null on failure. Every function accepts a null handle and
//   then fails cleanly (a negative result, 0 for ids and durations).
// - Paths and names are NUL-terminated UTF-8. Times are 64-bit microseconds. Bit rates are
//   kbit/s. Records are the fixed layouts of MediaRecords.h.
// - Convert set-up and Start: a result of 1 or more is success, below 1 a failure.
//   Join set-up: 1 or more is success. Join Start fails only with a negative value.
// - Start blocks on the caller's thread until the job ends. Stop, GetProgress may be called
//   from another thread while Start runs; Start then returns promptly. Close only after Start
//   has returned (or was never called).
// - A job writes only its output path; the output must not exist yet (the engine never
//   overwrites a file). A stopped or failed job removes the file it created. Start after Stop
//   returns success (convert 1, join 0): callers tell a cancel by their own flag.
// - Every failure is logged with FFmpeg's error text. A failure is FFmpeg's (negative) error
//   value, or one of the engine's own below, made as FFmpeg makes its tagged values so that
//   it meets none of them.
#pragma once

#include <cstdint>

#include "mediacore/MediaRecords.h"

extern "C" {

// A range of the source cannot be cut to the picture, and the cut is refused rather than
// written a picture off: an AVI whose pictures are stored reordered (MPEG-4 with B-frames)
// without times of their own. The whole file converts.
enum { MEDIACORE_ERROR_INEXACT_CUT = -('C' | ('U' << 8) | ('T' << 16) | ('X' << 24)) };
// A range set while a large MPEG stream was shown by its stored times, before its pictures'
// index was read, cannot be placed on the pictures: the stored times show two pictures at one
// of its ends (they went back or started again). The job writes nothing; the range set again
// on the file as it is shown now is placed.
enum { MEDIACORE_ERROR_RANGE_UNPLACED = -('R' | ('N' << 8) | ('G' << 16) | ('X' << 24)) };

// ---- Media files ----------------------------------------------------------------------

// Opens a media file for probing and snapshots; null when it is not readable media.
void* MediaOpen(const char* path);
// Fills the records of the first audio and the first video stream (cover pictures are not a
// video stream). A missing stream leaves its record zeroed (exist 0). Either pointer may be
// null. Returns 1, or a negative value on failure.
int MediaGetInfo(void* media, MEDIA_AUDIO_STREAM_INFO* audio, MEDIA_VIDEO_STREAM_INFO* video);
// Duration in microseconds; 0 when unknown or on failure.
int64_t MediaGetDuration(void* media);
// Decodes the frame shown at timeUs (0 = the first frame) with the display rotation applied,
// scales it to exactly width x height and writes width * height * 4 bytes: B, G, R, A
// premultiplied, rows top first. `reserved` is 0. Returns 1, or a negative value (the buffer
// is then left untouched).
int MediaSnapshot(void* media, int64_t timeUs, int width, int height, unsigned char* buffer, int reserved);
// Releases the handle. Returns 1 (negative for a null handle).
int MediaClose(void* media);
// With a non-zero `stop`, every reading of an MPEG stream's index ends now and none starts (the
// program is ending): an opening or a job waiting for one fails as stopped. 0 lets them run
// again. Safe to call from a signal handler.
void MediaStopReading(int stop);

// ---- Convert jobs ---------------------------------------------------------------------

void* apiMediaConvertCreate(void);
int apiMediaConvertSetInputMedia(void* job, const char* path);
// The extension names the container. Refused when it names the input or an existing file.
int apiMediaConvertSetOutputPath(void* job, const char* path);
int apiMediaConvertSetCutTime(void* job, int64_t startUs, int64_t endUs);
// The job ends at this many bytes with a complete, playable file.
int apiMediaConvertSetLimitFileSize(void* job, int64_t bytes);
// Codec by encoder name ("libx264") or codec name ("h264"); "copy" copies the source
// stream; "" or " " keeps the source codec.
int apiMediaConvertSetVcodec(void* job, const char* name);
int apiMediaConvertSetAcodec(void* job, const char* name);
int apiMediaConvertSetVideoFrameSize(void* job, int width, int height);
int apiMediaConvertSetVideoBitrate(void* job, int kbps);
int apiMediaConvertSetVideoFps(void* job, double fps);
int apiMediaConvertSetAudioBitrate(void* job, int kbps);
int apiMediaConvertSetAudioEncodeContext(void* job, int channels, int sampleRate);
// Container index of the audio stream to use (as MEDIA_AUDIO_STREAM_INFO.index).
int apiMediaConvertSetAudioIndex(void* job, int streamIndex);
// Level of the file's own sound, 0 to 2 (1 = unchanged).
int apiMediaConvertSetMaineAudioVolume(void* job, double volume);
int apiMediaConvertDisableMainAudio(void* job);
int apiMediaConvertSetSubtitle(void* job, SUBTITLE_PARAM param);
int apiMediaConvertAddImageEffect(void* job, int effectId);
// Brightness -255..255, contrast -100..100, saturation -100..100; 0 = unchanged.
int apiMediaConvertAdjustBCS(void* job, int brightness, int contrast, int saturation);
// Margins in pixels of the rotated picture, from its left, top, right and bottom sides.
int apiMediaConvertSetCropSize(void* job, RECT margins);
int apiMediaConvertHFlipStatus(void* job, int on);
int apiMediaConvertVFlipStatus(void* job, int on);
// Clockwise degrees applied to the decoded picture (the caller adds the file's own angle).
int apiMediaConvertSetRotateAngle(void* job, int degrees);
int apiMediaConvertAddImageWatermask(void* job, IMAGE_WATERMARK_PARAM param);
int apiMediaConvertAddTextWatermask(void* job, TEXT_WATERMARK_PARAM param);
int apiMediaConvertAddVideoWatermark(void* job, VIDEO_WATERMARK_PARAM param);
// Mixes [musicStartUs, musicEndUs) of a music file into [videoStartUs, videoEndUs) of the
// source timeline, repeated to fill the slot, with a volume factor and fades. 1 or a negative
// value.
int apiMediaConvertAddDubbingMusic(void* job, const char* path, int64_t musicStartUs, int64_t musicEndUs,
                                   int64_t videoStartUs, int64_t videoEndUs, double volume, int64_t fadeInUs,
                                   int64_t fadeOutUs);
// With a null buffer only *count is written; otherwise *count records are filled.
int apiMediaConvertGetAudioStreamInfo(void* job, int* count, MEDIA_AUDIO_STREAM_INFO* buffer);
int apiMediaConvertGetVideoStreamInfo(void* job, int* count, MEDIA_VIDEO_STREAM_INFO* buffer);
int64_t apiMediaConvertGetDuration(void* job);
int apiMediaConvertStart(void* job);
// The length of the output a finished job wrote, in microseconds (its last packet's end), when
// the job knows it exactly (a copied cut); 0 otherwise, and before the job has finished.
int64_t apiMediaConvertGetOutputDuration(void* job);
// 0..100, only rising, 100 when the job has finished.
int apiMediaConvertGetProgress(void* job);
int apiMediaConvertStop(void* job);
int apiMediaConvertClose(void* job);
// One text-drawing function for the whole process, called on the job's thread during Start.
void apiMediaConvertSetDrawTextCallback(DRAW_TEXT_CALLBACK callback);

// ---- Join jobs ------------------------------------------------------------------------

void* apiMediaJoinCreate(void);
int apiMediaJoinSetOutputPath(void* job, const char* path);
// Appends [startUs, endUs) of a file as the next clip (0, 0 = the whole file). Returns the
// clip id, 0 on failure.
uint64_t apiMediaJoinAddMediaClip(void* job, const char* path, uint64_t startUs, uint64_t endUs);
// Clip volume in percent (100 = unchanged, 0 to 200).
int apiMediaJoinSetAudioVolumn(void* job, uint64_t clipId, int percent);
// Transition from this clip to the next: 0 none, 1 slide left, 2 slide from the top, 3 fade.
int apiMediaJoinSetTransition(void* job, uint64_t clipId, int effect, int64_t lengthUs);
int apiMediaJoinSetAudioCodec(void* job, const char* name);
int apiMediaJoinSetVideoCodec(void* job, const char* name);
int apiMediaJoinSetAudioBitrate(void* job, int kbps);
int apiMediaJoinSetAudioEncodeContext(void* job, int channels, int sampleRate);
int apiMediaJoinSetVideoFrameSize(void* job, int width, int height);
int apiMediaJoinSetVideoFps(void* job, double fps);
int apiMediaJoinSetVideoBitrate(void* job, int kbps);
// 0 when finished or stopped, negative on failure.
int apiMediaJoinStart(void* job);
double apiMediaJoinGetProgress(void* job);
int apiMediaJoinStop(void* job);
int apiMediaJoinClose(void* job);

} // extern "C"
