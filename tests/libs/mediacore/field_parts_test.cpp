// Size-capped parts and cuts of the clips users bring from phones, cameras, browsers and
// broadcast recordings, judged by the frames ffprobe decodes: each part ends its picture and its
// sound together, fills its cap unless it is the rest of the file, and the parts go on to the end.
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <malloc.h>
#include <numeric>

#include <gtest/gtest.h>

#include "../../tools/shared/MpegShapes.h"
#include "EngineJobs.h"
#include "FrameCounter.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

namespace {

double sourceSeconds(const QString& path) {
    void* media = MediaOpen(utf8(path));
    const double d = media ? MediaGetDuration(media) / 1e6 : 0;
    if (media)
        MediaClose(media);
    return d;
}

// The picture and the sound of a file end together, within `frame` seconds.
void expectEndsTogether(const QString& path, double frame) {
    const DecodedFrames v = decodedFrames(path, "v"), a = decodedFrames(path, "a");
    ASSERT_FALSE(v.times.empty());
    ASSERT_FALSE(a.times.empty());
    // AVI stores no presentation times (a decoder's guesses run late by the reordering of its
    // pictures), and every picture lasts one frame from the file's start.
    const double pictureEnd = path.endsWith(".avi") ? v.count * frame : v.end;
    EXPECT_NEAR(a.end, pictureEnd, frame + 0.002); // times rounded to the containers' clocks
}

// Splits `src` into parts of at most `cap` bytes the way the split window does: each part starts
// where the one before it ended (on the grid of `rate` pictures a second), until the file's end.
// Checks each part and the whole; `frame` is the longest picture of the source. A part that is
// not the last holds at least `fill` of its cap.
void expectCappedParts(const QString& src, const QString& ext, qint64 cap, double rate, double frame,
                       const char* vcodec = nullptr, double fill = 0.8, int endPictures = 1) {
    SCOPED_TRACE(QString("%1 capped at %2 %3").arg(src).arg(cap).arg(vcodec ? vcodec : "").toStdString());
    QTemporaryDir dir;
    const double total = sourceSeconds(src);
    double start = 0;
    int pictures = 0;
    for (int i = 0; i < 30 && start < total - 0.02; ++i) {
        const QString out = dir.filePath(QString("part%1.%2").arg(i).arg(ext));
        SCOPED_TRACE(QString("part %1 from %2 s").arg(i).arg(start).toStdString());
        Job job;
        ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(src)), 1);
        ASSERT_TRUE(!vcodec || apiMediaConvertSetVcodec(job.h, vcodec) >= 1);
        ASSERT_GE(apiMediaConvertSetLimitFileSize(job.h, cap), 1);
        // To the file's end, as the split window asks: a range short of it by a rounding would
        // be a cut, which re-encodes the sound.
        if (apiMediaConvertSetCutTime(job.h, std::llround(start * 1e6), std::llround(total * 1e6)) < 1)
            break; // sound alone after the last picture: the end of the file
        ASSERT_TRUE(finish(job, out));
        EXPECT_EQ(decodeErrors(out), "");
        // The engine knows the length of a part it copied; the split window reads the others.
        double made = apiMediaConvertGetOutputDuration(job.h) / 1e6;
        if (made <= 0)
            made = sourceSeconds(out);
        ASSERT_GT(made, 0.0);
        const qint64 size = QFileInfo(out).size();
        EXPECT_LE(size, cap);
        pictures += decodedFrames(out, "v").count;
        if (start + made < total - frame) {
            EXPECT_GE(size, qint64(double(cap) * fill)) << "a part that is not the last keeps too little";
        }
        expectEndsTogether(out, frame * endPictures);
        start = std::floor((start + made + 0.002) * rate) / rate;
    }
    // The file's length counts its last picture with a time; pictures without one may follow.
    EXPECT_NEAR(start, total, (1 + endPictures) * frame) << "the parts end before the file";
    EXPECT_NEAR(pictures, decodedFrames(src, "v").count, 2) << "pictures lost or repeated between parts";
}

qint64 share(const QString& path, double fraction) {
    return qint64(QFileInfo(path).size() * fraction);
}

// A cut of [from, to) seconds, keeping the format or re-encoding the picture with `vcodec`.
bool cutTo(const QString& src, const QString& out, double from, double to, const char* vcodec) {
    Job job;
    return apiMediaConvertSetInputMedia(job.h, utf8(src)) >= 1 &&
           (!vcodec || apiMediaConvertSetVcodec(job.h, vcodec) >= 1) &&
           apiMediaConvertSetCutTime(job.h, int64_t(from * 1e6), int64_t(to * 1e6)) >= 1 && finish(job, out);
}

