// Engine jobs on clips like the ones users bring: files without a duration in their header,
// MPEG-TS and PS streams whose seeks land away from the requested time, a container aspect
// that differs from the stream's, AMR sound, and size-capped parts of all of them. Judged by
// the frames that ffprobe and ffmpeg decode (never by packets, which may lack a time).
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <vector>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

namespace {

bool decodesCleanly(const QString& path) {
    return run(FFMPEG_EXECUTABLE, {"-v", "error", "-xerror", "-i", path, "-f", "null", "-"}) == 0;
}

// A cut of [from, to) seconds into `out`; returns the engine's result.
int cut(const QString& src, const QString& out, double from, double to, const char* vcodec = nullptr,
        int64_t limit = 0) {
    Job job;
    int r = apiMediaConvertSetInputMedia(job.h, utf8(src));
    if (r < 1)
        return r;
    if (vcodec)
        apiMediaConvertSetVcodec(job.h, vcodec);
    if (limit > 0)
        apiMediaConvertSetLimitFileSize(job.h, limit);
    if (to > 0 && (r = apiMediaConvertSetCutTime(job.h, int64_t(from * 1e6), int64_t(to * 1e6))) < 1)
        return r;
    if ((r = apiMediaConvertSetOutputPath(job.h, utf8(out))) < 1)
        return r;
    return apiMediaConvertStart(job.h);
}

// The output holds exactly [from, to) of the source: its first and last pictures are the
// source's at those times, and its sound lasts as long as its picture.
void expectRange(const QString& out, const QString& src, double from, double to, double frame) {
    SCOPED_TRACE(QString("%1 from %2 to %3").arg(QFileInfo(out).fileName()).arg(from).arg(to).toStdString());
    DecodedFrames v = decodedFrames(out, "v");
    const DecodedFrames a = decodedFrames(out, "a");
    ASSERT_FALSE(v.times.empty());
    v.end = std::max(v.end, v.times.back() + frame); // some containers store no frame lengths
    EXPECT_NEAR(v.span(), to - from, frame + 0.01);
    EXPECT_NEAR(int(v.times.size()), (to - from) / frame, 1.01);
    EXPECT_LT(meanAbsDiff(ffmpegFrameAt(out, 0), ffmpegFrameAt(src, from)), 6.0);
    EXPECT_GT(meanAbsDiff(ffmpegFrameAt(src, from + 3 * frame), ffmpegFrameAt(src, from)), 6.0);
    // The last picture is the source's, not its neighbour.
    const QImage last = ffmpegFrameAt(out, v.span() - frame);
    EXPECT_LT(meanAbsDiff(last, ffmpegFrameAt(src, to - frame)),
              meanAbsDiff(last, ffmpegFrameAt(src, to - 2 * frame)));
    EXPECT_LT(meanAbsDiff(last, ffmpegFrameAt(src, to - frame)), 8.0);
    if (!a.times.empty()) {
        EXPECT_NEAR(decodedSoundSeconds(out, 0), v.span(), frame + 0.001);
        // Encoders start the sound with a few ms of priming, and B-frames delay the picture.
        EXPECT_NEAR(a.times.front(), v.times.front(), 2 * frame);
    }
}

QImage snapshot(const QString& src, double at, int w, int h) {
    void* media = MediaOpen(utf8(src));
    if (!media)
        return {};
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    const int r = MediaSnapshot(media, int64_t(at * 1e6), w, h, image.bits(), 0);
    MediaClose(media);
    return r >= 1 ? image.convertToFormat(QImage::Format_RGB32) : QImage();
}

} // namespace

TEST(FieldNoDuration, ProbedFromItsPacketsAndEveryJobWorks) {
    QTemporaryDir dir;
    const QString src = fieldClip("no_duration.webm");
    ASSERT_LT(probeDuration(src), 0) << "the clip should have no duration in its header";
    void* media = MediaOpen(utf8(src));
    ASSERT_NE(media, nullptr);
    EXPECT_NEAR(MediaGetDuration(media) / 1e6, 4.0, 0.05);
    MEDIA_AUDIO_STREAM_INFO audio{};
    MEDIA_VIDEO_STREAM_INFO video{};
    ASSERT_GE(MediaGetInfo(media, &audio, &video), 1);
    EXPECT_NEAR(video.fps, 30.0, 0.5);
    MediaClose(media);
    EXPECT_LT(meanAbsDiff(snapshot(src, 2.0, 320, 240), ffmpegFrameAt(src, 2.0)), 8.0);

    const QString part = dir.filePath("part.webm");
    ASSERT_GE(cut(src, part, 1.0, 3.0), 1);
    expectRange(part, src, 1.0, 3.0, 1 / 30.0);

    const QString joined = dir.filePath("joined.webm");
    ASSERT_EQ(join({src, src}, joined), 0);
    EXPECT_NEAR(decodedFrames(joined, "v").span(), 8.0, 0.1);
}

