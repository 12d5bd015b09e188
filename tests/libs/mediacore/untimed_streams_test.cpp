// MPEG streams that time some pictures only (cameras, discs), and HEVC in open groups of pictures:
// each job keeps every picture of its range once, in order, read from the frame number each
// picture shows.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <atomic>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <numeric>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

#include "EngineJobs.h"
#include "FrameCounter.h"
#include "PlainTs.h"
#include "SourceIndex.h"
#include "TestSupport.h"

using namespace testsupport;

namespace {

// The clips the table's shapes are made from, each made when a shape first needs it: a shape
// runs as a test of its own, and makes only what it needs.
class ShapeSources {
public:
    explicit ShapeSources(const QString& folder) : dir_(folder) {}
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString folder() const { return dir_.path(); }
    QString mp4() {
        return once(mp4_,
                    [&] { return makeCounterClip(path("count.mp4"), 25, 8, 25, 3, "b-adapt=0:threads=1"); });
    }
    QString mpeg(const QString& name, const QStringList& codec) {
        return makeWithFfmpeg(path(name), QStringList{"-i", mp4(), "-threads", "1", "-c:a", "mp2"} + codec);
    }
    QString ts() {
        return once(ts_, [&] { return mpeg("timed.ts", {"-c:v", "copy"}); });
    }
    QString aac() {
        return once(aac_, [&] { return makeWithFfmpeg(path("aac.ts"), {"-i", mp4(), "-c", "copy"}); });
    }
    QString hevc() {
        return once(hevc_, [&] {
            return mpeg("hevc.ts", {"-vf", "scale=320:180", "-c:v", "libx265", "-x265-params",
                                    "bframes=3:keyint=25:pools=1:frame-threads=1:log-level=error"});
        });
    }
    QString filmPs() {
        return once(filmPs_, [&] { return makeSoftTelecineClip(path("telecine.vob")); });
    }
    QString x264(const QString& name, int from, const QString& vf, const QStringList& args,
                 const QString& params = {}) {
        return x264Part(mp4(), path(name), from, vf, args, params);
    }

private:
    static QString once(QString& made, const std::function<QString()>& make) {
        if (made.isEmpty())
            made = make();
        return made;
    }
    QDir dir_;
    QString mp4_, ts_, aac_, hevc_, filmPs_;
};

QString keyedOnly(ShapeSources& s, const QString& from, const QString& name) {
    return retimed(from, s.path(name), [](int64_t t, bool key) { return key ? t : -1; });
}
QString untimed(ShapeSources& s, const QString& from, const QString& name) {
    return retimed(from, s.path(name), [](int64_t, bool) { return -1; });
}
QString paused(const QString& from, const QString& path) {
    return retimed(from, path, [](int64_t t, bool) { return t >= 100 * 3600 ? t + 3 * 90000 : t; });
}

// Every picture untimed (MP2, AAC); the first 20 untimed; a time a pack (H.264 with B-frames); a
// stretch an hour late; MPEG-2 with a time a pack, and with keyframes timed only; MPEG-1; HEVC in
// open groups (keyframes whose leading pictures refer to the group before), also in Matroska, with
// no picture timed and with keyframes timed only (placed by their picture order counts); two
// recordings end to end (times start again at picture 100); a real pause of 3 s before picture
// 100, with its sound and without sound; film flagged 3:2 (192 pictures, each shown for three
// fields or two of 1001/60000 s), also with a time a pack and copied from there into a transport
// stream by ffmpeg (which times each picture, some a field off); MPEG-4 Part 2 whose B pictures
// carry no time (placed by their own headers).
// Captures: begun mid-stream (the pictures before the keyframe numbered 0 show 462-511, read from
// inside the group before it); across a programme change (352x288 4:3, then 480x270 16:9 whose
// times jump with the discontinuity flag set); new parameter sets at a keyframe (320x180, then
// 480x270); interlace (MBAFF) in pictures 75-149 only.
const std::vector<std::pair<const char*, std::function<QString(ShapeSources&)>>> kJobShapes = {
    // Pictures an hour late while the sound runs on: 100-149, and 30-49, 90-109 and 150-169.
    {"late1",
     [](ShapeSources& s) {
         return hourLate(s.aac(), s.path("late1.ts"), {{100, 149}});
     }},
    {"late3",
     [](ShapeSources& s) {
         return hourLate(s.aac(), s.path("late3.ts"), {{30, 49}, {90, 109}, {150, 169}});
     }},
    {"untimed", [](ShapeSources& s) { return untimed(s, s.ts(), "untimed.ts"); }},
    {"untimed_aac", [](ShapeSources& s) { return untimed(s, s.aac(), "untimed_aac.ts"); }},
    {"first20",
     [](ShapeSources& s) {
         return retimed(s.ts(), s.path("first20.ts"), [](int64_t t, bool) { return t < 20 * 3600 ? -1 : t; });
     }},
    {"vob",
     [](ShapeSources& s) {
         const QString vob =
             makeWithFfmpeg(s.path("h264.vob"), {"-i", s.mp4(), "-c:v", "copy", "-bsf:v", "h264_mp4toannexb",
                                                 "-c:a", "mp2", "-f", "vob"});
         return makeWithFfmpeg(s.path("vob.ts"), {"-i", vob, "-c", "copy"});
     }},
    // Pictures 100 to 149 an hour late: damaged times, not a second recording.
    {"jump",
     [](ShapeSources& s) {
         return retimed(s.ts(), s.path("jump.ts"), [](int64_t t, bool) {
             return t >= 100 * 3600 && t < 150 * 3600 ? t + int64_t(3600) * 90000 : t;
         });
     }},
    {"mpeg2",
     [](ShapeSources& s) {
         return s.mpeg("mpeg2.vob", {"-c:v", "mpeg2video", "-q:v", "2", "-bf", "2", "-g", "25", "-f", "vob"});
     }},
    {"keyed",
     [](ShapeSources& s) {
         return keyedOnly(s,
                          s.mpeg("big.vob", {"-c:v", "mpeg2video", "-s", "352x240", "-q:v", "2", "-bf", "2",
                                             "-g", "25", "-f", "vob"}),
                          "keyed.vob");
     }},
    {"mpeg1",
     [](ShapeSources& s) {
         return s.mpeg("mpeg1.mpg",
                       {"-c:v", "mpeg1video", "-s", "352x240", "-q:v", "2", "-g", "18", "-f", "mpeg"});
     }},
    {"hevc", [](ShapeSources& s) { return s.hevc(); }},
    {"hevc_mkv",
     [](ShapeSources& s) {
         return makeWithFfmpeg(s.path("hevc.mkv"), {"-i", s.hevc(), "-c", "copy"});
     }},
    {"hevc_untimed", [](ShapeSources& s) { return untimed(s, s.hevc(), "hevc_untimed.ts"); }},
    {"hevc_keyed", [](ShapeSources& s) { return keyedOnly(s, s.hevc(), "hevc_keyed.ts"); }},
    {"restart",
     [](ShapeSources& s) {
         return retimed(s.ts(), s.path("restart.ts"),
                        [](int64_t t, bool) { return t >= 100 * 3600 ? t - 100 * 3600 : t; });
     }},
    {"pause", [](ShapeSources& s) { return paused(s.ts(), s.path("pause.ts")); }},
    {"pause_silent",
     [](ShapeSources& s) {
         return paused(makeWithFfmpeg(s.path("silent.ts"), {"-i", s.ts(), "-an", "-c", "copy"}),
                       s.path("pause_silent.ts"));
     }},
    {"telecine_ts", [](ShapeSources& s) { return makeSoftTelecineClip(s.path("telecine.ts")); }},
    {"telecine_vob", [](ShapeSources& s) { return s.filmPs(); }},
    {"telecine_copy",
     [](ShapeSources& s) {
         return makeWithFfmpeg(s.path("telecine_copy.ts"),
                               {"-fflags", "+genpts", "-i", s.filmPs(), "-c", "copy"});
     }},
    {"mpeg4", [](ShapeSources& s) { return untimedBPictures(s.path("mpeg4.vob"), s.mp4(), "mp2"); }},
    {"capture", [](ShapeSources& s) { return midStreamCapture(s.folder()); }},
    {"programmes", [](ShapeSources& s) { return programmeChange(s.mp4(), s.folder()); }},
    {"sizes",
     [](ShapeSources& s) {
         return endToEnd(s.path("sizes.ts"),
                         {s.x264("s1.ts", 0, ",scale=320:180,setsar=1", {"-t", "4"}),
                          s.x264("s2.ts", 4, ",scale=480:270,setsar=1", {"-output_ts_offset", "4"})});
     }},
    {"mbaff",
     [](ShapeSources& s) {
         return endToEnd(s.path("mbaff.ts"),
                         {s.x264("i1.ts", 0, "", {"-t", "3"}),
                          s.x264("i2.ts", 3, "",
                                 {"-t", "3", "-flags", "+ilme+ildct", "-output_ts_offset", "3"}, ":tff=1"),
                          s.x264("i3.ts", 6, "", {"-output_ts_offset", "6"})});
     }},
};

// Each shape is a test of its own, so that the table's shards share them out.
class EveryJob : public testing::TestWithParam<size_t> {};

} // namespace