// The pictures of a file in the order shown, each by the hash of its decoded pixels; the file
// decodes without a word from ffmpeg.
QStringList pictureHashes(const QString& path) {
    QByteArray out, err;
    run(FFMPEG_EXECUTABLE,
        {"-v", "error", "-nostdin", "-i", path, "-map", "0:v:0", "-fps_mode", "passthrough", "-f", "framemd5",
         "-"},
        &out, &err);
    EXPECT_EQ(err.left(300).toStdString(), "") << path.toStdString();
    QStringList hashes;
    for (const QByteArray& line : out.split('\n'))
        if (!line.startsWith('#') && line.count(',') == 5)
            hashes << line.split(',').last().trimmed();
    return hashes;
}

} // namespace

// A camera's interlaced recording: each picture stored as two field packets (36 pictures in 72),
// the first two shown before the keyframe that opens it. Copied alone or twice, converted whole
// and split, every picture comes out once with both its fields. MP4 hides what its first picture
// decoded is shown after: there the recording begins on its keyframe.
TEST(FieldParts, ACameraRecordingInFieldsIsJoinedAndSplitInWholePictures) {
    QTemporaryDir dir;
    const QString src = dir.filePath("camcorder.mts");
    ASSERT_TRUE(QFile::copy(CUTBENCH_SOURCE_DIR "/../shared/media/camcorder_1080i50_fields.mts", src));
    const QStringList source = pictureHashes(src);
    ASSERT_EQ(source.size(), 36);
    for (const QString ext : {"mts", "mkv", "mp4"}) {
        const QStringList shown = ext == "mp4" ? source.mid(2) : source;
        for (const int clips : {1, 2}) {
            const QString out = dir.filePath(QString("joined%1.%2").arg(clips).arg(ext));
            SCOPED_TRACE(out.toStdString());
            ASSERT_EQ(join(QStringList(clips, src), out), 0);
            EXPECT_EQ(pictureHashes(out), clips == 1 ? shown : shown + source);
        }
        const QString whole = dir.filePath("whole." + ext);
        Job job;
        ASSERT_TRUE(convert(job, src, whole));
        EXPECT_EQ(pictureHashes(whole), shown);
    }
    // A capped part ends on a whole picture.
    const int64_t end = std::llround(sourceSeconds(src) * 1e6);
    const QString part = dir.filePath("part.mts"), refused = dir.filePath("refused.mts");
    Job capped, tooSmall;
    ASSERT_TRUE(convert(capped, src, part, 0, end, 1000000));
    const QStringList kept = pictureHashes(part);
    EXPECT_GE(kept.size(), 3);
    EXPECT_EQ(kept, source.mid(0, kept.size()));
    // A cap under the keyframe's two fields, the largest picture stored, is refused before any
    // part is written: a later picture could fit in no part.
    EXPECT_FALSE(convert(tooSmall, src, refused, 0, end, 300000));
    EXPECT_FALSE(QFileInfo::exists(refused));
    // Its first second copied out loses the picture shown before the last keyframe: parts capped
    // at a third of its size, each from where the one before ended, hold every picture once (the
    // part before the gap lasts until the picture after it).
    const QString first =
        makeWithFfmpeg(dir.filePath("first.mts"), {"-i", src, "-t", "1", "-map", "0", "-c", "copy"});
    const tooltest::MpegShape shape{"first", first, 26, false};
    std::vector<int> parts;
    for (int64_t from = 0, i = 0; from < 1060000 && i < 6; ++i) {
        const QString out = dir.filePath(QString("first%1.mts").arg(i));
        Job job;
        ASSERT_TRUE(convert(job, first, out, from, 1080000, QFileInfo(first).size() / 3)) << from;
        const std::vector<int> shown = tooltest::shownPictures(shape, out);
        parts.insert(parts.end(), shown.begin(), shown.end());
        from += apiMediaConvertGetOutputDuration(job.h);
    }
    EXPECT_EQ(parts, tooltest::numbers(0, 26));
}

// A program stream ending inside its last MP2 frame (192 of 731 bytes) joined with itself: that
// frame is left out, not completed with the next clip's first, and every whole frame decodes.
TEST(FieldParts, ARecordingEndingInsideASoundFrameIsJoinedWithItself) {
    QTemporaryDir dir;
    const QString src = dir.filePath("short_mp2.mpg");
    ASSERT_TRUE(QFile::copy(CUTBENCH_SOURCE_DIR "/../shared/media/mpeg1_ps_short_mp2.mpg", src));
    ASSERT_EQ(decodeErrors(src), "");
    for (const QString& out : {dir.filePath("joined.mpg"), dir.filePath("joined.mts")}) {
        ASSERT_EQ(join({src, src}, out), 0);
        EXPECT_EQ(decodeErrors(out), "") << out.toStdString();
        EXPECT_EQ(decodedFrames(out, "a").count, 2 * (decodedFrames(src, "a").count - 1))
            << out.toStdString();
    }
}

