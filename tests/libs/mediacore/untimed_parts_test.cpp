// Capped parts and copy joins of MPEG streams that give a time to some pictures only (and of HEVC
// in open groups of pictures), judged by the frame number each picture shows: the parts a split
// chains by their reported lengths hold every picture once, in order, and a join of such a clip
// with itself holds it twice.
#include <QFileInfo>
#include <QTemporaryDir>
#include <cmath>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "FrameCounter.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

std::vector<int> upTo(int count, int times = 1) {
    std::vector<int> all;
    for (int k = 0; k < times; ++k)
        for (int n = 0; n < count; ++n)
            all.push_back(n);
    return all;
}

struct Parts {
    int count = 0;
    qint64 bytes = 0;
};

// Parts of at most `cap` bytes, each from where the one before reported its end, as the split
// window chains them (on the grid of the source's picture rate); a pause of `pause` seconds
// before picture 100, through which picture 99 is shown. `held`: each part also declares sound
// only where it holds some, and has a length.
Parts expectParts(const QString& src, const QString& ext, qint64 cap, int pictures, double fps = 25,
                  double pause = 0, bool held = false) {
    SCOPED_TRACE(QString("%1 capped at %2").arg(src).arg(cap).toStdString());
    QTemporaryDir dir;
    const auto end = [&](int n) { return (n + 1) / fps + (n >= 99 ? pause : 0); };
    const double total = end(pictures - 1);
    std::vector<int> all;
    Parts parts;
    double start = 0;
    for (int i = 0; i < 40 && start < total - 0.02; ++i) {
        const QString out = dir.filePath(QString("part%1.%2").arg(i).arg(ext));
        Job job;
        EXPECT_TRUE(convert(job, src, out, std::llround(start * 1e6), std::llround(total * 1e6), cap))
            << "part " << i << " from " << start;
        parts = {parts.count + 1, parts.bytes + QFileInfo(out).size()};
        EXPECT_TRUE(!held || probeStreamCount(out, "audio") == 0 || decodedFrames(out, "a").count > 0)
            << "part " << i;
        EXPECT_TRUE(!held || probeDuration(out) > 0) << "part " << i;
        EXPECT_EQ(decodeErrorsBesideGuesses(out), "") << "part " << i;
        const std::vector<int> shown = decodedCounters(out);
        const double made = apiMediaConvertGetOutputDuration(job.h) / 1e6;
        EXPECT_NEAR(made, shown.empty() ? 0 : end(shown.back()) - start, 0.002) << "part " << i;
        start = std::floor((start + made + 0.002) * fps) / fps;
        all.insert(all.end(), shown.begin(), shown.end());
        if (made <= 0)
            break;
    }
    EXPECT_EQ(all, upTo(pictures));
    return parts;
}

