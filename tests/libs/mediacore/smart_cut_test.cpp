// Keep-format cuts that copy whole groups of pictures and re-encode only their edges, judged
// frame by frame against the source with the ffmpeg command line.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

namespace {

struct Frame {
    double time = 0; // seconds from the file's first picture, where the engine's times begin
    bool key = false;
};

// Every picture frame of a file as ffprobe decodes it, in presentation order.
std::vector<Frame> sourceFrames(const QString& path) {
    QByteArray out;
    run(FFPROBE_EXECUTABLE,
        {"-v", "error", "-select_streams", "v:0", "-show_entries", "frame=pts_time,key_frame", "-of", "json",
         path},
        &out);
    const double origin = probeStream(path, "video").value("start_time").toString().toDouble();
    std::vector<Frame> frames;
    for (const QJsonValue v : QJsonDocument::fromJson(out).object().value("frames").toArray()) {
        const QJsonObject f = v.toObject();
        frames.push_back(
            {f.value("pts_time").toString().toDouble() - origin, f.value("key_frame").toInt() == 1});
    }
    std::sort(frames.begin(), frames.end(), [](const Frame& a, const Frame& b) { return a.time < b.time; });
    return frames;
}

// First and end time of the decoded sound (seconds).
std::pair<double, double> soundSpan(const QString& path) {
    const DecodedFrames sound = decodedFrames(path, "a");
    if (sound.times.empty())
        return {-1, -1};
    return {sound.times.front(), sound.end};
}

// Stderr of the ffmpeg command line reading a file (decoding, or copying into nothing, which
// checks the times); empty when it has nothing to complain about.
QByteArray complaints(const QString& path, bool decode) {
    QByteArray err;
    QStringList args{"-v", "error", "-nostdin", "-i", path};
    if (!decode)
        args << "-c"
             << "copy";
    args << "-f"
         << "null"
         << "-";
    if (run(FFMPEG_EXECUTABLE, args, nullptr, &err) != 0 && err.isEmpty())
        err = "ffmpeg failed";
    return err;
}

// Every frame of a file in presentation order as the ffmpeg command line decodes it (turned
// as displayed, scaled to one size).
std::vector<QImage> allFrames(const QString& path) {
    constexpr int w = 160, h = 120;
    QByteArray out;
    run(FFMPEG_EXECUTABLE,
        {"-v", "error", "-nostdin", "-i", path, "-map", "0:v:0", "-fps_mode", "passthrough", "-vf",
         QString("scale=%1:%2").arg(w).arg(h), "-f", "rawvideo", "-pix_fmt", "rgb24", "-"},
        &out);
    std::vector<QImage> frames;
    for (qsizetype pos = 0; pos + w * h * 3 <= out.size(); pos += w * h * 3)
        frames.push_back(
            QImage(reinterpret_cast<const uchar*>(out.constData() + pos), w, h, w * 3, QImage::Format_RGB888)
                .copy());
    return frames;
}

// ffmpeg's -ss after -i keeps the first frame at or after the time; a hair before a frame's
// own time picks that frame despite rounding. Its times count from the file's start, before the
// first picture when the sound starts earlier.
QImage frameAt(const QString& path, double time) {
    const double lead = probeStream(path, "video").value("start_time").toString().toDouble() -
                        probe(path).value("format").toObject().value("start_time").toString().toDouble();
    return ffmpegFrameAt(path, std::max(0.0, time + lead - 0.002));
}

// A cut run to its end; `written` gets the length the job reports having written (seconds).
bool cut(const QString& src, const QString& out, double start, double end, qint64 sizeLimit = 0,
         double* written = nullptr) {
    Job job;
    const bool ok = convert(job, src, out, int64_t(start * 1e6 + 0.5), int64_t(end * 1e6 + 0.5), sizeLimit) &&
                    apiMediaConvertGetProgress(job.h) == 100;
    if (written)
        *written = double(apiMediaConvertGetOutputDuration(job.h)) / 1e6;
    return ok;
}

// Checks a cut [start, end) of `src` against the source: clean decoding and times, the frames
// of the range and no others, each in its place (across the seams between re-encoded and
// copied frames too), the length, and the sound.
// How a cut is made: mostly copied groups, or all re-encoded.
// Either: a cap near the size of a copied group, which the group fits or not by the bytes its
// re-encoded start came to (they change with the encoder's threads).
enum class Made { Copied, Reencoded, Either };

void expectMatchesSource(const QString& src, const QString& out, double start, double end,
                         Made made = Made::Copied) {
    SCOPED_TRACE(QString("%1 [%2, %3)").arg(src).arg(start).arg(end).toStdString());
    EXPECT_EQ(complaints(out, true).toStdString(), "");
    EXPECT_EQ(complaints(out, false).toStdString(), "");

    const std::vector<Frame> all = sourceFrames(src);
    std::vector<Frame> range;
    for (const Frame& f : all)
        if (f.time >= start - 0.001 && f.time < end - 0.001)
            range.push_back(f);
    ASSERT_GE(range.size(), 2u);
    const double first = range.front().time, frame = range[1].time - range[0].time;
    EXPECT_EQ(probeFrameCount(out), int(range.size()));
    EXPECT_NEAR(probeStream(out, "video").value("start_time").toString().toDouble(), 0.0, 0.002);
    EXPECT_NEAR(probeDuration(out), end - start, frame + 0.01);

    // Every frame is the source's frame at its place: closer to it than to its neighbours.
    const std::vector<QImage> got = allFrames(out), want = allFrames(src);
    ASSERT_EQ(got.size(), range.size());
    ASSERT_EQ(want.size(), all.size());
    const size_t offset = size_t(
        std::find_if(all.begin(), all.end(), [&](const Frame& f) { return f.time == first; }) - all.begin());
    size_t unchanged = 0;
    for (size_t k = 0; k < got.size(); ++k) {
        SCOPED_TRACE("source frame at " + std::to_string(range[k].time));
        const size_t i = offset + k;
        const double d = meanAbsDiff(got[k], want[i]);
        unchanged += d == 0.0 ? 1 : 0;
        EXPECT_LT(d, 3.0);
        if (i > 0) {
            EXPECT_LT(d, meanAbsDiff(got[k], want[i - 1]));
        }
        if (i + 1 < want.size()) {
            EXPECT_LT(d, meanAbsDiff(got[k], want[i + 1]));
        }
    }
    // Copied frames decode to the very pixels of the source; re-encoded ones never do.
    if (made == Made::Copied) {
        EXPECT_GE(unchanged, got.size() / 2);
    } else if (made == Made::Reencoded) {
        EXPECT_EQ(unchanged, 0u);
    }
    // And at its time: the first, the first copied keyframe and the last.
    std::vector<double> times{first, range.back().time};
    for (const Frame& f : range)
        if (f.key && f.time > first) {
            times.push_back(f.time);
            break;
        }
    for (const double t : times)
        EXPECT_LT(meanAbsDiff(frameAt(out, t - first), frameAt(src, t)), 3.0) << "at " << t;

    EXPECT_EQ(probeStream(out, "audio").value("codec_name").toString(),
              probeStream(src, "audio").value("codec_name").toString());
    const auto [soundStart, soundEnd] = soundSpan(out);
    EXPECT_NEAR(soundStart, 0.0, 0.05);
    EXPECT_NEAR(soundEnd, end - first, 0.05);
    EXPECT_GT(audioRms(out, 0.1, end - start - 0.1), 0.05);
}

void expectExactCut(const QString& src, const QString& out, double start, double end,
                    Made made = Made::Copied) {
    ASSERT_TRUE(cut(src, out, start, end)) << src.toStdString();
    expectMatchesSource(src, out, start, end, made);
}

// A 6 s H.264/AAC clip encoded with extra libx264 options.
QString clip(const QTemporaryDir& dir, const QString& name, const QStringList& options) {
    return makeWithFfmpeg(dir.filePath(name),
                          QString("-f lavfi -i testsrc2=size=320x240:rate=25:duration=6 -f "
                                  "lavfi -i sine=frequency=500:sample_rate=48000:duration=6 "
                                  "-c:v libx264 -preset veryfast -c:a aac -shortest")
                                  .split(' ') +
                              options);
}

} // namespace

