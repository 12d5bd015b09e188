// MPEG streams that time some pictures only (cameras, discs), and HEVC in open groups of pictures:
// each job keeps every picture of its range once, in order, read from the frame number each
// picture shows.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <numeric>

#include "EngineJobs.h"
#include "FrameCounter.h"
#include "SourceIndex.h"
#include "TestSupport.h"

using namespace testsupport;

TEST(UntimedStreams, EveryJobKeepsEachPictureOfItsRangeOnceInOrder) {
    QTemporaryDir dir;
    const QString mp4 = makeCounterClip(dir.filePath("count.mp4"), 25, 8, 25, 3, "b-adapt=0:threads=1");
    const QString vob =
        makeWithFfmpeg(dir.filePath("h264.vob"),
                       {"-i", mp4, "-c:v", "copy", "-bsf:v", "h264_mp4toannexb", "-c:a", "mp2", "-f", "vob"});
    // Written without a line from ffmpeg's decoding (unless its reading of the source in the same
    // format gives such lines too: film flagged 3:2 in a program stream), and holding `wanted`.
    const auto expect = [](const QString& out, const std::vector<int>& wanted, bool quiet = true) {
        QByteArray err;
        run(FFMPEG_EXECUTABLE, {"-v", "error", "-nostdin", "-i", out, "-f", "null", "-"}, nullptr, &err);
        EXPECT_TRUE(err.isEmpty() || !quiet) << out.toStdString() << err.toStdString();
        EXPECT_EQ(decodedCounters(out), wanted) << out.toStdString();
    };
    const auto mpeg = [&](const QString& name, const QStringList& codec) {
        return makeWithFfmpeg(dir.filePath(name),
                              QStringList{"-i", mp4, "-threads", "1", "-c:a", "mp2"} + codec);
    };
    // Every picture untimed; the first 20 untimed; a time a pack (H.264 with B-frames); a stretch
    // an hour late; MPEG-2 with a time a pack, and with keyframes timed only; MPEG-1; HEVC in open
    // groups (keyframes whose leading pictures refer to the group before), also in Matroska, with no
    // picture timed and with keyframes timed only (placed by their picture order counts); two
    // recordings end to end (times start again at picture 100); a real pause of 3 s before
    // picture 100, with its sound and without sound; film flagged 3:2 (192 pictures, each shown
    // for three fields or two of 1001/60000 s), also with a time a pack.
    const QString ts = mpeg("timed.ts", {"-c:v", "copy"});
    const QString hevc = mpeg("hevc.ts", {"-vf", "scale=320:180", "-c:v", "libx265", "-x265-params",
                                          "bframes=3:keyint=25:pools=1:frame-threads=1:log-level=error"});
    for (const QString& src :
         {retimed(ts, dir.filePath("untimed.ts"), [](int64_t, bool) { return -1; }),
          retimed(ts, dir.filePath("first20.ts"), [](int64_t t, bool) { return t < 20 * 3600 ? -1 : t; }),
          makeWithFfmpeg(dir.filePath("vob.ts"), {"-i", vob, "-c", "copy"}),
          // Pictures 100 to 149 an hour late: damaged times, not a second recording.
          retimed(ts, dir.filePath("jump.ts"),
                  [](int64_t t, bool) {
                      return t >= 100 * 3600 && t < 150 * 3600 ? t + int64_t(3600) * 90000 : t;
                  }),
          mpeg("mpeg2.vob", {"-c:v", "mpeg2video", "-q:v", "2", "-bf", "2", "-g", "25", "-f", "vob"}),
          retimed(mpeg("big.vob", {"-c:v", "mpeg2video", "-s", "352x240", "-q:v", "2", "-bf", "2", "-g", "25",
                                   "-f", "vob"}),
                  dir.filePath("keyed.vob"), [](int64_t t, bool key) { return key ? t : -1; }),
          mpeg("mpeg1.mpg", {"-c:v", "mpeg1video", "-s", "352x240", "-q:v", "2", "-g", "18", "-f", "mpeg"}),
          hevc, makeWithFfmpeg(dir.filePath("hevc.mkv"), {"-i", hevc, "-c", "copy"}),
          retimed(hevc, dir.filePath("hevc_untimed.ts"), [](int64_t, bool) { return -1; }),
          retimed(hevc, dir.filePath("hevc_keyed.ts"), [](int64_t t, bool key) { return key ? t : -1; }),
          retimed(ts, dir.filePath("restart.ts"),
                  [](int64_t t, bool) { return t >= 100 * 3600 ? t - 100 * 3600 : t; }),
          retimed(ts, dir.filePath("pause.ts"),
                  [](int64_t t, bool) { return t >= 100 * 3600 ? t + 3 * 90000 : t; }),
          retimed(makeWithFfmpeg(dir.filePath("silent.ts"), {"-i", ts, "-an", "-c", "copy"}),
                  dir.filePath("pause_silent.ts"),
                  [](int64_t t, bool) { return t >= 100 * 3600 ? t + 3 * 90000 : t; }),
          makeSoftTelecineClip(dir.filePath("telecine.ts")),
          makeSoftTelecineClip(dir.filePath("telecine.vob"))}) {
        // Where picture n is shown: the pause holds picture 99 for 3 s more.
        const bool film = src.contains("telecine");
        const int64_t pauseUs = src.contains("pause") ? 3000000 : 0;
        const auto at = [&](int64_t n) {
            return film ? (5 * (n / 2) + 3 * (n % 2)) * 1001000 / 60 : n * 40000 + (n >= 100 ? pauseUs : 0);
        };
        std::vector<int> all(film ? 192 : 200), twice;
        std::iota(all.begin(), all.end(), 0);
        twice = all;
        twice.insert(twice.end(), all.begin(), all.end());
        // Keep-format cuts, from keyframes with and without a time and single pictures without one
        // (the last picture too), ten pictures from the one after a keyframe, and across the
        // seam of two recordings or a pause: the pictures that start in the range.
        for (const auto& [from, to] : {std::pair{150, 190}, std::pair{0, 40}, std::pair{24, 64},
                                       std::pair{75, 100}, std::pair{126, 127}, std::pair{35, 36},
                                       std::pair{199, 200}, std::pair{151, 161}, std::pair{95, 105}}) {
            const QString out = dir.filePath(QString("cut%1.").arg(from)) + QFileInfo(src).suffix();
            QFile::remove(out);
            const int64_t begin = film ? from * 40000 : at(from), end = film ? to * 40000 : at(to);
            std::vector<int> wanted;
            std::copy_if(all.begin(), all.end(), std::back_inserter(wanted),
                         [&](int n) { return at(n) >= begin && at(n) < end; });
            ASSERT_EQ(convert(src, out, {nullptr, nullptr, begin, end}), 1) << src.toStdString() << from;
            expect(out, wanted);
        }
        for (const QString& out :
             {dir.filePath("whole.mp4"), dir.filePath("whole.mkv"), dir.filePath("whole.ts"),
              dir.filePath("joined.mp4"), dir.filePath("joined.") + QFileInfo(src).suffix()}) {
            // Kept whole in its own format: a stream that times no picture; joined with itself
            // in its own format: every one.
            if (QFile::remove(out); out.endsWith("whole.ts") && !src.contains("untimed"))
                continue;
            ASSERT_EQ(out.contains("joined") ? join({src, src}, out) + 1 : convert(src, out), 1)
                << out.toStdString();
            expect(out, out.contains("joined") ? twice : all,
                   QFileInfo(out).suffix() != QFileInfo(src).suffix() || decodeErrors(src).empty());
        }
    }
}