// The table's shapes alternate between two tests (`half` 0 or 1), each within a test's time.
void partsAndCopyJoinsHoldEveryPictureOnce(size_t half) {
    QTemporaryDir dir;
    const auto path = [&](const char* name) { return dir.filePath(name); };
    const QString h264 = makeCounterClip(path("h264.mp4"), 25, 8, 12, 3, "b-adapt=0:threads=1");
    const QString mpeg2 =
        makeWithFfmpeg(path("mpeg2.vob"), {"-i", h264, "-c:v", "mpeg2video", "-qscale:v", "2", "-bf", "2",
                                           "-g", "12", "-c:a", "mp2", "-f", "vob"});
    // A pack gives a time only to the first picture that starts in it.
    const QString h264ps = makeWithFfmpeg(path("h264.vob"), {"-i", h264, "-c:v", "copy", "-bsf:v",
                                                             "h264_mp4toannexb", "-c:a", "mp2", "-f", "vob"});
    const QString keyTimes = "setts=pts='if(mod(PTS-STARTPTS\\,43200)\\,NOPTS\\,PTS)'";
    const QString tail = "setts=pts='if(gte(PTS-STARTPTS\\,3600*197)\\,NOPTS\\,PTS)'";
    struct Shape {
        QString clip, ext;
        double pause = 0;
    };
    // HEVC in open groups: keyframes whose leading pictures refer to the group before.
    const QString hevc = makeWithFfmpeg(
        path("hevc.ts"), {"-i", h264, "-vf", "scale=320:180", "-c:v", "libx265", "-x265-params",
                          "bframes=3:keyint=25:pools=1:frame-threads=1:log-level=error", "-c:a", "mp2"});
    // Two recordings end to end (times start again at picture 100), and pictures 100-149 an hour
    // late: one line of 200 pictures.
    const QString timed = makeWithFfmpeg(path("timed.ts"), {"-i", h264, "-c", "copy"});
    const std::vector<Shape> shapes{
        {retimed(timed, path("restart.ts"),
                 [](int64_t t, bool) { return t >= 100 * 3600 ? t - 100 * 3600 : t; }),
         "ts"},
        {retimed(timed, path("jump.ts"),
                 [](int64_t t, bool) {
                     return t >= 100 * 3600 && t < 150 * 3600 ? t + int64_t(3600) * 90000 : t;
                 }),
         "ts"},
        {hevc, "ts"},
        {makeWithFfmpeg(path("hevc.mkv"), {"-i", hevc, "-c", "copy"}), "mkv"},
        // The first 20 pictures without a time.
        {retimed(timed, path("first20.ts"), [](int64_t t, bool) { return t < 20 * 3600 ? -1 : t; }), "ts"},
        // A real pause of 3 s before picture 100, without sound.
        {retimed(makeWithFfmpeg(path("silent.ts"), {"-i", timed, "-an", "-c", "copy"}), path("pause.ts"),
                 [](int64_t t, bool) { return t >= 100 * 3600 ? t + 3 * 90000 : t; }),
         "ts", 3},
        {makeWithFfmpeg(path("h264ps.ts"), {"-i", h264ps, "-c", "copy", "-f", "mpegts"}), "ts"},
        {makeWithFfmpeg(path("mpeg2.ts"), {"-i", mpeg2, "-c", "copy", "-f", "mpegts"}), "ts"},
        {makeWithFfmpeg(path("mpeg1.mpg"), {"-i", h264, "-c:v", "mpeg1video", "-qscale:v", "2", "-bf", "2",
                                            "-g", "12", "-c:a", "mp2", "-f", "mpeg"}),
         "mpg"},
        {makeWithFfmpeg(path("keys.ts"), {"-i", h264, "-c", "copy", "-bsf:v", keyTimes, "-f", "mpegts"}),
         "ts"},
        {makeWithFfmpeg(path("tail.mts"), {"-i", h264, "-c", "copy", "-bsf:v", tail, "-f", "mpegts"}), "mts"},
        // MPEG-4 Part 2 whose B pictures carry no time.
        {untimedBPictures(path("mpeg4.vob"), h264, "mp2"), "vob"}};
    for (size_t i = half; i < shapes.size(); i += 2) {
        const Shape& s = shapes[i];
        ASSERT_FALSE(s.clip.isEmpty());
        for (const double share : {0.3, 0.45})
            expectParts(s.clip, s.ext, qint64(double(QFileInfo(s.clip).size()) * share), 200, 25, s.pause);
        // ffmpeg's own guesses for H.264 pictures without a time give lines for some sources
        // themselves, and for a copy of them.
        const bool clean = decodeErrors(s.clip).empty();
        const QString joined = dir.filePath("joined." + s.ext);
        ASSERT_EQ(join({s.clip, s.clip}, joined), 0) << s.clip.toStdString();
        EXPECT_TRUE(!clean || decodeErrors(joined).empty()) << decodeErrors(joined) << s.clip.toStdString();
        EXPECT_EQ(decodedCounters(joined), upTo(200, 2)) << s.clip.toStdString();
        QFile::remove(joined);
    }
    if (half == 0)
        return;
    // Parts of a few kilobytes of pictures of a few dozen bytes, which their cells multiply.
    expectParts(path("pause.ts"), "ts", QFileInfo(path("pause.ts")).size() / 5, 200, 25, 3);
    // Film flagged 3:2: its parts are made at its own picture rate, each picture once; in a
    // program stream a part may start on a keyframe whose sequence header ends the pack before.
    const QString film = makeSoftTelecineClip(path("film.ts")),
                  filmPs = makeSoftTelecineClip(path("film.vob"));
    expectParts(film, "ts", QFileInfo(film).size() / 3, 192, 24000 / 1001.0);
    expectParts(filmPs, "vob", QFileInfo(filmPs).size() / 7, 192, 24000 / 1001.0);
}

} // namespace

TEST(UntimedParts, PartsAndCopyJoinsHoldEveryPictureOnce) {
    partsAndCopyJoinsHoldEveryPictureOnce(0);
}
TEST(UntimedParts, PartsAndCopyJoinsHoldEveryPictureOnceOfTheOtherShapes) {
    partsAndCopyJoinsHoldEveryPictureOnce(1);
}

// Film at a broadcast's rate (MPEG-2 at 800 kbit/s of a moving test card): parts encoded anew keep near the
// source's rate and fill their cap, so that the parts are at most one more than its size over the
// cap and hold about its bytes.
TEST(UntimedParts, FilmAtABroadcastRateSplitsIntoAboutItsSizeOverTheCap) {
    QTemporaryDir dir;
    for (const char* name : {"film.ts", "film.vob"}) {
        const QString film = makeSoftTelecineClip(dir.filePath(name), true);
        const qint64 size = QFileInfo(film).size(), cap = 150000;
        const Parts parts = expectParts(film, QFileInfo(film).suffix(), cap, 192, 24000 / 1001.0, 0, true);
        EXPECT_LE(parts.count, size / cap + 1) << name;
        EXPECT_LE(parts.bytes, size * 23 / 20) << name;
    }
}
