// Join jobs on the fixture clips, judged by ffprobe and ffmpeg.
#include <QFile>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

namespace {

void expectFrame(const QString& out, double at, const QString& src, double srcAt) {
    SCOPED_TRACE(QString("output %1 s against source %2 s").arg(at).arg(srcAt).toStdString());
    EXPECT_LT(meanAbsDiff(ffmpegFrameAt(out, at), ffmpegFrameAt(src, srcAt)), 6.0);
}

} // namespace

TEST(JoinCopy, CutRangesKeepOrderAndLeaveTheDeletedSectionOut) {
    QTemporaryDir dir;
    const QString src = media("h264_aac.mp4"), out = dir.filePath("joined.mp4");
    Join job;
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
    // The second range starts between keyframes (every 2 s): a plain packet copy would bring
    // back the frames from 2.0 s.
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src), 0, 1500000), 0u);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src), 2500000, 4000000), 0u);
    ASSERT_GE(apiMediaJoinSetAudioCodec(job.h, "copy"), 1);
    ASSERT_GE(apiMediaJoinSetVideoCodec(job.h, "copy"), 1);
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);
    EXPECT_DOUBLE_EQ(apiMediaJoinGetProgress(job.h), 100.0);
    EXPECT_NEAR(probeDuration(out), 3.0, 0.06);
    EXPECT_EQ(probeStream(out, "video").value("codec_name").toString(), "h264");
    EXPECT_EQ(probeStream(out, "audio").value("codec_name").toString(), "aac");
    expectFrame(out, 0.4, src, 0.4);
    expectFrame(out, 1.5, src, 2.5);
    expectFrame(out, 2.9, src, 3.9);
}

TEST(JoinCopy, WholeFilesOnKeyframesAreCopiedBackToBack) {
    QTemporaryDir dir;
    const QString src = media("h264_aac.mkv"), out = dir.filePath("twice.mkv");
    Join job;
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src), 0, 0), 0u);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src), 2000000, 0), 0u);
    apiMediaJoinSetAudioCodec(job.h, "copy");
    apiMediaJoinSetVideoCodec(job.h, "copy");
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);
    const double d = probeDuration(src); // the picture starts a little after 0 in this file
    EXPECT_NEAR(probeDuration(out), d + d - 2.0, 0.05);
    EXPECT_EQ(probeFrameCount(out), 150);
    // The second clip's pictures follow the first clip's 100 (4 s), not its sound's lead.
    const double lead = probeStream(src, "video").value("start_time").toString().toDouble();
    expectFrame(out, 4.42, src, 2.42 + lead);
}

TEST(JoinCopy, RangesEndingMidFileKeepNoFramePastTheirEnd) {
    // Both ranges start on a keyframe (every 2 s) but end inside a group of pictures whose
    // frames are stored out of display order: a packet copy cut by decoding time would keep
    // frames shown after the end of each range.
    QTemporaryDir dir;
    const QString src = media("long_10s.mp4"), out = dir.filePath("joined.mp4");
    Join job;
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src), 2000000, 5500000), 0u);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src), 6000000, 8000000), 0u);
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);
    EXPECT_EQ(probeFrameCount(out), 88 + 50); // 2.00..5.48 and 6.00..7.96 at 25 fps
    EXPECT_NEAR(probeDuration(out), 5.52, 0.06);
    expectFrame(out, 0.02, src, 2.02);
    expectFrame(out, 3.46, src, 5.46);
    expectFrame(out, 3.54, src, 6.02);
    expectFrame(out, 5.48, src, 7.96);
}

// A removed section (a keyframe at its end): its parts are cut into files and joined. The first
// part's sound runs on past its last picture, which ends it: the second's pictures go on there,
// copied or re-encoded, and no picture is shown twice.
TEST(JoinCopy, PartsAroundARemovedSectionMeetOnThePictureGrid) {
    QTemporaryDir dir;
    const QString src =
        makeWithFfmpeg(dir.filePath("src.mkv"),
                       QString("-f lavfi -i testsrc2=s=160x96:r=60:d=6 -f lavfi -i sine=d=6 "
                               "-c:v libx264 -x264-params threads=1 -force_key_frames 3.5 -c:a libmp3lame")
                           .split(' '));
    const QString first = dir.filePath("1.mkv"), second = dir.filePath("2.mkv");
    ASSERT_GE(convert(src, first, {nullptr, nullptr, 0, 2500000}), 1);
    ASSERT_GE(convert(src, second, {nullptr, nullptr, 3500000, int64_t(probeDuration(src) * 1e6)}), 1);
    for (const char* vcodec : {"copy", "libx264"}) {
        const QString out = dir.filePath(QString(vcodec) + ".mkv");
        ASSERT_EQ(join({first, second}, out, vcodec), 0);
        const DecodedFrames v = decodedFrames(out, "v");
        ASSERT_EQ(v.count, 300) << vcodec;
        EXPECT_NEAR(v.times[150] - v.times[0], 2.5, 0.0015) << vcodec;
    }
}

