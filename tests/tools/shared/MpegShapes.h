// The MPEG sources whose times do not run on one line by themselves, as the windows meet them:
// two recordings end to end, stretches an hour late, HEVC in open groups of pictures, a camera's
// interlaced recording in field packets, pictures without any time, a capture begun mid-stream
// (pictures before its first keyframe that cannot be shown) and one across a programme change.
// Each is read by the number of the source picture every output picture shows, so that a test
// can ask for every picture of a range once, in order.
#pragma once

#include "FrameCounter.h"
#include "TestSupport.h"

namespace tooltest {

struct MpegShape {
    QString name, path;
    int pictures = 0;
    bool counted = true; // its pictures show their numbers; else they are told apart by their look
};

// The shapes, made in `folder`: 25 pictures a second, with sound.
inline std::vector<MpegShape> mpegShapes(const QString& folder) {
    using namespace testsupport;
    const auto at = [&](const char* name) { return folder + "/" + name; };
    const QString mp4 = makeCounterClip(at("count.mp4"), 25, 8, 25, 3, "b-adapt=0:threads=1");
    const QString ts = makeWithFfmpeg(at("timed.ts"), {"-i", mp4, "-c", "copy"});
    // The camera's sound is AC-3, which the windows refuse: its pictures are copied as they are,
    // beside its sound in MP2.
    const QString camera = makeWithFfmpeg(
        at("camcorder.mts"), {"-i", CUTBENCH_SOURCE_DIR "/../shared/media/camcorder_1080i50_fields.mts",
                              "-map", "0:v", "-map", "0:a", "-c:v", "copy", "-c:a", "mp2"});
    return {
        {"restart",
         retimed(ts, at("restart.ts"), [](int64_t t, bool) { return t >= 100 * 3600 ? t - 100 * 3600 : t; }),
         200},
        {"jump",
         retimed(ts, at("jump.ts"),
                 [](int64_t t, bool) {
                     return t >= 100 * 3600 && t < 150 * 3600 ? t + int64_t(3600) * 90000 : t;
                 }),
         200},
        // Pictures 30-49, 90-109 and 150-169 an hour late as ffmpeg's muxer writes them, the
        // pictures after each a tick apart, the sound untouched.
        {"late3", hourLate(ts, at("late3.ts"), {{30, 49}, {90, 109}, {150, 169}}), 200},
        {"hevc",
         makeWithFfmpeg(at("hevc.ts"),
                        {"-i", mp4, "-vf", "scale=192:108", "-c:v", "libx265", "-x265-params",
                         "bframes=3:keyint=25:pools=1:frame-threads=1:log-level=error", "-c:a", "mp2"}),
         200},
        {"camcorder", camera, 36, false},
        {"untimed", retimed(ts, at("untimed.ts"), [](int64_t, bool) { return -1; }), 200},
        {"midstream", midStreamCapture(folder), 200},
        {"programmes", programmeChange(mp4, folder), 200},
    };
}

// Without sound, a pause of 3 s before picture 100: picture 99 is shown through it.
inline QString silentPause(const QString& folder) {
    using namespace testsupport;
    const QString mp4 = makeCounterClip(folder + "/count.mp4", 25, 8, 25, 3, "b-adapt=0:threads=1");
    return retimed(makeWithFfmpeg(folder + "/silent.ts", {"-i", mp4, "-an", "-c", "copy"}),
                   folder + "/pause.ts", [](int64_t t, bool) { return t >= 100 * 3600 ? t + 3 * 90000 : t; });
}

// Small grey pictures of a file's first picture stream, in the order shown.
inline std::vector<QByteArray> smallPictures(const QString& path) {
    QByteArray out;
    testsupport::run(FFMPEG_EXECUTABLE,
                     {"-v", "error", "-nostdin", "-i", path, "-map", "0:v:0", "-fps_mode", "passthrough",
                      "-vf", "scale=320:180,format=gray", "-f", "rawvideo", "-"},
                     &out);
    std::vector<QByteArray> pictures;
    for (qsizetype at = 0; at + 320 * 180 <= out.size(); at += 320 * 180)
        pictures.push_back(out.mid(at, 320 * 180));
    return pictures;
}

// The source picture each picture of `out` shows, in order: its number, or the source picture
// that looks most like it by the squares of the differences (a re-encoded picture's noise is
// small and even, a neighbour's movement is not).
inline std::vector<int> shownPictures(const MpegShape& shape, const QString& out) {
    if (shape.counted)
        return testsupport::decodedCounters(out);
    const std::vector<QByteArray> source = smallPictures(shape.path);
    std::vector<int> shown;
    for (const QByteArray& p : smallPictures(out)) {
        int best = -1;
        int64_t bestDiff = 0;
        for (size_t i = 0; i < source.size(); ++i) {
            int64_t diff = 0;
            for (qsizetype k = 0; k < p.size(); ++k) {
                const int d = int(uchar(p[k])) - int(uchar(source[i][k]));
                diff += d * d;
            }
            if (best < 0 || diff < bestDiff)
                best = int(i), bestDiff = diff;
        }
        shown.push_back(best);
    }
    return shown;
}

// The numbers from `first` up to before `end`.
inline std::vector<int> numbers(int first, int end) {
    std::vector<int> all;
    for (int n = first; n < end; ++n)
        all.push_back(n);
    return all;
}

} // namespace tooltest