TEST(SmartCut, StartAndEndBetweenKeyframesInMp4MovAndMkv) {
    QTemporaryDir dir;
    // Keyframes at 0 and 2 s: the head 1.2-2.0 is re-encoded, 2.0-3.3 copied up to where the
    // copy can end, the rest of the tail re-encoded.
    for (const char* name : {"h264_aac.mp4", "h264_aac.mov", "h264_aac.mkv"})
        expectExactCut(media(name), dir.filePath(QString("cut_") + name), 1.2, 3.3);
}

TEST(SmartCut, LongRangeCopiesWholeGroupsBetweenReencodedEdges) {
    QTemporaryDir dir;
    const QString out = dir.filePath("long.mp4");
    expectExactCut(media("long_10s.mp4"), out, 3.2, 8.6);
    // The copied groups 4-8 s decode to exactly the source's frames.
    EXPECT_EQ(meanAbsDiff(frameAt(out, 6.0 - 3.2), frameAt(media("long_10s.mp4"), 6.0)), 0.0);
    // Up to the end of the file.
    expectExactCut(media("long_10s.mp4"), dir.filePath("toend.mp4"), 6.5, 10.0);
}

TEST(SmartCut, StartOnKeyframeCopiesTheFirstFrameUnchanged) {
    QTemporaryDir dir;
    const QString out = dir.filePath("onkey.mp4");
    expectExactCut(media("long_10s.mp4"), out, 4.0, 7.3);
    EXPECT_EQ(meanAbsDiff(frameAt(out, 0), frameAt(media("long_10s.mp4"), 4.0)), 0.0);
}