TEST(FieldSeeks, TransportAndProgramStreamCutsStartOnTheRequestedFrame) {
    QTemporaryDir dir;
    struct Case {
        const char* clip;
        const char* ext;
        double from, to;
    };
    // The TS has one keyframe every 8 s: the range lies inside a group of pictures.
    for (const Case& c : {Case{"long_gop.ts", "ts", 2.0, 6.0}, Case{"long_gop.ts", "mp4", 9.2, 11.0},
                          Case{"program.mpg", "mpg", 2.2, 5.0}, Case{"avchd.m2ts", "m2ts", 3.16, 5.0}}) {
        const QString src = fieldClip(c.clip),
                      out = dir.filePath(QString("cut_%1.%2").arg(c.from).arg(c.ext));
        SCOPED_TRACE(out.toStdString());
        ASSERT_GE(cut(src, out, c.from, c.to), 1);
        EXPECT_TRUE(decodesCleanly(out));
        expectRange(out, src, c.from, c.to, 0.04);
        EXPECT_LT(meanAbsDiff(snapshot(src, c.from + 0.6, 320, 240), ffmpegFrameAt(src, c.from + 0.6)), 8.0);
    }
}

TEST(FieldAspect, TheContainersAspectWinsOverTheStreams) {
    QTemporaryDir dir;
    const QString src = fieldClip("container_aspect.mp4");
    void* media = MediaOpen(utf8(src));
    ASSERT_NE(media, nullptr);
    MEDIA_VIDEO_STREAM_INFO video{};
    MediaGetInfo(media, nullptr, &video);
    MediaClose(media);
    EXPECT_NEAR(video.aspect, 16.0 / 9.0, 0.01);
    const qint64 limit = QFileInfo(src).size() / 2;
    struct Case {
        const char* name;
        const char* vcodec;
        double from, to;
        qint64 limit;
    };
    for (const Case& c : {Case{"mpeg4.mp4", "mpeg4", 0, 0, 0}, Case{"keep.mkv", nullptr, 1.0, 3.0, 0},
                          Case{"capped.mp4", nullptr, 0, 4.0, limit}}) {
        const QString out = dir.filePath(c.name);
        SCOPED_TRACE(c.name);
        ASSERT_GE(cut(src, out, c.from, c.to, c.vcodec, c.limit), 1);
        EXPECT_EQ(probeStream(out, "video").value("display_aspect_ratio").toString(), "16:9");
    }
}

TEST(FieldAmr, SoundThatCannotBeEncodedFallsBackAndKeepsItsLength) {
    // The ffmpeg build has no AMR encoder: a keep-format cut re-encodes the sound to a codec
    // the container holds.
    QTemporaryDir dir;
    const QString src = fieldClip("amr.3gp");
    ASSERT_EQ(probeStream(src, "audio").value("codec_name").toString(), "amr_nb");
    const QString part = dir.filePath("part.3gp");
    ASSERT_GE(cut(src, part, 1.0, 3.0), 1);
    EXPECT_EQ(probeStream(part, "audio").value("codec_name").toString(), "aac");
    expectRange(part, src, 1.0, 3.0, 1 / 15.0);

    const QString whole = dir.filePath("whole.mp4");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(src)), 1);
    ASSERT_GE(apiMediaConvertSetVcodec(job.h, "libx264"), 1);
    ASSERT_GE(apiMediaConvertSetAcodec(job.h, "aac"), 1);
    ASSERT_TRUE(finish(job, whole));
    // AAC pads its last packet: 1024 samples, 0.128 s at this clip's 8 kHz.
    EXPECT_NEAR(decodedSoundSeconds(whole, 0), 4.0, 0.129);
    EXPECT_EQ(probeFrameCount(whole), 60);
}

TEST(FieldSizeLimit, PartsStayUnderTheLimitWithUniqueTimesAndSoundEndingWithThePicture) {
    QTemporaryDir dir;
    for (const char* clip : {"long_gop.ts", "mpeg1.mpg", "program.mpg", "avchd.m2ts", "container_aspect.mp4",
                             "h264_mp3.avi", "windows.wmv"}) {
        const QString src = fieldClip(clip), out = dir.filePath(QString("part_") + clip);
        SCOPED_TRACE(clip);
        const qint64 limit = QFileInfo(src).size() / 3;
        ASSERT_GE(cut(src, out, 0, 12.0, nullptr, limit), 1);
        EXPECT_LE(QFileInfo(out).size(), limit);
        EXPECT_GT(QFileInfo(out).size(), limit / 2);
        EXPECT_TRUE(decodesCleanly(out));
        const DecodedFrames v = decodedFrames(out, "v"), a = decodedFrames(out, "a");
        ASSERT_GT(v.times.size(), 10u);
        EXPECT_EQ(std::adjacent_find(v.times.begin(), v.times.end()), v.times.end());
        EXPECT_LT(meanAbsDiff(ffmpegFrameAt(out, 0), ffmpegFrameAt(src, 0)), 6.0);
        if (!a.times.empty()) {
            // Sound ends with the picture: neither runs on alone. Decoders leave out the
            // encoder's priming (up to 2048 samples, 43 ms, for WMA), on top of a frame.
            const double picture = v.times.size() * 0.04;
            EXPECT_NEAR(decodedSoundSeconds(out, 0), picture, 0.04 + 0.065);
        }
    }
    const QString src = media("no_audio.mp4"), out = dir.filePath("no_audio_part.mp4");
    ASSERT_GE(cut(src, out, 0, 4.0, nullptr, QFileInfo(src).size() / 3), 1);
    EXPECT_LE(QFileInfo(out).size(), QFileInfo(src).size() / 3);
}

