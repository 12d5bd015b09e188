// MPEG streams that time some pictures only (cameras, discs), and HEVC in open groups of pictures:
// each job keeps every picture of its range once, in order, read from the frame number each
// picture shows.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <numeric>

#include "EngineJobs.h"
#include "FrameCounter.h"
#include "PlainTs.h"
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
    // format gives such lines too: film flagged 3:2 in a program stream), and holding `wanted`,
    // each picture at its source picture's size and display aspect, coded as fields where it is,
    // with sound under every picture where the source has it so (a packet's slack at the ends).
    std::map<int, QString> shapeOf;
    QString src;
    bool sound = false;
    const auto expect = [&](const QString& out, const std::vector<int>& wanted, bool quiet = true,
                            bool ownShapes = true) {
        const std::string err = decodeErrorsBesideGuesses(out);
        EXPECT_TRUE(err.empty() || !quiet) << out.toStdString() << err;
        const std::vector<int> shown = decodedCounters(out);
        EXPECT_EQ(shown, wanted) << out.toStdString();
        const std::vector<QString> shapes =
            shapeOf.empty() || !ownShapes ? std::vector<QString>() : pictureShapes(out);
        for (size_t i = 0; i < shapes.size() && i < shown.size(); ++i)
            EXPECT_EQ(shapes[i].toStdString(), shapeOf[shown[i]].toStdString())
                << out.toStdString() << " picture " << shown[i];
        if (!sound)
            return;
        const DecodedFrames v = decodedFrames(out, "v"), a = decodedFrames(out, "a");
        std::vector<double> gaps(a.times.size(), 0);
        std::adjacent_difference(a.times.begin(), a.times.end(), gaps.begin());
        EXPECT_TRUE(a.count > 0 && a.times.front() < v.times.front() + 0.05 && a.end > v.end - 0.05 &&
                    *std::max_element(gaps.begin() + 1, gaps.end()) < 0.1)
            << out.toStdString();
    };
    const auto mpeg = [&](const QString& name, const QStringList& codec) {
        return makeWithFfmpeg(dir.filePath(name),
                              QStringList{"-i", mp4, "-threads", "1", "-c:a", "mp2"} + codec);
    };
    // Every picture untimed (MP2, AAC); the first 20 untimed; a time a pack (H.264 with B-frames); a stretch
    // an hour late; MPEG-2 with a time a pack, and with keyframes timed only; MPEG-1; HEVC in open
    // groups (keyframes whose leading pictures refer to the group before), also in Matroska, with no
    // picture timed and with keyframes timed only (placed by their picture order counts); two
    // recordings end to end (times start again at picture 100); a real pause of 3 s before
    // picture 100, with its sound and without sound; film flagged 3:2 (192 pictures, each shown
    // for three fields or two of 1001/60000 s), also with a time a pack and copied from there into
    // a transport stream by ffmpeg (which times each picture, some a field off); MPEG-4 Part 2 whose B
    // pictures carry no time (placed by their own headers).
    const QString ts = mpeg("timed.ts", {"-c:v", "copy"}),
                  filmPs = makeSoftTelecineClip(dir.filePath("telecine.vob")),
                  aac = makeWithFfmpeg(dir.filePath("aac.ts"), {"-i", mp4, "-c", "copy"});
    // Captures: begun mid-stream (the pictures before the keyframe numbered 0 show 462-511, read
    // from inside the group before it); across a programme change (352x288 4:3, then 480x270 16:9
    // whose times jump with the discontinuity flag set); new parameter sets at a keyframe (320x180,
    // then 480x270); interlace (MBAFF) in pictures 75-149 only.
    const auto x264 = [&](const QString& name, int from, const QString& vf, const QStringList& args,
                          const QString& params = {}) {
        return x264Part(mp4, dir.filePath(name), from, vf, args, params);
    };
    const QString hevc = mpeg("hevc.ts", {"-vf", "scale=320:180", "-c:v", "libx265", "-x265-params",
                                          "bframes=3:keyint=25:pools=1:frame-threads=1:log-level=error"});
    for (const QString& shape :
         {// Pictures an hour late while the sound runs on: 100-149, and 30-49, 90-109 and 150-169.
          hourLate(aac, dir.filePath("late1.ts"), {{100, 149}}),
          hourLate(aac, dir.filePath("late3.ts"), {{30, 49}, {90, 109}, {150, 169}}),
          retimed(ts, dir.filePath("untimed.ts"), [](int64_t, bool) { return -1; }),
          retimed(aac, dir.filePath("untimed_aac.ts"), [](int64_t, bool) { return -1; }),
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
          makeSoftTelecineClip(dir.filePath("telecine.ts")), filmPs,
          makeWithFfmpeg(dir.filePath("telecine_copy.ts"),
                         {"-fflags", "+genpts", "-i", filmPs, "-c", "copy"}),
          untimedBPictures(dir.filePath("mpeg4.vob"), mp4, "mp2"), midStreamCapture(dir.path()),
          programmeChange(mp4, dir.path()),
          endToEnd(dir.filePath("sizes.ts"),
                   {x264("s1.ts", 0, ",scale=320:180,setsar=1", {"-t", "4"}),
                    x264("s2.ts", 4, ",scale=480:270,setsar=1", {"-output_ts_offset", "4"})}),
          endToEnd(
              dir.filePath("mbaff.ts"),
              {x264("i1.ts", 0, "", {"-t", "3"}),
               x264("i2.ts", 3, "", {"-t", "3", "-flags", "+ilme+ildct", "-output_ts_offset", "3"}, ":tff=1"),
               x264("i3.ts", 6, "", {"-output_ts_offset", "6"})})}) {
        src = shape;
        // The pause's pictures end 3 s after its sound, the film's a few milliseconds after.
        sound = !src.contains("pause") && !src.contains("telecine") && probeStreamCount(src, "audio") > 0;
        shapeOf.clear();
        if (src.contains(QRegularExpression("(programmes|sizes|mbaff)\\.ts$"))) // pictures 0-199 in order
            for (const QString& pictureShape : pictureShapes(src))
                shapeOf[int(shapeOf.size())] = pictureShape;
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
            // A range encoded across a change of size is written at its first picture's (README).
            expect(out, wanted, true, from >= 100 || to <= 100 || src.contains("mbaff"));
        }
        // 3 s from 6 s, in the pause: picture 99 shown from the start, then 100-149.
        if (const QString out = dir.filePath("held_" + QFileInfo(src).fileName()); src.contains("pause")) {
            ASSERT_EQ(convert(src, out, {nullptr, nullptr, 6000000, 9000000}), 1);
            std::vector<int> wanted(51);
            std::iota(wanted.begin(), wanted.end(), 99);
            expect(out, wanted);
            EXPECT_NEAR(probeDuration(out), 3.0, 0.03);
        }
        for (const QString& out :
             {dir.filePath("whole.mp4"), dir.filePath("whole.mkv"), dir.filePath("whole.ts"),
              dir.filePath("joined.mp4"), dir.filePath("joined.") + QFileInfo(src).suffix(),
              dir.filePath("encoded.ts"), dir.filePath("encoded_joined.mp4")}) {
            // Kept whole in its own format: a stream that times no picture; joined with itself
            // in its own format: every one. Encoded: pauses and hour-late pictures in their places.
            const bool encoded = out.contains("encoded"),
                       late = src.contains("pause") || src.contains("late");
            if (QFile::remove(out);
                (out.endsWith("whole.ts") && !src.contains("untimed")) || (encoded && !late))
                continue;
            const char* codec = encoded ? (out.endsWith("ts") ? "mpeg2video" : "libx264") : nullptr;
            ASSERT_EQ(out.contains("joined") ? join({src, src}, out, codec) + 1 : convert(src, out, {codec}),
                      1)
                << out.toStdString();
            expect(out, out.contains("joined") ? twice : all,
                   QFileInfo(out).suffix() != QFileInfo(src).suffix() || decodeErrors(src).empty());
            // Untimed pictures start where their sound is heard: its onset as in the same stream timed.
            if (const QString timed = dir.filePath(QFileInfo(src).baseName() + "_timed.mp4");
                out.endsWith("whole.mp4") && src.contains(QRegularExpression("/untimed(_aac)?\\.ts$"))) {
                ASSERT_EQ(convert(src.contains("aac") ? aac : ts, timed, {nullptr}), 1);
                EXPECT_NEAR(clickTimes(decodedSound(out), 1, 0.01f).at(0),
                            clickTimes(decodedSound(timed), 1, 0.01f).at(0), 0.001);
            }
        }
    }
}