// Reading an MPEG stream's index is part of setting a job's input: its progress shows the
// reading, the start counts from 0 again, and a job stopped by then does not read it on (nor
// keep a half-read one for the next job, which opens the file whole).
TEST(UntimedStreams, TheIndexReadIsAJobsProgressAndAStopEndsIt) {
    QTemporaryDir dir;
    const QString ts = makeWithFfmpeg(dir.filePath("stopped.ts"),
                                      {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=8",
                                       "-c:v", "mpeg2video", "-q:v", "1", "-threads", "1"});
    ASSERT_GT(QFileInfo(ts).size(), 2 << 20);
    Job stopped, next, again;
    apiMediaConvertStop(stopped.h);
    EXPECT_LT(apiMediaConvertSetInputMedia(stopped.h, utf8(ts)), 1);
    ASSERT_TRUE(prepare(next, ts, dir.filePath("cut.ts"), 1000000, 2000000));
    EXPECT_GT(apiMediaConvertGetProgress(next.h), 0);
    ASSERT_GE(apiMediaConvertSetInputMedia(again.h, utf8(ts)), 1);
    EXPECT_EQ(apiMediaConvertGetProgress(again.h), 0);
    ASSERT_EQ(apiMediaConvertStart(next.h), 1);
    EXPECT_EQ(apiMediaConvertGetProgress(next.h), 100);
}

