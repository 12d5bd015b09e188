// Watermarks the editor hands the engine and no other test covers: a video mark that plays a
// part of its own file, and the transparency of picture and video marks, judged by ffmpeg.
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "MarkClips.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

TEST(EngineWatermarks, VideoMarkPlaysItsFilePartAndBothKindsTakeTheirTransparency) {
    QTemporaryDir dir;
    const QString clip =
        makeWithFfmpeg(dir.filePath("black.mp4"), {"-f", "lavfi", "-i", "color=c=black:s=320x240:r=25:d=4",
                                                   "-c:v", "libx264", "-pix_fmt", "yuv420p"});
    const QString mark = makeRedThenBlueClip(dir.filePath("it's: a, [b]; c.mp4"));
    const QString green = makeWithFfmpeg(dir.filePath("green [1].png"),
                                         {"-f", "lavfi", "-i", "color=c=0x00FF00:s=40x30", "-frames:v", "1"});
    ASSERT_FALSE(clip.isEmpty() || mark.isEmpty() || green.isEmpty());
    const QString out = dir.filePath("marked.mp4");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(clip)), 1);
    const VIDEO_WATERMARK_PARAM v = blueSecondMark(mark);
    ASSERT_GE(apiMediaConvertAddVideoWatermark(job.h, v), 1);
    ASSERT_GE(
        apiMediaConvertAddImageWatermask(job.h, pictureMark(green, RECT{10, 10, 50, 40}, 0, 4000000, 75)), 1);
    ASSERT_TRUE(finish(job, out));

    const QImage early = ffmpegFrameAt(out, 0.5), during = ffmpegFrameAt(out, 1.5);
    ASSERT_EQ(during.size(), QSize(320, 240));
    const QRgb v15 = during.pixel(140, 110);
    EXPECT_NEAR(qBlue(v15), 128, 30); // blue: the second second of its file, half transparent
    EXPECT_LT(qRed(v15), 30);
    EXPECT_LT(qGray(early.pixel(140, 110)), 20);      // before its start
    EXPECT_NEAR(qGreen(early.pixel(30, 25)), 64, 25); // green at 75 % transparency
    EXPECT_LT(qGray(early.pixel(70, 25)), 20);
    EXPECT_NEAR(probeDuration(out), 4.0, 0.15);
}

TEST(EngineWatermarks, MarksKeepToTheKeptRangeEndOnTheirEndAndPlayTheirFilePartFromItsStart) {
    QTemporaryDir dir;
    const QString clip =
        makeWithFfmpeg(dir.filePath("black.mp4"), {"-f", "lavfi", "-i", "color=c=black:s=320x240:r=30:d=10",
                                                   "-c:v", "libx264", "-pix_fmt", "yuv420p"});
    // Red then blue with one key picture only: a seek into it lands on its first picture.
    const QString mark =
        makeWithFfmpeg(dir.filePath("mark.mp4"),
                       {"-f", "lavfi", "-i", "color=c=red:s=80x60:r=25:d=1", "-f", "lavfi", "-i",
                        "color=c=blue:s=80x60:r=25:d=1", "-filter_complex", "[0][1]concat=n=2:v=1", "-c:v",
                        "libx264", "-pix_fmt", "yuv420p", "-x264-params", "keyint=100:scenecut=0"});
    const QString green = makeWithFfmpeg(dir.filePath("green.png"),
                                         {"-f", "lavfi", "-i", "color=c=0x00FF00:s=40x30", "-frames:v", "1"});
    ASSERT_FALSE(clip.isEmpty() || mark.isEmpty() || green.isEmpty());
    const QString out = dir.filePath("marked.mp4");
    Job job;
    ASSERT_TRUE(prepare(job, clip, out, 0, 8000000));
    // Blue at 1 to 3 s; marks past the kept range's end, and wholly after it.
    for (const int64_t start : {1000000LL, 7000000LL, 15000000LL}) {
        VIDEO_WATERMARK_PARAM v = blueSecondMark(mark);
        v.transparence = 0;
        v.start_time = start;
        if (start > 1000000) { // the whole 2 s file, for 8 s
            v.end_time = start + 8000000;
            v.file_start_time = 0;
        }
        ASSERT_GE(apiMediaConvertAddVideoWatermark(job.h, v), 1);
    }
    ASSERT_GE(
        apiMediaConvertAddImageWatermask(job.h, pictureMark(green, RECT{10, 10, 50, 40}, 2000000, 7000000)),
        1);
    ASSERT_TRUE(finish(job, out));

    EXPECT_NEAR(probeDuration(out), 8.0, 0.1);
    const QRgb part = ffmpegFrameAt(out, 1.5).pixel(140, 110);
    EXPECT_GT(qBlue(part), 170); // the second second of the mark's file, not its first
    EXPECT_LT(qRed(part), 60);
    // Frame 209 (6.967 s) still shows the 2 to 7 s mark, frame 210 (7.0 s) no longer does.
    EXPECT_GT(qGreen(ffmpegFrameAt(out, 6.95).pixel(30, 25)), 150);
    EXPECT_LT(qGreen(ffmpegFrameAt(out, 6.99).pixel(30, 25)), 40);
}