// HEVC captures cut out of a recording inside packets (the first keyframe's leading pictures lost
// with the group before) joined with themselves by copy: each copy shows what the capture does.
TEST(UntimedStreams, AnHevcCaptureJoinedWithItselfShowsItsPicturesOncePerCopy) {
    QTemporaryDir dir;
    const QString ts = makeWithFfmpeg(
        dir.filePath("hevc.ts"),
        {"-i", makeCounterClip(dir.filePath("c.mp4"), 25, 10, 25, 0, "threads=1"), "-vf", "scale=640:360",
         "-c:v", "libx265", "-preset", "veryfast", "-x265-params",
         "pools=1:frame-threads=1:bframes=4:keyint=50:log-level=error", "-c:a", "mp2", "-b:a", "192k"});
    for (const int to : {160000, 230000}) {
        const QString capture = dir.filePath(QString("capture%1.ts").arg(to));
        ASSERT_EQ(run("sh", {"-c", QString("tail -c +67001 \"$0\" | head -c %1 > \"$1\"").arg(to - 67000), ts,
                             capture}),
                  0);
        ASSERT_EQ(convert(capture, capture + ".mp4"), 1);
        std::vector<int> once = decodedCounters(capture + ".mp4"), twice = once;
        twice.insert(twice.end(), once.begin(), once.end());
        for (const QString& out : {capture + ".joined.ts", capture + ".joined.mp4"}) {
            ASSERT_EQ(join({capture, capture}, out), 0);
            EXPECT_TRUE(decodeErrors(out).empty() && decodedCounters(out) == twice &&
                        std::adjacent_find(once.begin(), once.end(), std::greater_equal<>()) == once.end())
                << out.toStdString();
        }
    }
}