TEST(SmartCut, ShortGroupsWithBFramesEndOnEveryKindOfFrame) {
    QTemporaryDir dir;
    // A keyframe every 12 frames (0.48 s), up to 3 B-frames in a pyramid.
    const QString src = clip(dir, "bframes.mp4", {"-g", "12", "-bf", "3", "-pix_fmt", "yuv420p"});
    ASSERT_GT(probeStream(src, "video").value("has_b_frames").toInt(), 0);
    // Starts inside groups and on a keyframe (0.96); ends on the four frames after a keyframe
    // (4.32) and on the keyframe itself.
    const double ranges[][2] = {{1.32, 4.36}, {1.0, 4.40}, {0.96, 4.44}, {0.52, 4.48}, {2.0, 4.32}};
    int n = 0;
    for (const auto& r : ranges)
        expectExactCut(src, dir.filePath(QString("b%1.mp4").arg(n++)), r[0], r[1]);
}

TEST(SmartCut, KeepsDisplayRotation) {
    QTemporaryDir dir;
    const QString out = dir.filePath("turned.mp4");
    expectExactCut(media("rotated_90.mp4"), out, 1.2, 3.3);
    int rotation = 0;
    for (const QJsonValue v : probeStream(out, "video").value("side_data_list").toArray())
        if (v.toObject().contains("rotation"))
            rotation = v.toObject().value("rotation").toInt();
    EXPECT_EQ(std::abs(rotation), 90);
}

TEST(SmartCut, RangesThatCannotBeCopiedAreStillExact) {
    QTemporaryDir dir;
    // Inside one group of pictures: nothing to copy, the whole range is re-encoded.
    expectExactCut(media("long_10s.mp4"), dir.filePath("inside.mp4"), 2.2, 3.0, Made::Reencoded);
    // One keyframe only in the whole file (the encoder's default interval).
    expectExactCut(media("ntsc_29_97.mp4"), dir.filePath("ntsc.mp4"), 1.2, 3.3, Made::Reencoded);
}

TEST(SmartCut, ReencodedEdgesMatchProfileChromaAndDepth) {
    QTemporaryDir dir;
    struct Case {
        const char* name;
        QStringList options;
        const char* profile;
    };
    for (const Case& c :
         {Case{"high444.mp4", {"-pix_fmt", "yuv444p"}, "High 4:4:4 Predictive"},
          Case{"high10.mp4", {"-pix_fmt", "yuv420p10le"}, "High 10"},
          Case{"baseline.mov", {"-profile:v", "baseline", "-pix_fmt", "yuv420p"}, "Constrained Baseline"},
          Case{"main.mkv", {"-profile:v", "main", "-pix_fmt", "yuv420p"}, "Main"}}) {
        SCOPED_TRACE(c.name);
        const QString src = clip(dir, c.name, QStringList{"-g", "25"} + c.options),
                      out = dir.filePath(QString("cut_") + c.name);
        expectExactCut(src, out, 1.3, 4.5);
        const QJsonObject in = probeStream(src, "video"), got = probeStream(out, "video");
        EXPECT_EQ(got.value("profile").toString(), c.profile);
        EXPECT_EQ(got.value("pix_fmt").toString(), in.value("pix_fmt").toString());
    }
}