TEST(FieldParts, KeepFormatPartsEndPictureAndSoundTogetherAndFillTheirCap) {
    struct Case {
        const char* clip;
        const char* ext;
        double fraction, rate, frame;
    };
    for (const Case& c :
         {Case{"phone_vfr.mp4", "mp4", 0.3, 30, 1 / 15.0}, Case{"camera_pcm.avi", "avi", 0.3, 25, 0.04},
          Case{"h264_pcm.avi", "avi", 0.3, 25, 0.04}, Case{"browser.webm", "webm", 0.16, 30, 1 / 30.0},
          Case{"ac3_ass.mkv", "mkv", 0.3, 25, 0.04}, Case{"hevc.mp4", "mp4", 0.3, 25, 0.04},
          Case{"amr.3g2", "3g2", 0.3, 15, 1 / 15.0}}) {
        const QString src = fieldClip(c.clip);
        expectCappedParts(src, c.ext, share(src, c.fraction), c.rate, c.frame);
    }
}

// A part that starts on the last picture or the last two lies inside one group of pictures and is
// re-encoded whole, with libx265 for this clip, which leaves a time unset when it codes fewer than
// three pictures. Memory is handed out filled with a pattern meanwhile (glibc's M_PERTURB), so
// that what an encoder leaves unset shows in every run, not only when the heap held old data.
TEST(FieldParts, APartOfTheLastPicturesOfAnHevcClipIsWritten) {
    const QString src = fieldClip("phone_hevc.mov");
    const std::vector<double> times = decodedFrames(src, "v").times;
    ASSERT_GE(times.size(), 2u);
    const double total = sourceSeconds(src);
    QTemporaryDir dir;
    struct Perturbed {
        Perturbed() { mallopt(M_PERTURB, 0xa5); }
        ~Perturbed() { mallopt(M_PERTURB, 0); }
    } perturbed;
    for (const int pictures : {1, 2}) {
        const double start = times[times.size() - size_t(pictures)];
        SCOPED_TRACE(QString("from %1 s").arg(start).toStdString());
        const QString out = dir.filePath(QString("last%1.mov").arg(pictures));
        Job job;
        ASSERT_TRUE(
            convert(job, src, out, std::llround(start * 1e6), std::llround(total * 1e6), share(src, 0.1)));
        EXPECT_EQ(decodeErrors(out), "");
        EXPECT_EQ(decodedFrames(out, "v").count, pictures);
        expectEndsTogether(out, 1 / 30.0);
    }
}

// The last picture of these streams is a key picture stored before the B-picture shown ahead of
// it: a capped part from there to the end holds that one picture, re-encoded alone.
TEST(FieldParts, APartOfTheLastPictureOfAProgramStreamHoldsIt) {
    for (const char* clip : {"mpeg1.mpg", "program.mpg"}) {
        SCOPED_TRACE(clip);
        const QString src = fieldClip(clip);
        const std::vector<double> times = decodedFrames(src, "v").times;
        ASSERT_GE(times.size(), 2u);
        QTemporaryDir dir;
        const QString out = dir.filePath("last.mpg");
        Job job;
        ASSERT_TRUE(convert(job, src, out, std::llround((times.back() - times.front()) * 1e6),
                            std::llround(sourceSeconds(src) * 1e6), share(src, 0.25)));
        EXPECT_EQ(decodedFrames(out, "v").count, 1);
    }
}

TEST(FieldParts, ReencodedPartsOfMpegStreams) {
    for (const char* clip : {"mpeg1.mpg", "program.mpg", "avchd.m2ts"}) {
        const QString src = fieldClip(clip);
        expectCappedParts(src, "mp4", share(src, 0.25), 25, 0.04, "libx264");
    }
}

TEST(FieldBroadcast, ARecordingThatBeginsInsideAGroupOfPicturesCutsAndConverts) {
    QTemporaryDir dir;
    const QString src = fieldClip("broadcast.ts");
    for (const char* vcodec : {static_cast<const char*>(nullptr), "libx264"}) {
        const QString out = dir.filePath(vcodec ? "cut.mp4" : "cut.ts");
        SCOPED_TRACE(out.toStdString());
        // From before the first whole picture: the part begins with that picture.
        ASSERT_TRUE(cutTo(src, out, 0.1, 3, vcodec));
        const DecodedFrames v = decodedFrames(out, "v"), a = decodedFrames(out, "a");
        ASSERT_FALSE(v.times.empty());
        EXPECT_NEAR(v.end - a.times.front(), 2.9, 0.05);
        expectEndsTogether(out, 0.04);
    }
}