TEST(JoinEncode, DifferentSizesRatesAndSoundAreNormalised) {
    QTemporaryDir dir;
    const QString out = dir.filePath("mixed.mp4");
    Join job;
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(media("ntsc_29_97.mp4")), 0, 1000000), 0u);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(media("no_audio.mp4")), 0, 1000000), 0u);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(media("odd_321x241.mkv")), 0, 1000000), 0u);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(media("vp9_opus.webm")), 0, 1000000), 0u);
    ASSERT_GE(apiMediaJoinSetVideoCodec(job.h, "libx264"), 1);
    ASSERT_GE(apiMediaJoinSetAudioCodec(job.h, "aac"), 1);
    ASSERT_GE(apiMediaJoinSetVideoFrameSize(job.h, 256, 144), 1);
    ASSERT_GE(apiMediaJoinSetVideoFps(job.h, 25.0), 1);
    ASSERT_GE(apiMediaJoinSetAudioEncodeContext(job.h, 2, 48000), 1);
    ASSERT_GE(apiMediaJoinSetAudioBitrate(job.h, 128), 1);
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);
    const QJsonObject v = probeStream(out, "video"), a = probeStream(out, "audio");
    EXPECT_EQ(v.value("width").toInt(), 256);
    EXPECT_EQ(v.value("height").toInt(), 144);
    EXPECT_EQ(v.value("avg_frame_rate").toString(), "25/1");
    EXPECT_EQ(a.value("sample_rate").toString(), "48000");
    EXPECT_NEAR(probeDuration(out), 4.0, 0.08);
    EXPECT_EQ(probeFrameCount(out), 100);
    // The clip without sound is silent; the others are heard.
    EXPECT_GT(audioRms(out, 0.2, 0.8), 0.05);
    EXPECT_LT(audioRms(out, 1.2, 1.8), 0.001);
    EXPECT_GT(audioRms(out, 2.2, 2.8), 0.05);
    EXPECT_GT(audioRms(out, 3.2, 3.8), 0.05);
}

TEST(JoinEncode, FadeTransitionOverlapsAndVolumeIsPercent) {
    QTemporaryDir dir;
    const QString src = media("h264_aac.mp4"), out = dir.filePath("fade.mkv");
    Join job;
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
    const uint64_t a = apiMediaJoinAddMediaClip(job.h, utf8(src), 0, 2000000);
    const uint64_t b = apiMediaJoinAddMediaClip(job.h, utf8(src), 2000000, 4000000);
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    ASSERT_GE(apiMediaJoinSetTransition(job.h, a, 3, 500000), 1);
    ASSERT_GE(apiMediaJoinSetAudioVolumn(job.h, a, 100), 1);
    ASSERT_GE(apiMediaJoinSetAudioVolumn(job.h, b, 0), 1);
    EXPECT_LT(apiMediaJoinSetAudioVolumn(job.h, 999, 100), 1);
    EXPECT_LT(apiMediaJoinSetTransition(job.h, a, 7, 500000), 1);
    ASSERT_GE(apiMediaJoinSetVideoCodec(job.h, "libx264"), 1);
    ASSERT_GE(apiMediaJoinSetAudioCodec(job.h, "libvorbis"), 1);
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);
    EXPECT_NEAR(probeDuration(out), 3.5, 0.08);
    expectFrame(out, 0.4, src, 0.4);
    expectFrame(out, 3.0, src, 3.5);
    // In the middle of the fade the picture is neither clip.
    const QImage mid = ffmpegFrameAt(out, 1.76);
    EXPECT_GT(meanAbsDiff(mid, ffmpegFrameAt(src, 1.76)), 3.0);
    EXPECT_GT(audioRms(out, 0.2, 1.2), 0.05);
    EXPECT_LT(audioRms(out, 2.2, 3.4), 0.001);
}