// HEVC groups of pictures are copied between edges re-encoded by libx265, whose own parameter
// sets travel in-band: the copied frames after them must still decode to the source's pixels.
TEST(SmartCut, HevcWithBFramesIn8And10BitsInMp4MovAndMkv) {
    QTemporaryDir dir;
    const QStringList hevc{
        "-c:v", "libx265", "-x265-params",
        "pools=1:frame-threads=1:log-level=error:keyint=25:min-keyint=25:open-gop=0:bframes=3"};
    struct Case {
        const char* name;
        const char* pixels;
        const char* profile;
    };
    for (const Case& c : {Case{"hevc8.mp4", "yuv420p", "Main"}, Case{"hevc10.mov", "yuv420p10le", "Main 10"},
                          Case{"hevc10.mkv", "yuv420p10le", "Main 10"}}) {
        SCOPED_TRACE(c.name);
        const QString src = clip(dir, c.name, hevc + QStringList{"-pix_fmt", c.pixels});
        ASSERT_GT(probeStream(src, "video").value("has_b_frames").toInt(), 0);
        // A start and an end between keyframes, and a start on one with an end on a B-frame.
        const double ranges[][2] = {{1.3, 4.5}, {2.0, 4.12}};
        int n = 0;
        for (const auto& r : ranges) {
            const QString out = dir.filePath(QString("cut%1_").arg(n++) + c.name);
            expectExactCut(src, out, r[0], r[1]);
            const QJsonObject got = probeStream(out, "video");
            EXPECT_EQ(got.value("profile").toString(), c.profile);
            EXPECT_EQ(got.value("pix_fmt").toString(), c.pixels);
        }
    }
    // MP4 marks a stream whose parameter sets may change in-band.
    EXPECT_EQ(probeStream(dir.filePath("cut0_hevc8.mp4"), "video").value("codec_tag_string").toString(),
              "hev1");
    // Open groups (leading frames that refer to the group before) cannot be copied from their
    // keyframe: the range is re-encoded, still exact.
    const QString open =
        clip(dir, "open.mp4",
             {"-c:v", "libx265", "-x265-params",
              "pools=1:frame-threads=1:log-level=error:keyint=25:min-keyint=25:open-gop=1:bframes=3"});
    expectExactCut(open, dir.filePath("cut_open.mp4"), 1.3, 4.5, Made::Reencoded);
}

TEST(SmartCut, IntoAnotherContainer) {
    QTemporaryDir dir;
    expectExactCut(media("long_10s.mp4"), dir.filePath("tomkv.mkv"), 3.2, 7.3);
    expectExactCut(media("h264_aac.mkv"), dir.filePath("tomp4.mp4"), 1.2, 3.3);
}

TEST(SmartCut, SizeLimitEndsBeforeTheGroupThatWouldPassIt) {
    QTemporaryDir dir;
    // Groups of 2 s are short against the limit (about 7 s of the clip), so whole groups fill
    // most of it; a part that copying would leave far below its limit is re-encoded instead.
    // The limit leaves the groups up to 8 s a few kilobytes of room: a size is known only once
    // the index is written, and a part that comes out just over is made again shorter.
    const QString src = media("long_10s.mp4");
    const qint64 limit = QFileInfo(src).size() * 72 / 100;
    for (const double start : {0.0, 1.3}) {
        SCOPED_TRACE(start);
        const QString out = dir.filePath(QString("part%1.mp4").arg(start));
        double written = -1;
        ASSERT_TRUE(cut(src, out, start, 9.5, limit, &written));
        // The next part of a split starts from the length a copied part reports.
        EXPECT_NEAR(written, probeDuration(out), 0.0015);
        const qint64 size = QFileInfo(out).size();
        EXPECT_LE(size, limit);
        EXPECT_GT(size, limit / 3);
        // It ends before a keyframe (every 2 s), with its sound, and is exact up to there.
        const double frames = probeFrameCount(out), end = std::ceil(start + frames * 0.04 - 0.001);
        EXPECT_EQ(int(end) % 2, 0);
        EXPECT_LT(end, 9.5);
        expectMatchesSource(src, out, start, end);
    }
}

// In many files the picture starts a few ms after the sound: a split's first part, from 0, still
// copies its groups from the first keyframe.
TEST(SmartCut, PartFromTheStartWhenThePictureStartsAfterTheSound) {
    QTemporaryDir dir;
    const QString src =
        makeWithFfmpeg(dir.filePath("late.mkv"),
                       QString("-itsoffset 0.03 -f lavfi -i testsrc2=size=320x240:rate=25:duration=6 "
                               "-f lavfi -i sine=frequency=500:sample_rate=48000:duration=6 -c:v "
                               "libx264 -preset veryfast -g 25 -pix_fmt yuv420p -c:a aac")
                           .split(' '));
    const double late = probeStream(src, "video").value("start_time").toString().toDouble() -
                        probe(src).value("format").toObject().value("start_time").toString().toDouble();
    ASSERT_GT(late, 0.02);
    const QString out = dir.filePath("part.mkv");
    ASSERT_TRUE(cut(src, out, 0.0, 6.0, QFileInfo(src).size() / 2));
    // It starts with the first picture, time 0, the sound before it left out as in any cut.
    expectMatchesSource(src, out, 0.0, probeFrameCount(out) * 0.04 - 0.001);
}