TEST(FieldAmr, SoundOfA3g2CutEndsWithItsPicture) {
    QTemporaryDir dir;
    const QString src = fieldClip("amr.3g2");
    for (const char* vcodec : {static_cast<const char*>(nullptr), "libx264"}) {
        const QString out = dir.filePath(vcodec ? "cut.mp4" : "cut.3g2");
        SCOPED_TRACE(out.toStdString());
        ASSERT_TRUE(cutTo(src, out, 2, 8, vcodec));
        EXPECT_NEAR(probeFrameCount(out), 90, 1);
        expectEndsTogether(out, 1 / 15.0);
        // ... and starts with it, as in the source, to within an AMR frame (20 ms).
        EXPECT_NEAR(probeStream(out, "audio").value("start_time").toString().toDouble(),
                    probeStream(out, "video").value("start_time").toString().toDouble(), 0.02);
    }
}

TEST(FieldParts, ReencodedPartOfSlowPicturesEndsItsSoundWithTheLastPictureNotItsStart) {
    // Five pictures a second make the gap between a picture's start and its end larger than a
    // sound frame, so sound that stops at the last picture's start shows.
    QTemporaryDir dir;
    const QString src =
        makeWithFfmpeg(dir.filePath("slow.mp4"),
                       {"-f", "lavfi", "-i", "testsrc2=size=320x240:rate=5:duration=30", "-f", "lavfi", "-i",
                        "sine=frequency=440:sample_rate=44100:duration=30", "-c:v", "libx264", "-preset",
                        "ultrafast", "-g", "10", "-pix_fmt", "yuv420p", "-c:a", "mp2"});
    ASSERT_FALSE(src.isEmpty());
    // Picture and sound both re-encoded; first whole, then capped at half of that.
    const auto reencode = [&](const QString& out, qint64 cap) {
        Job job;
        return apiMediaConvertSetInputMedia(job.h, utf8(src)) >= 1 &&
               apiMediaConvertSetVcodec(job.h, "libx264") >= 1 &&
               apiMediaConvertSetAcodec(job.h, "aac") >= 1 &&
               (cap == 0 || apiMediaConvertSetLimitFileSize(job.h, cap) >= 1) &&
               apiMediaConvertSetCutTime(job.h, 0, int64_t(sourceSeconds(src) * 1e6)) >= 1 &&
               finish(job, out);
    };
    const QString whole = dir.filePath("whole.mp4"), out = dir.filePath("part.mp4");
    ASSERT_TRUE(reencode(whole, 0));
    ASSERT_TRUE(reencode(out, QFileInfo(whole).size() / 2));
    const DecodedFrames v = decodedFrames(out, "v"), a = decodedFrames(out, "a");
    ASSERT_GT(v.count, 3);
    ASSERT_LT(v.end, 25.0) << "the part was not capped";
    EXPECT_NEAR(a.end, v.end, 0.05);
}

// MPEG streams give a presentation time to some pictures only, AVI to none; 1080i pictures and a
// phone's HEVC pass a small cap while the encoder still holds many back. The 1080i parts are
// re-encoded (a transport stream takes no copied middle): how many pictures the encoder holds
// back, and their sizes, depend on the processors it has, and a part of a dozen large pictures
// ends as many as a few pictures short of its cap. It must still hold half of it, on one
// processor as on many. Copied pictures that carry no time show after the last one that does:
// where a part ends on such pictures its sound ends with the last timed one, up to three
// pictures before the last shown. Each clip is a case of its own, so that shards share them out.
namespace {
struct CappedClip {
    const char* clip;
    const char* ext;
    double fraction, rate, fill;
    int endPictures = 1;
};
class KeepFormatParts : public testing::TestWithParam<CappedClip> {};
} // namespace

TEST_P(KeepFormatParts, OfStreamsWithoutTimesAndOfLargePictures) {
    const CappedClip& c = GetParam();
    const QString src = fieldClip(c.clip);
    expectCappedParts(src, c.ext, share(src, c.fraction), c.rate, 1 / c.rate, nullptr, c.fill, c.endPictures);
}