TEST(JoinStop, StopEndsTheJobAndRemovesItsOutput) {
    QTemporaryDir dir;
    const QString out = dir.filePath("stopped.mp4");
    Join job;
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
    for (int i = 0; i < 3; ++i)
        apiMediaJoinAddMediaClip(job.h, utf8(media("long_10s.mp4")), 0, 0);
    apiMediaJoinSetVideoCodec(job.h, "libx265");
    apiMediaJoinSetVideoFrameSize(job.h, 1280, 720);
    std::atomic<int> result{-999};
    std::thread worker([&] { result = apiMediaJoinStart(job.h); });
    // Stopped once it runs: a loaded machine starts the worker late.
    for (int i = 0; i < 6000 && apiMediaJoinGetProgress(job.h) <= 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GT(apiMediaJoinGetProgress(job.h), 0);
    apiMediaJoinStop(job.h);
    worker.join();
    EXPECT_EQ(result.load(), 0);
    EXPECT_FALSE(QFile::exists(out));
}

TEST(JoinInputs, BadClipsAndHandlesFailCleanly) {
    QTemporaryDir dir;
    Join job;
    EXPECT_EQ(apiMediaJoinAddMediaClip(job.h, utf8(media("missing.mp4")), 0, 0), 0u);
    EXPECT_EQ(apiMediaJoinAddMediaClip(job.h, utf8(media("zero_bytes.mp4")), 0, 0), 0u);
    EXPECT_EQ(apiMediaJoinAddMediaClip(job.h, utf8(media("not_media.mp4")), 0, 0), 0u);
    EXPECT_EQ(apiMediaJoinAddMediaClip(job.h, utf8(media("h264_aac.mp4")), 3000000, 3000000), 0u);
    EXPECT_LT(apiMediaJoinStart(job.h), 0); // no output, no clips
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(dir.filePath("x.mp4"))), 1);
    EXPECT_LT(apiMediaJoinStart(job.h), 0);
    EXPECT_LT(apiMediaJoinSetOutputPath(job.h, utf8(media("h264_aac.mp4"))), 1); // exists
    EXPECT_LT(apiMediaJoinSetVideoCodec(job.h, "nonsense"), 1);

    EXPECT_EQ(apiMediaJoinAddMediaClip(nullptr, "x", 0, 0), 0u);
    EXPECT_LT(apiMediaJoinStart(nullptr), 0);
    EXPECT_EQ(apiMediaJoinGetProgress(nullptr), 0.0);
    EXPECT_LT(apiMediaJoinSetOutputPath(nullptr, "x.mp4"), 1);
}

// A sound bit rate alone changes the format: the join re-encodes the sound at that rate, as a
// convert does, rather than copy the source's.
TEST(JoinCopy, SoundBitRateAloneReencodesTheSound) {
    QTemporaryDir dir;
    const QString src = media("h264_aac.mp4"), out = dir.filePath("low_rate.mp4");
    Join job;
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src), 0, 0), 0u);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src), 0, 0), 0u);
    ASSERT_GE(apiMediaJoinSetAudioBitrate(job.h, 32), 1);
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);
    const double rate = probeStream(out, "audio").value("bit_rate").toString().toDouble();
    EXPECT_GT(rate, 20000.0);
    EXPECT_LT(rate, 48000.0); // the source's sound runs at 96 kb/s
}

// Whole files joined by copying keep every sound stream they share, with its language, and so
// does a re-encoded join.
TEST(JoinCopy, EverySoundStreamAndItsLanguageAreKept) {
    QTemporaryDir dir;
    const QString src = makeWithFfmpeg(
        dir.filePath("two.mp4"),
        QStringList{"-f", "lavfi", "-i", "testsrc2=s=160x96:r=25:d=2", "-f", "lavfi", "-i",
                    "sine=frequency=440:d=2", "-f", "lavfi", "-i", "sine=frequency=880:d=2"} +
            QString("-map 0 -map 1 -map 2 -c:v libx264 -g 25 -c:a aac -metadata:s:a:0 language=eng "
                    "-metadata:s:a:1 language=ger")
                .split(' '));
    ASSERT_FALSE(src.isEmpty());
    const QString out = dir.filePath("joined.mp4");
    Join job;
    ASSERT_EQ(setUp(job, {src, src}, out, "copy"), 1);
    ASSERT_GE(apiMediaJoinSetAudioCodec(job.h, "copy"), 1);
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);
    EXPECT_EQ(soundLanguages(out), (QStringList{"eng", "ger"}));
    EXPECT_NEAR(probeDuration(out), 4.0, 0.1);
    const QString encoded = dir.filePath("encoded.mkv");
    ASSERT_EQ(join({src, src}, encoded, "libx264"), 0);
    EXPECT_EQ(soundLanguages(encoded), (QStringList{"eng", "ger"}));
}