TEST(FieldSoundPastPicture, ARangeWithoutAPictureIsRefused) {
    // The sound runs from 6.0 s to 6.4 s alone: a part there would hold no picture.
    QTemporaryDir dir;
    const QString src = fieldClip("sound_past_picture.mp4");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(src)), 1);
    EXPECT_LT(apiMediaConvertSetCutTime(job.h, 6050000, 6400000), 1);
    EXPECT_GE(apiMediaConvertSetCutTime(job.h, 5900000, 6400000), 1);
    const QString out = dir.filePath("end.mp4");
    ASSERT_TRUE(finish(job, out));
    EXPECT_EQ(probeFrameCount(out), 2); // 5.92 and 5.96 s
}

TEST(FieldSizeChange, PicturesAfterTheSizeChangesAreDecodedAtTheirNewSize) {
    QTemporaryDir dir;
    const QString src = fieldClip("size_change.ts"), out = dir.filePath("converted.mp4");
    // ffmpeg's picture, at the size of `image` (its command line may scale later pictures to
    // the first one's size).
    const auto source = [&](double at, const QImage& image) {
        return ffmpegFrameAt(src, at).scaled(image.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    };
    // Before and after the change, a snapshot at the picture's own size.
    const QImage before = snapshot(src, 2.0, 320, 240), after = snapshot(src, 6.0, 480, 270);
    EXPECT_LT(meanAbsDiff(before, source(2.0, before)), 6.0);
    EXPECT_LT(meanAbsDiff(after, source(6.0, after)), 10.0);
    // A transcode keeps every frame, those after the change at their own shape inside the first
    // size: 16:9 in 4:3, 320x180 between black bars of 30 lines.
    ASSERT_GE(cut(src, out, 0, 0, "libx264"), 1);
    EXPECT_EQ(decodedFrames(out, "v").count, 200);
    const QImage converted = ffmpegFrameAt(out, 6.0), picture = converted.copy(0, 30, 320, 180);
    EXPECT_LT(meanAbsDiff(picture, source(6.0, picture)), 10.0);
    QImage black(320, 26, converted.format());
    black.fill(Qt::black);
    EXPECT_LT(meanAbsDiff(converted.copy(0, 0, 320, 26), black), 6.0);
}

namespace {

// Pictures of a file by their number in the order they are shown, read by the ffmpeg tool in one
// pass whatever times the container gives them (AVI gives none), at 320 pixels wide.
std::vector<QImage> pictureNumbers(const QString& path, const std::vector<int>& numbers) {
    QTemporaryDir dir;
    QStringList select;
    for (const int n : numbers)
        select << QString("eq(n\\,%1)").arg(n);
    if (run(FFMPEG_EXECUTABLE, {"-v", "error", "-nostdin", "-i", path, "-map", "0:v:0", "-vf",
                                "select=" + select.join('+') + ",scale=320:-2", "-fps_mode", "passthrough",
                                dir.filePath("%d.png")}) != 0)
        return {};
    std::vector<QImage> found;
    for (size_t i = 1; i <= numbers.size(); ++i)
        found.push_back(QImage(dir.filePath(QString("%1.png").arg(i))).convertToFormat(QImage::Format_RGB32));
    return found;
}

// A cut of pictures `first` to `last` of `src` (shown order) holds exactly those: its opening
// and closing pictures are nearer those of the source than their neighbours. Its sound starts
// with its picture within `soundFrame` seconds and lasts as long, give or take `padding`.
void expectPictures(const QString& out, const QString& src, int first, int last, double frame,
                    double soundFrame, double padding) {
    SCOPED_TRACE(QFileInfo(out).fileName().toStdString());
    EXPECT_TRUE(decodesCleanly(out));
    const DecodedFrames v = decodedFrames(out, "v"), a = decodedFrames(out, "a");
    ASSERT_FALSE(v.times.empty());
    ASSERT_FALSE(a.times.empty());
    EXPECT_EQ(v.count, last - first + 1);
    const std::vector<QImage> made = pictureNumbers(out, {0, v.count - 1}),
                              source = pictureNumbers(
                                  src, {first - 1, first, first + 1, last - 1, last, last + 1});
    ASSERT_EQ(made.size(), 2u);
    ASSERT_EQ(source.size(), 6u);
    EXPECT_LT(meanAbsDiff(made[0], source[1]), meanAbsDiff(made[0], source[0])) << "the cut starts early";
    EXPECT_LT(meanAbsDiff(made[0], source[1]), meanAbsDiff(made[0], source[2])) << "the cut starts late";
    EXPECT_LT(meanAbsDiff(made[1], source[4]), meanAbsDiff(made[1], source[3])) << "the cut ends early";
    EXPECT_LT(meanAbsDiff(made[1], source[4]), meanAbsDiff(made[1], source[5])) << "the cut ends late";
    // AVI stores no presentation times: there a decoder's guess of the first picture's runs late.
    if (!out.endsWith(".avi")) {
        EXPECT_NEAR(a.times.front(), v.times.front(), soundFrame)
            << "the sound starts apart from the picture";
    }
    EXPECT_NEAR(decodedSoundSeconds(out, 0), v.count * frame, frame + padding);
}

} // namespace

TEST(FieldBroadcast576i, KeepFormatAndReencodedCutsHoldTheirPicturesAndSound) {
    // Interlaced MPEG-2 with MP2 (1152 samples a frame) whose clock starts at 600 s, its sound
    // 0.13 s before its first picture: times count from that picture.
    QTemporaryDir dir;
    const QString src = fieldClip("dvb_576i.ts");
    for (const char* vcodec : {static_cast<const char*>(nullptr), "libx264"}) {
        const QString out = dir.filePath(vcodec ? "cut.mp4" : "cut.ts");
        ASSERT_GE(cut(src, out, 2.0, 4.0, vcodec), 1);
        expectPictures(out, src, 50, 99, 0.04, 0.025, 0.025);
    }
}

TEST(FieldAvchd, CutsOfInterlacedH264WithAc3AndSubtitlesHoldTheirPicturesAndSound) {
    QTemporaryDir dir;
    const QString src = fieldClip("avchd_1080i.mts");
    ASSERT_EQ(probeStreamCount(src, "subtitle"), 1);
    for (const char* vcodec : {static_cast<const char*>(nullptr), "libx264"}) {
        const QString out = dir.filePath(vcodec ? "cut.mp4" : "cut.mts");
        ASSERT_GE(cut(src, out, 1.0, 2.6, vcodec), 1);
        expectPictures(out, src, 25, 64, 0.04, 0.033, 0.033);
    }
}

TEST(FieldAvi, CutsOfH264WithoutPresentationTimesStartOnTheirPicture) {
    // The decoder would date each picture by the packet that let it out, two B-frames late.
    QTemporaryDir dir;
    const QString src = fieldClip("h264_aac.avi");
    for (const char* vcodec : {static_cast<const char*>(nullptr), "libx264"}) {
        const QString out = dir.filePath(vcodec ? "cut.mp4" : "cut.avi");
        ASSERT_GE(cut(src, out, 2.0, 4.0, vcodec), 1);
        expectPictures(out, src, 50, 99, 0.04, 0.022, 0.022);
    }
    // MPEG-4 with B-frames keeps pictures of one group after the next keyframe there: its ranges
    // cannot be told to the picture, and a cut is refused rather than written a picture off.
    const QString mpeg4 = fieldClip("mpeg4_bframes.avi"), refused = dir.filePath("refused.avi");
    EXPECT_EQ(cut(mpeg4, refused, 1.0, 3.0), MEDIACORE_ERROR_INEXACT_CUT);
    EXPECT_FALSE(QFileInfo::exists(refused));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).filter("refused").size(), 0);
}

TEST(Field3g2, ACutBetweenTwoPicturesStartsWithTheNextAndItsSound) {
    // 15 pictures a second: 1.03 s lies inside picture 15, so the cut begins with picture 16.
    QTemporaryDir dir;
    const QString src = fieldClip("amr.3g2");
    for (const char* vcodec : {static_cast<const char*>(nullptr), "libx264"}) {
        const QString out = dir.filePath(vcodec ? "cut.mp4" : "cut.3g2");
        ASSERT_GE(cut(src, out, 1.03, 3.5, vcodec), 1);
        // The sound is AAC there (no AMR encoder): its last frame is padded to 0.128 s at 8 kHz.
        expectPictures(out, src, 16, 52, 1 / 15.0, 0.02, 0.128);
        EXPECT_NEAR(decodedFrames(out, "v").times.front(), 0.0, 0.001);
    }
}