INSTANTIATE_TEST_SUITE_P(FieldClips, KeepFormatParts,
                         testing::Values(CappedClip{"mpeg1.mpg", "mpg", 0.3, 25, 0.8},
                                         CappedClip{"program.mpg", "mpg", 0.3, 25, 0.8},
                                         CappedClip{"h264_aac.avi", "avi", 0.3, 25, 0.8},
                                         CappedClip{"avchd_1080i.mts", "mts", 0.3, 25, 0.5},
                                         CappedClip{"sparse_times.mts", "mts", 0.3, 30000 / 1001.0, 0.5, 3},
                                         CappedClip{"phone_hevc.mov", "mov", 0.1, 30, 0.8}),
                         [](const testing::TestParamInfo<CappedClip>& info) {
                             return QString(info.param.clip).replace('.', '_').toStdString();
                         });

// An H.264 transport stream some of whose pictures carry no time, and some the time of the keyframe
// after them (which then decodes a tick after them), as a stream copied from a program stream has
// them: a keep-format cut that starts and ends on such pictures, on the timed picture after them,
// across a keyframe or over the last pictures holds every picture of its range once, and so do
// capped parts. The
// program-stream copy of the field clips fails in other places.
TEST(FieldParts, CutsOfPicturesWithoutTimesHoldEachPictureOfTheirRangeOnce) {
    QTemporaryDir dir;
    // Three B-frames between the anchors, always: 88 and 58 are decoded just before the
    // keyframes 90 and 60.
    const QString mp4 = makeCounterClip(dir.filePath("count.mp4"), 25, 6, 15, 3, "b-adapt=0");
    ASSERT_FALSE(mp4.isEmpty());
    // Picture n is shown 3600 n after the first on the stream's 90 kHz clock.
    const auto pictures = [](std::initializer_list<int> numbers) {
        QStringList terms;
        for (const int n : numbers)
            terms << QString("eq(PTS-STARTPTS\\,%1)").arg(3600 * n);
        return terms.join('+');
    };
    const QString src = makeWithFfmpeg(
        dir.filePath("sparse.ts"),
        {"-i", mp4, "-c", "copy", "-bsf:v",
         QString("setts=pts='if(%1\\,NOPTS\\,if(%2\\,PTS+7200\\,PTS))':dts='if(%3\\,PREV_INDTS+1\\,DTS)'")
             .arg(pictures({44, 45, 62, 63, 148, 149}), pictures({58, 88}), pictures({60, 90})),
         "-f", "mpegts"});
    ASSERT_FALSE(src.isEmpty());
    for (const auto& [first, end] :
         {std::pair{62, 90}, {64, 91}, {44, 52}, {55, 65}, {85, 100}, {148, 150}}) {
        SCOPED_TRACE(QString("pictures %1 to %2").arg(first).arg(end).toStdString());
        const QString out = dir.filePath(QString("cut%1.ts").arg(first));
        ASSERT_TRUE(cutTo(src, out, first / 25.0, end / 25.0, nullptr));
        EXPECT_EQ(decodeErrors(out), "");
        std::vector<int> expected(size_t(end - first));
        std::iota(expected.begin(), expected.end(), first);
        EXPECT_EQ(decodedCounters(out), expected);
    }
    // The last two pictures carry no time: the sound ends with the last one that does.
    expectCappedParts(src, "ts", share(src, 0.3), 25, 0.04, nullptr, 0.8, 2);
    // Kept whole into MP4, which gives every picture a time, each is shown in its turn.
    const QString whole = dir.filePath("whole.mp4");
    Job job;
    ASSERT_TRUE(convert(job, src, whole));
    EXPECT_EQ(decodeErrors(whole), "");
    const DecodedFrames shown = decodedFrames(whole, "v");
    EXPECT_EQ(shown.count, 150);
    EXPECT_NEAR(shown.span(), 6.0, 0.05);
    // ... and so is a join of it into MP4.
    const QString joined = dir.filePath("joined.mp4");
    Join join;
    ASSERT_GE(apiMediaJoinSetOutputPath(join.h, utf8(joined)), 1);
    for (int i = 0; i < 2; ++i)
        ASSERT_NE(apiMediaJoinAddMediaClip(join.h, utf8(src), 0, 0), 0u);
    ASSERT_EQ(apiMediaJoinStart(join.h), 0);
    EXPECT_EQ(decodeErrors(joined), "");
    const QString field = fieldClip("sparse_times.mts");
    for (const auto& [from, to] : {std::pair{3.0, 5.9}, {5.0, 5.5}}) {
        const QString out = dir.filePath(QString("field%1.mts").arg(from));
        ASSERT_TRUE(cutTo(field, out, from, to, nullptr));
        EXPECT_EQ(decodeErrors(out), "");
    }
}