// H.264 in a program stream (a picture or two in it stores no time) joined with itself by copy:
// ffmpeg's guesses for the untimed pictures fit the decoding times kept from the index.
TEST(UntimedStreams, AProgramStreamJoinedWithItselfDecodesCleanly) {
    QTemporaryDir dir;
    const QString ps = makeWithFfmpeg(dir.filePath("ps.mpg"),
                                      QString("-f lavfi -i testsrc2=size=640x360:duration=10 -f "
                                              "lavfi -i sine=duration=10 -c:v libx264 -bf 3 -g 50 "
                                              "-c:a mp2 -f mpeg")
                                          .split(' ')),
                  out = dir.filePath("joined.mpg");
    ASSERT_EQ(join({ps, ps}, out), 0);
    EXPECT_TRUE(decodeErrors(out).empty() && probeFrameCount(out) == 500) << decodeErrors(out);
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
    QFile big(recordingCopiedPast16MiB(dir.path()));
    ASSERT_TRUE(big.exists());
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

// A large transport stream whose times jump ahead between the stretches its opening reads is
// shown on the line of its stored times: a cut and a join's clip set there hold the pictures
// shown there, placed on the index's line (which leaves the jump out).
TEST(UntimedStreams, RangesSetOnALargeStreamsStoredTimesHoldThePicturesShownThere) {
    QTemporaryDir dir;
    // 30 s of counter pictures padded to 6 Mbit/s (22 MiB), whose times jump 12 s ahead at 9 s.
    const QString mp4 =
        makeCounterClip(dir.filePath("count.mp4"), 25, 30, 25, 0, "threads=1:log-level=error");
    const QString ts =
        retimed(makeWithFfmpeg(dir.filePath("cbr.ts"), {"-i", mp4, "-an", "-c", "copy", "-muxrate", "6M"}),
                dir.filePath("jump.ts"), [](int64_t t, bool) { return t < 810000 ? t : t + 1080000; });
    void* media = MediaOpen(utf8(ts));
    ASSERT_NE(media, nullptr);
    EXPECT_NEAR(double(MediaGetDuration(media)) / 1e6, 42.0, 0.1);
    MediaClose(media);
    const auto frames = [](int first) {
        std::vector<int> v(50);
        std::iota(v.begin(), v.end(), first);
        return v;
    };
    // Shown from 25 s to 27 s: the recording's 13th to 15th second; from 8 s to 22 s: its 8th to 10th.
    Job cut;
    ASSERT_TRUE(convert(cut, ts, dir.filePath("cut.mp4"), 25'000'000, 27'000'000));
    EXPECT_EQ(decodedCounters(dir.filePath("cut.mp4")), frames(325));
    Join join;
    ASSERT_TRUE(apiMediaJoinSetOutputPath(join.h, utf8(dir.filePath("join.mp4"))) >= 1 &&
                apiMediaJoinAddMediaClip(join.h, utf8(ts), 8'000'000, 22'000'000) != 0);
    ASSERT_EQ(apiMediaJoinStart(join.h), 0);
    EXPECT_EQ(decodedCounters(dir.filePath("join.mp4")), frames(200));
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

// A plain transport stream is read by the index's own pass, which gives the index the demuxer
// and its parser give: every field of every picture, and the line.
TEST(UntimedStreams, ThePlainPassGivesTheIndexTheDemuxerGives) {
    QTemporaryDir dir;
    const QStringList src{"-f", "lavfi", "-i",  "testsrc2=size=320x240:rate=25:duration=2",
                          "-g", "12",    "-bf", "2"};
    const std::pair<QString, QStringList> shapes[] = {
        {"h264.ts", {"-c:v", "libx264", "-x264-params", "threads=1"}},
        {"hevc.ts", {"-c:v", "libx265", "-x265-params", "pools=none:frame-threads=1:log-level=0"}},
        {"mpeg2.ts", {"-c:v", "mpeg2video", "-threads", "1"}},
        {"h264.m2ts", {"-c:v", "libx264", "-x264-params", "threads=1", "-mpegts_m2ts_mode", "1"}}};
    const auto same = [](const ff::SourceIndex::Picture& a, const ff::SourceIndex::Picture& b) {
        return std::tie(a.pos, a.stored, a.pts, a.dts, a.duration, a.size, a.shown, a.dup, a.flags) ==
               std::tie(b.pos, b.stored, b.pts, b.dts, b.duration, b.size, b.shown, b.dup, b.flags);
    };
    for (const auto& [name, args] : shapes) {
        const QString ts = makeWithFfmpeg(dir.filePath(name), src + args + QStringList{"-f", "mpegts"});
        std::shared_ptr<const ff::SourceIndex> index[2];
        for (const int plain : {0, 1}) {
            ff::SourceIndex::dropHeld();
            ff::SourceIndex::readPlain(plain != 0);
            ff::InputPtr input = ff::openInput(utf8(ts));
            ASSERT_TRUE(input && avformat_find_stream_info(input.get(), nullptr) >= 0);
            index[plain] = ff::SourceIndex::of(input.get(), 0);
            ASSERT_TRUE(index[plain]);
            QFile file(ts);
            ASSERT_TRUE(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            EXPECT_EQ(ff::plain::readBytes(reinterpret_cast<const uint8_t*>(bytes.data()),
                                           size_t(bytes.size()), input->streams[0]->id,
                                           input->streams[0]->codecpar->codec_id,
                                           [](const ff::plain::Picture&) {}),
                      ff::plain::End::Done)
                << name.toStdString();
        }
        const auto &a = *index[0], &b = *index[1];
        EXPECT_TRUE(std::equal(a.pictures().begin(), a.pictures().end(), b.pictures().begin(),
                               b.pictures().end(), same) &&
                    a.startTicks() == b.startTicks() && a.endTicks() == b.endTicks() &&
                    a.pictureTicks() == b.pictureTicks())
            << name.toStdString();
    }
}
