// Shared helpers for the tests: where the fixture clips are, a scratch folder, and the
// ffmpeg and ffprobe command lines that judge our outputs independently of our own code.
#pragma once

#include <functional>

#include <QImage>
#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <string>
#include <vector>

namespace testsupport {

// Full path of a fixture clip made by tests/media/make_fixtures.sh (h264_aac.mp4, ...).
QString media(const QString& name);

// Runs a program, returns its exit code; stdout and stderr are captured when asked.
int run(const QString& program, const QStringList& args, QByteArray* out = nullptr, QByteArray* err = nullptr,
        int timeoutMs = 120000);

// The pictures of a file's first picture stream, each scaled to kGreyWidth x kGreyHeight and
// grey (a byte a pixel), one after another, as the ffmpeg command line decodes them (read
// together with the file's errors).
constexpr int kGreyWidth = 48, kGreyHeight = 16;
QByteArray greyPictures(const QString& path);

// Writes `out` with the ffmpeg command line from `args` (inputs and options); returns `out`, or
// an empty string when ffmpeg fails.
QString makeWithFfmpeg(const QString& out, const QStringList& args);
// What the ffmpeg command line reports when it decodes the whole of a file (its first 300
// characters); empty for a clean file.
std::string decodeErrors(const QString& path);
// The same, but for ffmpeg's guesses at the untimed pictures of a program stream (.vob, .mpg): a
// picture whose start code begins in the last bytes of one PES is given the next PES's time, that
// of the picture after it. ffmpeg's own muxer writes such streams at some encoder thread counts
// and not at others; tests check those pictures by what they show.
std::string decodeErrorsBesideGuesses(const QString& path);
// `ts` (a transport or MPEG-2 program stream) with the times of its pictures' PES headers moved
// by what `to` gives for the picture's time (90 kHz ticks from the first picture's) and whether
// the first MPEG picture that starts in the PES is a keyframe (its sequence header comes first;
// HEVC's parameter sets open the PES, as x265 repeats them at each keyframe);
// where it gives -1 they become stuffing. With `sound`, the sound's PES headers after the first
// picture's are moved the same way. Written to `path`; empty on failure.
QString retimed(const QString& ts, const QString& path, const std::function<int64_t(int64_t, bool)>& to,
                bool sound = false);
// `source` as 640x360 MPEG-4 Part 2 with two B pictures in a row (groups of 25) and its sound in
// `audio`, in a program stream whose PES headers time no B picture (no time behind one before).
QString untimedBPictures(const QString& path, const QString& source, const QString& audio);
// Pictures of `mp4` from `from` s on, through the filters `vf` (null or from a comma), in H.264
// (x264 `params` from a colon) and MP2 as MPEG-TS with more `args`, its first picture at 1.4 s.
QString x264Part(const QString& mp4, const QString& path, int from, const QString& vf,
                 const QStringList& args, const QString& params = {});
// `folder`/programmes.ts: pictures 0-99 of `mp4` at 352x288 4:3, then 100-199 at 480x270 16:9
// whose times jump 20000 s with the discontinuity flag set (a capture across a programme change).
QString programmeChange(const QString& mp4, const QString& folder);
// `folder`/midstream.ts: a capture begun mid-packet inside the group before the keyframe that
// shows 0, of 250 counter pictures; the 15 stored before that keyframe cannot be decoded.
QString midStreamCapture(const QString& folder);
// `folder`/hevcN.ts: bytes 67,000 to `to` of 10 s of 640x360 HEVC counter pictures (keyframes
// every 2 s, each with leading pictures) and MP2: a capture begun and ended inside packets, its
// first keyframe's leading pictures lost with the group before it.
QString hevcCapture(const QString& folder, int to);
// `folder`/big.vob: an 8 s 352x288 MPEG-2 program stream written again after itself until past
// 16 MiB (a large file whose times start again every 8 s, read whole when it is opened); empty
// on failure.
QString recordingCopiedPast16MiB(const QString& folder);
// The files end to end (as `cat` writes them).
QString endToEnd(const QString& path, const QStringList& files);
// Each picture's "width,height,pixel aspect,coded as fields" in the order ffmpeg decodes them.
std::vector<QString> pictureShapes(const QString& path);
// The 25 fps TS `ts` copied by ffmpeg into `path` with the pictures of each stretch [first, last]
// an hour late, the sound not: its muxer stores the pictures after a stretch a tick apart.
QString hourLate(const QString& ts, const QString& path, const std::vector<std::pair<int, int>>& stretches);
// A 12 s 320x240 25 fps clip with one key picture in 10 s, as MP4 and, with the same pictures,
// as MPEG-TS, which has no index (a seek lands near its time, not on the key picture before).
// Empty paths when ffmpeg fails.
struct LongGroupClips {
    QString mp4, ts;
};
LongGroupClips makeLongGroupClips(const QString& folder);

// ffprobe -show_format -show_streams as JSON; an empty object when ffprobe fails.
QJsonObject probe(const QString& path);
// The container duration in seconds (format.duration), or -1.
double probeDuration(const QString& path);
// The first stream of a kind ("video" / "audio") as JSON; empty when there is none.
QJsonObject probeStream(const QString& path, const QString& kind);
// Number of streams of a kind.
int probeStreamCount(const QString& path, const QString& kind);
// The language tag of each sound stream in order, with "?" after one that holds fewer than 50
// packets (not sound over the whole of a clip of seconds).
QStringList soundLanguages(const QString& path);
// Number of decoded video frames (ffprobe -count_frames).
int probeFrameCount(const QString& path);

// The frames of a file's first stream of a kind ("v" / "a") as ffprobe decodes them: their
// times in seconds, sorted, and the end of the latest. A packet may carry no time (an MPEG-PS
// packet, reordered pictures at the start of an AVI): its frame is placed after the one the
// decoder gave before it, as players show it. `count` is every decoded frame.
struct DecodedFrames {
    std::vector<double> times;
    int count = 0;
    double end = 0;
    double span() const { return times.empty() ? 0 : end - times.front(); }
};
DecodedFrames decodedFrames(const QString& path, const char* kind);

// One decoded frame at a time in seconds, by the ffmpeg command line, as RGB32.
QImage ffmpegFrameAt(const QString& path, double seconds);
// Mean absolute difference per channel (0..255) between two images of the same size; 255
// when the sizes differ.
double meanAbsDiff(const QImage& a, const QImage& b);

// A 60 s 640x360 H.264/AAC clip whose only keyframe is its first frame, made once per test
// program: long enough that a job is still running when a test cancels it, and a cut of it
// cannot copy whole groups of pictures, so it re-encodes its range.
QString longClip();

// Full path of a clip made by tests/media/make_field_clips.sh (files without a duration, MPEG-TS
// and PS, container aspect, AMR sound, ...): the ones the build's make_field_media test made, or,
// in a test program run without them, made once for that program.
QString fieldClip(const QString& name);

// Root mean square level of the sound between two times (full scale = 1.0), decoded by ffmpeg;
// of sound stream `soundStream` (0: the first) when given, else of the one ffmpeg picks.
double audioRms(const QString& path, double from, double to, int soundStream = -1);
// Seconds of sound in one sound stream (0: the first), as ffmpeg decodes it; -1 on failure.
double decodedSoundSeconds(const QString& path, int soundStream);

// A file's first sound stream as the ffmpeg command line decodes it, in one channel at the
// stream's own rate, and where its first sample sounds on the picture's clock: the sound
// stream's start time minus the picture stream's. No samples on failure.
struct DecodedSound {
    std::vector<float> samples;
    int rate = 0;
    double offset = 0;
};
DecodedSound decodedSound(const QString& path);
// Where each click sounds against the picture, in seconds: the onset of each burst reaching
// `level` after at least `quietSeconds` of quiet. Empty on failure.
std::vector<double> clickTimes(const DecodedSound& sound, double quietSeconds = 0.3, float level = 0.1f);
std::vector<double> clickTimes(const QString& path, double quietSeconds = 0.3);
// Where the sound stays below `level` for 2 ms or more between `from` and `to` (seconds on the
// picture's clock): the start of each such run.
std::vector<double> silences(const DecodedSound& sound, float level, double from = -1e9, double to = 1e9);

// A 4 s clip in `folder` with a picture and two sound streams told apart by their tone: the
// first (container stream 1) at 440 Hz, the second (stream 2) at 1000 Hz. Empty on failure.
QString twoToneClip(const QString& folder);
// A 4 s 160x96 H.264 clip in `folder` with a keyframe every `keyframeEvery` frames (25 a second)
// and two sound streams told apart by their tone and their language: English at 440 Hz, German
// at 1000 Hz (amplitude 0.5). Empty on failure.
QString twoLanguageClip(const QString& folder, int keyframeEvery);
// The amplitude (0.5 for a sine of amplitude 0.5) of the tone of `hz` in mono samples.
double toneLevel(const float* samples, qsizetype count, int rate, double hz);
// The same in a file's sound between two times, as the ffmpeg tool decodes it (of one sound
// stream as audioRms()); -1 on failure.
double toneLevel(const QString& path, double hz, double from, double to, int soundStream = -1);

} // namespace testsupport