// A large file's index is kept in the cache folder and read back by a later run (no reading of
// the file) as it was made; a kept index that is damaged, or of the file before it changed, is
// read as absent.
TEST(UntimedStreams, AKeptIndexIsReadBackAndADamagedOrStaleOneIsReadAsAbsent) {
    QTemporaryDir dir;
    const QByteArray cacheHome = qgetenv("XDG_CACHE_HOME");
    qputenv("XDG_CACHE_HOME", dir.filePath("cache").toUtf8());
    const QString one = makeWithFfmpeg(dir.filePath("one.ts"),
                                       {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=8",
                                        "-c:v", "mpeg2video", "-q:v", "1", "-threads", "1"});
    QFile part(one), big(dir.filePath("big.ts"));
    ASSERT_TRUE(part.open(QIODevice::ReadOnly) && big.open(QIODevice::WriteOnly));
    const QByteArray bytes = part.readAll();
    while (big.size() <= (qint64(16) << 20))
        big.write(bytes);
    big.close();
    // The index of a run of its own: none held by the process; `read` is the file's bytes read.
    const auto indexOf = [&](int64_t* read) {
        ff::SourceIndex::dropHeld();
        ff::InputPtr input = ff::openInput(utf8(big.fileName()));
        *read = 0;
        return input && avformat_find_stream_info(input.get(), nullptr) >= 0
                   ? ff::SourceIndex::of(input.get(), 0, nullptr, [&](int64_t at, int64_t) { *read = at; })
                   : nullptr;
    };
    const auto same = [](const ff::SourceIndex& a, const ff::SourceIndex& b) {
        return std::equal(a.pictures().begin(), a.pictures().end(), b.pictures().begin(), b.pictures().end(),
                          [](const auto& x, const auto& y) {
                              return x.pos == y.pos && x.pts == y.pts && x.dts == y.dts &&
                                     x.flags == y.flags && x.shown == y.shown;
                          }) &&
               a.endTicks() == b.endTicks();
    };
    int64_t read = 0;
    const auto made = indexOf(&read);
    ASSERT_TRUE(made);
    EXPECT_GT(read, 0);
    const QFileInfoList kept = QDir(dir.filePath("cache/Cutbench/index")).entryInfoList(QDir::Files);
    ASSERT_EQ(kept.size(), 1);
    auto back = indexOf(&read);
    ASSERT_TRUE(back);
    EXPECT_EQ(read, 0);
    EXPECT_TRUE(same(*made, *back));
    const std::function<void(QByteArray*)> damages[] = {[](QByteArray* b) { (*b)[b->size() / 2] ^= 0x10; },
                                                        [](QByteArray* b) { b->truncate(b->size() / 2); },
                                                        [](QByteArray* b) { b->fill('\xff'); }};
    for (const auto& damage : damages) {
        QFile file(kept[0].filePath());
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        QByteArray content = file.readAll();
        damage(&content);
        file.resize(0);
        file.seek(0);
        file.write(content);
        file.close();
        back = indexOf(&read);
        ASSERT_TRUE(back);
        EXPECT_GT(read, 0);
        EXPECT_TRUE(same(*made, *back));
    }
    // The file changed since: its kept index is not its own.
    ASSERT_TRUE(big.open(QIODevice::Append));
    big.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    big.close();
    EXPECT_TRUE(indexOf(&read));
    EXPECT_GT(read, 0);
    qputenv("XDG_CACHE_HOME", cacheHome);
}

// A large transport stream opens by its stored times only where they run on one line: a second
// recording whose times start inside the first's (its start and end alone look like one line of
// 84 s) is opened on the index's line of both.
TEST(UntimedStreams, ALargeStreamOpensByItsStoredTimesOnlyWhereTheyRunOnOneLine) {
    QTemporaryDir dir;
    const QString one = makeWithFfmpeg(dir.filePath("long.ts"),
                                       {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=64",
                                        "-c:v", "mpeg2video", "-q:v", "1", "-g", "25", "-threads", "1"});
    const QString later =
        makeWithFfmpeg(dir.filePath("later.ts"), {"-i", one, "-c", "copy", "-output_ts_offset", "20"});
    QFile a(one), b(later), both(dir.filePath("both.ts"));
    ASSERT_TRUE(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly) &&
                both.open(QIODevice::WriteOnly));
    both.write(a.readAll() + b.readAll());
    both.close();
    for (const auto& [path, seconds] : {std::pair{one, 64.0}, std::pair{both.fileName(), 128.0}}) {
        void* media = MediaOpen(utf8(path));
        ASSERT_NE(media, nullptr);
        EXPECT_NEAR(double(MediaGetDuration(media)) / 1e6, seconds, 0.05) << path.toStdString();
        MediaClose(media);
    }
}

// The index of a stream's pictures holds at most 64 bytes a picture once built.
TEST(UntimedStreams, TheIndexHoldsFewBytesAPicture) {
    QTemporaryDir dir;
    const QString ts =
        makeWithFfmpeg(dir.filePath("small.ts"),
                       {"-i", makeCounterClip(dir.filePath("count.mp4"), 25, 8, 25, 3), "-c", "copy"});
    ff::InputPtr input = ff::openInput(utf8(ts));
    ASSERT_TRUE(input && avformat_find_stream_info(input.get(), nullptr) >= 0);
    const auto index = ff::SourceIndex::of(input.get(), 0);
    ASSERT_TRUE(index);
    ASSERT_EQ(index->pictures().size(), 200u);
    EXPECT_LE(index->heldBytes(), 64 * index->pictures().size());
}