namespace {

// Sound stream k of `out` over [from, to): its tone, and not the other stream's.
void expectTone(const QString& out, int k, double from, double to) {
    const double wanted = k == 0 ? 440 : 1000, other = k == 0 ? 1000 : 440;
    EXPECT_GT(toneLevel(out, wanted, from, to, k), 0.3) << "stream " << k << " from " << from;
    EXPECT_LT(toneLevel(out, other, from, to, k), 0.02) << "stream " << k << " from " << from;
}

} // namespace

// The easy cutter's merged export: ranges of one file that do not start on a keyframe are
// re-encoded, and every sound stream comes through with its language, length and tone.
TEST(JoinEncode, RangesOfATwoLanguageFileKeepBothSoundStreams) {
    QTemporaryDir dir;
    const QString src = twoLanguageClip(dir.path(), 25);
    ASSERT_FALSE(src.isEmpty());
    const QString out = dir.filePath("merged.mp4");
    Join job;
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
    for (const int64_t from : {500000, 2500000}) {
        const uint64_t clip = apiMediaJoinAddMediaClip(job.h, utf8(src), from, from + 1000000);
        ASSERT_NE(clip, 0u);
        ASSERT_GE(apiMediaJoinSetAudioVolumn(job.h, clip, 100), 1);
    }
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);
    EXPECT_EQ(probeFrameCount(out), 50);
    EXPECT_EQ(soundLanguages(out), (QStringList{"eng", "ger"}));
    for (int k = 0; k < 2; ++k) {
        EXPECT_NEAR(decodedSoundSeconds(out, k), 2.0, 0.05) << "stream " << k;
        expectTone(out, k, 0.1, 0.9);
        expectTone(out, k, 1.1, 1.9);
    }
}

// Clips that cannot be copied back to back are re-encoded even when copying is asked for (as
// the batch cutter joins its parts): a clip without a second sound stream gives silence of its
// length in it.
TEST(JoinEncode, AClipWithoutTheSecondSoundStreamGivesSilenceInIt) {
    QTemporaryDir dir;
    const QString src = twoLanguageClip(dir.path(), 25);
    ASSERT_FALSE(src.isEmpty());
    const QString out = dir.filePath("joined.mkv");
    Join job;
    ASSERT_EQ(setUp(job, {src, media("h264_aac.mp4")}, out, "copy"), 1);
    ASSERT_GE(apiMediaJoinSetAudioCodec(job.h, "copy"), 1);
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);
    EXPECT_EQ(soundLanguages(out), (QStringList{"eng", "ger"}));
    for (int k = 0; k < 2; ++k) {
        EXPECT_NEAR(decodedSoundSeconds(out, k), 8.0, 0.1) << "stream " << k;
        expectTone(out, k, 0.2, 3.8);
    }
    // The second clip's own 440 Hz sine is the first stream; the second stream is silent.
    EXPECT_GT(toneLevel(out, 440, 4.2, 7.8, 0), 0.1);
    EXPECT_LT(audioRms(out, 4.2, 7.8, 1), 0.001);
}

// DTS cannot be encoded here: ranges re-encoded for their pictures copy its packets.
TEST(JoinEncode, RangesOfADtsFileKeepItsSound) {
    QTemporaryDir dir;
    const QString src = makeWithFfmpeg(
        dir.filePath("dts.mkv"), QString("-f lavfi -i testsrc2=s=160x96:r=30:d=12 -f lavfi -i sine=d=12 -c:v "
                                         "libx264 -x264-params threads=1 -c:a dca -strict -2 -b:a 768k -ac 2")
                                     .split(' '));
    const QString out = dir.filePath("joined.mkv");
    Join job;
    ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src), 2410000, 5200000), 0u);
    ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(src), 6350000, 9100000), 0u);
    ASSERT_EQ(apiMediaJoinStart(job.h), 0);
    EXPECT_EQ(probeStream(out, "audio").value("codec_name").toString(), "dts");
    EXPECT_EQ(probeFrameCount(out), 83 + 82); // 2.433..5.167 and 6.367..9.067
    EXPECT_NEAR(decodedSoundSeconds(out, 0), 165 / 30.0, 0.03);
}