TEST_P(EveryJob, KeepsEachPictureOfItsRangeOnceInOrder) {
    QTemporaryDir dir;
    ShapeSources sources(dir.path());
    const QString src = kJobShapes[GetParam()].second(sources);
    ASSERT_FALSE(src.isEmpty());
    // Written without a line from ffmpeg's decoding (unless its reading of the source in the same
    // format gives such lines too: film flagged 3:2 in a program stream), and holding `wanted`,
    // each picture at its source picture's size and display aspect, coded as fields where it is,
    // with sound under every picture where the source has it so (a packet's slack at the ends).
    std::map<int, QString> shapeOf;
    // The pause's pictures end 3 s after its sound, the film's a few milliseconds after.
    const bool sound =
        !src.contains("pause") && !src.contains("telecine") && probeStreamCount(src, "audio") > 0;
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
    for (const auto& [from, to] :
         {std::pair{150, 190}, std::pair{0, 40}, std::pair{24, 64}, std::pair{75, 100}, std::pair{126, 127},
          std::pair{35, 36}, std::pair{199, 200}, std::pair{151, 161}, std::pair{95, 105}}) {
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
    for (const QString& out : {dir.filePath("whole.mp4"), dir.filePath("whole.mkv"), dir.filePath("whole.ts"),
                               dir.filePath("joined.mp4"), dir.filePath("joined.") + QFileInfo(src).suffix(),
                               dir.filePath("encoded.ts"), dir.filePath("encoded_joined.mp4")}) {
        // Kept whole in its own format: a stream that times no picture; joined with itself
        // in its own format: every one. Encoded: pauses and hour-late pictures in their places.
        const bool encoded = out.contains("encoded"), late = src.contains("pause") || src.contains("late");
        if (QFile::remove(out); (out.endsWith("whole.ts") && !src.contains("untimed")) || (encoded && !late))
            continue;
        const char* codec = encoded ? (out.endsWith("ts") ? "mpeg2video" : "libx264") : nullptr;
        ASSERT_EQ(out.contains("joined") ? join({src, src}, out, codec) + 1 : convert(src, out, {codec}), 1)
            << out.toStdString();
        expect(out, out.contains("joined") ? twice : all,
               QFileInfo(out).suffix() != QFileInfo(src).suffix() || decodeErrors(src).empty());
        // Untimed pictures start where their sound is heard: its onset as in the same stream timed.
        if (const QString timed = dir.filePath(QFileInfo(src).baseName() + "_timed.mp4");
            out.endsWith("whole.mp4") && src.contains(QRegularExpression("/untimed(_aac)?\\.ts$"))) {
            ASSERT_EQ(convert(src.contains("aac") ? sources.aac() : sources.ts(), timed, {nullptr}), 1);
            EXPECT_NEAR(clickTimes(decodedSound(out), 1, 0.01f).at(0),
                        clickTimes(decodedSound(timed), 1, 0.01f).at(0), 0.001);
        }
    }
}
INSTANTIATE_TEST_SUITE_P(Shapes, EveryJob, testing::Range(size_t(0), kJobShapes.size()),
                         [](const testing::TestParamInfo<size_t>& info) {
                             return kJobShapes[info.param].first;
                         });

// HEVC captures cut out of a recording inside packets (the first keyframe's leading pictures lost
// with the group before) joined with themselves by copy: each copy shows what the capture does.
TEST(UntimedStreams, AnHevcCaptureJoinedWithItselfShowsItsPicturesOncePerCopy) {
    QTemporaryDir dir;
    for (const int to : {160000, 230000}) {
        const QString capture = hevcCapture(dir.path(), to);
        ASSERT_FALSE(capture.isEmpty());
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
    for (const QString groups : {"-bf 3 -g 50", "-bf 2 -g 25"}) {
        const QString ps = makeWithFfmpeg(dir.filePath(QString(groups).remove(' ') + ".mpg"),
                                          QString("-f lavfi -i testsrc2=size=640x360:duration=10 -f lavfi -i "
                                                  "sine=duration=10 -c:v libx264 %1 -c:a mp2 -f mpeg")
                                              .arg(groups)
                                              .split(' ')),
                      out = ps + ".joined.mpg";
        ASSERT_EQ(join({ps, ps}, out), 0);
        // Not even a warning: the times of the pictures stored without one are not left to guesses.
        QByteArray said;
        run(FFMPEG_EXECUTABLE, {"-v", "warning", "-nostdin", "-i", out, "-f", "null", "-"}, nullptr, &said);
        EXPECT_TRUE(said.isEmpty() && probeFrameCount(out) == 500)
            << groups.toStdString() << said.toStdString();
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
    // A pipe at its name holds no reading: the file is read instead (a watchdog lets a reading
    // that waits for a writer go after 30 s, and fails the row).
    const std::string at = kept[0].filePath().toStdString();
    ASSERT_TRUE(QFile::remove(kept[0].filePath()) && ::mkfifo(at.c_str(), 0600) == 0);
    std::atomic<bool> done{false}, released{false};
    std::thread watchdog([&] {
        for (int i = 0; i < 300 && !done; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        struct stat st {};
        if (const int fd = ::open(at.c_str(), O_WRONLY | O_NONBLOCK); fd >= 0) {
            released = ::fstat(fd, &st) == 0 && S_ISFIFO(st.st_mode) && !done;
            ::close(fd);
        }
    });
    back = indexOf(&read);
    done = true;
    watchdog.join();
    EXPECT_FALSE(released);
    ASSERT_TRUE(back);
    EXPECT_GT(read, 0);
    EXPECT_TRUE(same(*made, *back));
    // The file changed since: its kept index is not its own.
    ASSERT_TRUE(big.open(QIODevice::Append));
    big.setFileTime(QDateTime::currentDateTime().addSecs(60), QFileDevice::FileModificationTime);
    big.close();
    EXPECT_TRUE(indexOf(&read));
    EXPECT_GT(read, 0);
    qputenv("XDG_CACHE_HOME", cacheHome);
}

// A large transport stream whose times misbehave from picture 300 (12 s) on, as recorders'
// do: shown by its stored times until its index is read, then on the index's line. Each cut
// holds the pictures shown in its range on the line it was set on, or is refused where the
// stored times show two pictures at an end.
namespace {

struct Shape {
    const char* name;
    int64_t moved; // the stored times from picture 300 on moved by these ticks; 0: 300-359 store none
    double storedSeconds, lineSeconds;
    // Ranges on the stored times, then one on the line, and the first picture each holds and
    // how many (0: refused).
    struct Cut {
        double from, to;
        int first, count;
    } cuts[3];
};

constexpr int64_t kSecond = 90000;
const Shape kShapes[] = {
    {"back", -3 * kSecond, 17, 20, {{5, 6, 125, 25}, {11, 14, 0, 0}, {11, 14, 275, 75}}},
    {"pause", 3 * kSecond, 23, 23, {{11, 16, 275, 50}, {15, 16, 300, 25}, {11, 16, 275, 50}}},
    {"jump", 30 * kSecond, 50, 20, {{11, 43, 275, 50}, {11, 14, 275, 25}, {11, 14, 275, 75}}},
    {"restart", -12 * kSecond, 8, 20, {{5, 6, 0, 0}, {2, 3, 0, 0}, {11, 14, 275, 75}}},
    {"untimed", 0, 20, 20, {{11, 16, 275, 125}, {14, 16, 350, 50}, {11, 16, 275, 125}}},
};

// 20 s of counter pictures with sound, padded to 8 Mbit/s (19 MiB), made once.
QString paddedCounterClip() {
    static QTemporaryDir dir;
    static const QString ts = makeWithFfmpeg(
        dir.filePath("padded.ts"),
        {"-i", makeCounterClip(dir.filePath("count.mp4"), 25, 20, 25, 0, "threads=1:log-level=error"), "-c",
         "copy", "-muxrate", "8M"});
    return ts;
}

QString shaped(const Shape& shape, const QString& folder) {
    constexpr int64_t kAt = 12 * kSecond;
    const int64_t moved = shape.moved;
    return retimed(
        paddedCounterClip(), folder + "/" + shape.name + ".ts",
        [moved](int64_t t, bool) {
            return t < kAt ? t : moved != 0 ? t + moved : t < kAt + 60 * 3600 ? -1 : t;
        },
        moved != 0);
}

std::vector<int> run(int first, int count) {
    std::vector<int> v(size_t(std::max(0, count)));
    std::iota(v.begin(), v.end(), first);
    return v;
}

// The job's result and, when it wrote its output, the pictures it holds.
void expectCut(Job& job, const QString& out, const Shape::Cut& cut) {
    const int r = apiMediaConvertStart(job.h);
    SCOPED_TRACE(out.toStdString());
    if (cut.count == 0) {
        EXPECT_EQ(r, MEDIACORE_ERROR_RANGE_UNPLACED);
        EXPECT_FALSE(QFile::exists(out));
        return;
    }
    ASSERT_EQ(r, 1);
    EXPECT_EQ(decodedCounters(out), run(cut.first, cut.count));
}

double openedSeconds(const QString& path) {
    void* media = MediaOpen(utf8(path));
    const double seconds = media ? double(MediaGetDuration(media)) / 1e6 : -1;
    MediaClose(media);
    return seconds;
}

struct FreshCache { // no index held or kept
    QTemporaryDir dir;
    QByteArray home = qgetenv("XDG_CACHE_HOME");
    FreshCache() {
        qputenv("XDG_CACHE_HOME", dir.path().toUtf8());
        ff::SourceIndex::dropHeld();
    }
    ~FreshCache() { qputenv("XDG_CACHE_HOME", home); }
};

} // namespace

TEST(UntimedStreams, CutsOfALargeStreamHoldThePicturesShownOnTheLineTheyWereSetOn) {
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        QTemporaryDir dir;
        const QString ts = shaped(shape, dir.path());
        ASSERT_FALSE(ts.isEmpty());
        FreshCache cache;
        // Set up right after the file is opened, before its index is read.
        MediaStopReading(1);
        EXPECT_NEAR(openedSeconds(ts), shape.storedSeconds, 0.1);
        Job stored[2];
        for (int k = 0; k < 2; ++k)
            ASSERT_TRUE(
                prepare(stored[k], ts, dir.filePath(QString("stored%1.%2").arg(k).arg(k ? "ts" : "mp4")),
                        std::llround(shape.cuts[k].from * 1e6), std::llround(shape.cuts[k].to * 1e6)));
        MediaStopReading(0);
        for (int k = 0; k < 2; ++k)
            expectCut(stored[k], dir.filePath(QString("stored%1.%2").arg(k).arg(k ? "ts" : "mp4")),
                      shape.cuts[k]);
        // Once the index is held, every opening shows its line.
        EXPECT_NEAR(openedSeconds(ts), shape.lineSeconds, 0.1);
        Job line;
        ASSERT_TRUE(prepare(line, ts, dir.filePath("line.mp4"), std::llround(shape.cuts[2].from * 1e6),
                            std::llround(shape.cuts[2].to * 1e6)));
        expectCut(line, dir.filePath("line.mp4"), shape.cuts[2]);
        if (shape.moved == 3 * kSecond) {
            // The sound pauses with the pictures (its packets stored ahead: from about 1.3 s of
            // the cut to 4.3 s), and what follows is heard after the pause, not under it.
            for (const QString& out : {dir.filePath("stored0.mp4"), dir.filePath("line.mp4")}) {
                const DecodedSound sound = decodedSound(out);
                EXPECT_TRUE(!silences(sound, 0.01f, 1.5, 3.5).empty() &&
                            silences(sound, 0.01f, 4.5, 4.9).empty() &&
                            sound.offset + double(sound.samples.size()) / std::max(1, sound.rate) > 4.9)
                    << out.toStdString();
            }
        }
    }
}

// Parts of the file capped at a quarter of it hold every picture once, and a join of the file
// with itself holds it twice, its sound as long as its pictures.
TEST(UntimedStreams, PartsAndASelfJoinOfALargeStreamHoldEveryPicture) {
    for (const Shape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        QTemporaryDir dir;
        const QString ts = shaped(shape, dir.path());
        FreshCache cache;
        Job whole;
        ASSERT_TRUE(convert(whole, ts, dir.filePath("whole.mp4")));
        ASSERT_EQ(decodedCounters(dir.filePath("whole.mp4")), run(0, 500));
        const qint64 cap = QFileInfo(dir.filePath("whole.mp4")).size() / 4;
        std::vector<int> all;
        for (int64_t i = 0, startUs = 0; i < 12 && startUs < int64_t(shape.lineSeconds * 1e6) - 40000; ++i) {
            const QString out = dir.filePath(QString("part%1.mp4").arg(i));
            Job part;
            ASSERT_TRUE(convert(part, ts, out, startUs, int64_t(shape.lineSeconds * 1e6), cap));
            const std::vector<int> shown = decodedCounters(out);
            all.insert(all.end(), shown.begin(), shown.end());
            // The next part starts on the picture after this part's last, as the split window's do.
            startUs = (startUs + apiMediaConvertGetOutputDuration(part.h) + 2000) / 40000 * 40000;
        }
        EXPECT_EQ(all, run(0, 500));
        ASSERT_EQ(join({ts, ts}, dir.filePath("join.mp4")), 0);
        std::vector<int> twice = run(0, 500);
        twice.insert(twice.end(), twice.begin(), twice.end());
        EXPECT_EQ(decodedCounters(dir.filePath("join.mp4")), twice);
        EXPECT_NEAR(decodedFrames(dir.filePath("join.mp4"), "a").end,
                    decodedFrames(dir.filePath("join.mp4"), "v").end, 0.1);
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