// A cap so small that not even the first group fits: the part is re-encoded frame by frame and
// ends where the cap is reached, yet like a copied part it starts with the first frame of the
// range (1.3 s lies between two frames) at time 0, its sound with it, and holds every frame up to
// its end.
TEST(SmartCut, TinySizeLimitReencodesFromTheFirstFrameOfTheRange) {
    QTemporaryDir dir;
    const QString src = media("long_10s.mp4");
    for (const qint64 limit : {qint64(90000), qint64(150000)}) {
        SCOPED_TRACE(limit);
        const QString out = dir.filePath(QString("tiny%1.mp4").arg(limit));
        double written = -1;
        ASSERT_TRUE(cut(src, out, 1.3, 9.5, limit, &written));
        EXPECT_LE(QFileInfo(out).size(), limit);
        const int frames = probeFrameCount(out);
        EXPECT_NEAR(written, frames * 0.04, 0.001) << "the next part of a split starts after its pictures";
        ASSERT_GE(frames, 10);
        expectMatchesSource(src, out, 1.3, 1.32 + frames * 0.04 - 0.001,
                            limit < 100000 ? Made::Reencoded : Made::Either);
    }
}

// A split's part reads no further than its cap needs: a source whose end is missing (an
// interrupted copy, index at the front) still gives the parts that lie before the damage.
TEST(SmartCut, SizeLimitedPartEndsBeforeDamageFurtherOnInTheSource) {
    QTemporaryDir dir;
    const QString src = makeWithFfmpeg(
        dir.filePath("src.mp4"), QString("-f lavfi -i testsrc2=size=640x360:rate=30:duration=12 -f lavfi -i "
                                         "sine=frequency=440:sample_rate=48000:duration=12 -c:v libx264 "
                                         "-preset ultrafast -b:v 3M -g 30 -pix_fmt yuv420p -c:a aac "
                                         "-shortest -movflags +faststart")
                                     .split(' '));
    ASSERT_FALSE(src.isEmpty());
    const qint64 whole = QFileInfo(src).size(), cap = whole / 5;
    ASSERT_TRUE(QFile(src).resize(whole * 6 / 10));
    for (const double start : {0.0, 1.5}) {
        SCOPED_TRACE(start);
        const QString out = dir.filePath(QString("part%1.mp4").arg(start));
        ASSERT_TRUE(cut(src, out, start, 12.0, cap));
        EXPECT_LE(QFileInfo(out).size(), cap);
        // About the cap's share of the 12 s: the part ran until the cap, not to the damage.
        const double seconds = probeDuration(out);
        EXPECT_GT(seconds, 12.0 / 5 * 0.6);
        EXPECT_LT(seconds, 12.0 * 6 / 10);
        EXPECT_EQ(probeFrameCount(out), int(std::lround(seconds * 30)));
    }
}

// A cut stopped while its edges are re-encoded (the end on a thread of its own, the start's
// encoder on another beside its decoding) ends and leaves nothing behind; when it was done before
// the stop came, its output is whole.
TEST(SmartCut, StopWhileTheEdgesAreReencoded) {
    QTemporaryDir dir;
    // Long groups, so that the start's edge takes a while.
    const QString src = makeWithFfmpeg(
        dir.filePath("src.mp4"), QString("-f lavfi -i testsrc2=size=1280x720:rate=30:duration=9 -f lavfi -i "
                                         "sine=frequency=440:sample_rate=48000:duration=9 -c:v libx264 "
                                         "-preset ultrafast -bf 2 -g 120 -pix_fmt yuv420p -c:a aac -shortest")
                                     .split(' '));
    ASSERT_FALSE(src.isEmpty());
    const QString out = dir.filePath("stopped.mp4");
    Job job;
    ASSERT_TRUE(prepare(job, src, out, 3'900'000, 8'700'000));
    std::atomic<int> result{-999};
    std::thread worker([&] { result = apiMediaConvertStart(job.h); });
    // Stopped once it writes: the start's edge is then under way.
    while (result == -999 && apiMediaConvertGetProgress(job.h) <= 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    apiMediaConvertStop(job.h);
    worker.join();
    EXPECT_EQ(result.load(), 1);
    if (QFileInfo::exists(out))
        expectMatchesSource(src, out, 3.9, 8.7);
    else
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                  QStringList{"src.mp4"});
}
