// Convert jobs on the fixture clips, judged by ffprobe and ffmpeg.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <atomic>
#include <chrono>
#include <cmath>
#include <thread>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "FrameCounter.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

namespace {

double frameSeconds(const QString& path) {
    const QJsonObject v = probeStream(path, "video");
    const QStringList rate = v.value("avg_frame_rate").toString().split('/');
    return rate.size() == 2 && rate[0].toDouble() > 0 ? rate[1].toDouble() / rate[0].toDouble() : 0.04;
}

} // namespace

TEST(ConvertKeepFormat, KeepsContainerAndCodecsAcrossFormats) {
    QTemporaryDir dir;
    struct Case {
        const char* file;
        const char* ext;
        const char* video;
        const char* audio;
    };
    for (const Case& c :
         {Case{"mpeg4_mp3.avi", "avi", "mpeg4", "mp3"}, Case{"vp9_opus.webm", "webm", "vp9", "opus"},
          Case{"h264_aac.mkv", "mkv", "h264", "aac"}, Case{"ntsc_29_97.mp4", "mp4", "h264", "aac"}}) {
        SCOPED_TRACE(c.file);
        const QString out = dir.filePath(QString("out_") + c.file);
        Job job;
        ASSERT_TRUE(convert(job, media(c.file), out, 1000000, 2500000));
        EXPECT_EQ(QFileInfo(out).suffix(), c.ext);
        EXPECT_EQ(probeStream(out, "video").value("codec_name").toString(), c.video);
        EXPECT_EQ(probeStream(out, "audio").value("codec_name").toString(), c.audio);
        EXPECT_NEAR(probeDuration(out), 1.5, frameSeconds(media(c.file)) + 0.03);
    }
}

// A range [start, end) keeps the pictures that start inside it: from the one the preview shows
// at its start (the first at or after it) up to the one shown at its end, left out. A typed end
// between two pictures keeps the earlier one. The same pictures in every container, whatever its
// time base and however far its sound is stored ahead of the pictures.
TEST(ConvertKeepFormat, ARangeKeepsTheSamePicturesInEveryContainer) {
    QTemporaryDir dir;
    for (const int fps : {25, 30}) {
        const QString mp4 = makeCounterClip(dir.filePath(QString("count%1.mp4").arg(fps)), fps, 10);
        const QStringList clips{
            mp4, makeWithFfmpeg(dir.filePath(QString("count%1.mkv").arg(fps)), {"-i", mp4, "-c", "copy"}),
            makeWithFfmpeg(dir.filePath(QString("count%1.ts").arg(fps)),
                           {"-i", mp4, "-c", "copy", "-output_ts_offset", "1.46"}),
            makeWithFfmpeg(
                dir.filePath(QString("count%1.webm").arg(fps)),
                QString("-i %1 -c:v libvpx -crf 4 -b:v 2M -g 25 -c:a libopus").arg(mp4).split(' '))};
        for (const QString& src : clips) {
            ASSERT_FALSE(src.isEmpty());
            for (const auto& [from, to] : {std::pair{0.0, 8.01}, {2.01, 5.99}, {2.0, 6.0}}) {
                const QString out = dir.filePath(
                    QString("cut%1-%2-%3.%4").arg(fps).arg(from).arg(to).arg(QFileInfo(src).suffix()));
                SCOPED_TRACE(out.toStdString());
                Job job;
                ASSERT_TRUE(convert(job, src, out, std::llround(from * 1e6), std::llround(to * 1e6)));
                const std::vector<int> shown = decodedCounters(out);
                ASSERT_FALSE(shown.empty());
                const int first = int(std::ceil(from * fps - 1e-6)),
                          last = int(std::ceil(to * fps - 1e-6)) - 1;
                EXPECT_EQ(shown.front(), first);
                EXPECT_EQ(shown.back(), last);
                EXPECT_EQ(int(shown.size()), last - first + 1) << "a picture lost or repeated";
            }
        }
    }
}

TEST(ConvertKeepFormat, WholeFileWithoutCutIsCopiedAndKeepsRotation) {
    QTemporaryDir dir;
    const QString out = dir.filePath("whole.mp4");
    Job job;
    ASSERT_TRUE(convert(job, media("rotated_90.mp4"), out));
    EXPECT_NEAR(probeDuration(out), probeDuration(media("rotated_90.mp4")), 0.05);
    const QImage a = ffmpegFrameAt(out, 1.0), b = ffmpegFrameAt(media("rotated_90.mp4"), 1.0);
    EXPECT_EQ(a.size(), b.size());
    EXPECT_LT(meanAbsDiff(a, b), 1.0);
}

TEST(ConvertFormat, NamedCodecsSizeRateAndSound) {
    QTemporaryDir dir;
    const QString out = dir.filePath("small.mkv");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(media("h264_aac.mp4"))), 1);
    EXPECT_GE(apiMediaConvertSetVcodec(job.h, "HEVC"), 1);
    EXPECT_GE(apiMediaConvertSetVideoFrameSize(job.h, 160, 120), 1);
    EXPECT_GE(apiMediaConvertSetVideoFps(job.h, 15.0), 1);
    EXPECT_GE(apiMediaConvertSetVideoBitrate(job.h, 200), 1);
    EXPECT_GE(apiMediaConvertSetAcodec(job.h, "mp3"), 1);
    EXPECT_GE(apiMediaConvertSetAudioBitrate(job.h, 96), 1);
    EXPECT_GE(apiMediaConvertSetAudioEncodeContext(job.h, 1, 22050), 1);
    ASSERT_TRUE(finish(job, out));
    const QJsonObject v = probeStream(out, "video"), a = probeStream(out, "audio");
    EXPECT_EQ(v.value("codec_name").toString(), "hevc");
    EXPECT_EQ(v.value("width").toInt(), 160);
    EXPECT_EQ(v.value("height").toInt(), 120);
    EXPECT_EQ(v.value("avg_frame_rate").toString(), "15/1");
    EXPECT_EQ(a.value("codec_name").toString(), "mp3");
    EXPECT_EQ(a.value("channels").toInt(), 1);
    EXPECT_EQ(a.value("sample_rate").toString(), "22050");
    EXPECT_NEAR(probeDuration(out), 4.0, 0.1);
}

TEST(ConvertFormat, EncoderNamesForEveryProfileCodec) {
    QTemporaryDir dir;
    struct Case {
        const char* ext;
        const char* vcodec;
        const char* acodec;
        const char* videoName;
        const char* audioName;
    };
    for (const Case& c :
         {Case{"mp4", "libx264", "aac", "h264", "aac"}, Case{"avi", "mpeg4", "libmp3lame", "mpeg4", "mp3"},
          Case{"webm", "libvpx-vp9", "libopus", "vp9", "opus"}, Case{"wmv", "wmv2", "wmav2", "wmv2", "wmav2"},
          Case{"flv", "flv", "libmp3lame", "flv1", "mp3"},
          Case{"mpg", "mpeg2video", "mp2", "mpeg2video", "mp2"},
          Case{"mkv", "vp8", "libvorbis", "vp8", "vorbis"},
          Case{"mov", "h264", "pcm_s16le", "h264", "pcm_s16le"}, Case{"mkv", " ", "flac", "h264", "flac"}}) {
        SCOPED_TRACE(std::string(c.vcodec) + "/" + c.acodec);
        const QString out = dir.filePath(QString("enc_%1_%2.%3").arg(c.videoName, c.audioName, c.ext));
        Job job;
        ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(media("h264_aac.mp4"))), 1);
        EXPECT_GE(apiMediaConvertSetVcodec(job.h, c.vcodec), 1);
        EXPECT_GE(apiMediaConvertSetAcodec(job.h, c.acodec), 1);
        ASSERT_GE(apiMediaConvertSetCutTime(job.h, 0, 1000000), 1);
        ASSERT_TRUE(finish(job, out));
        EXPECT_EQ(probeStream(out, "video").value("codec_name").toString(), c.videoName);
        EXPECT_EQ(probeStream(out, "audio").value("codec_name").toString(), c.audioName);
        EXPECT_NEAR(probeDuration(out), 1.0, 0.1);
    }
    Job job;
    EXPECT_LT(apiMediaConvertSetVcodec(job.h, "no-such-codec"), 1);
    EXPECT_LT(apiMediaConvertSetAcodec(job.h, "libx264"), 1);
}

TEST(ConvertStop, EndsRunningJobAndRemovesItsOutput) {
    QTemporaryDir dir;
    const QString out = dir.filePath("stopped.mkv");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(media("long_10s.mp4"))), 1);
    // A slow encode so that the stop lands while it runs.
    apiMediaConvertSetVcodec(job.h, "libx265");
    apiMediaConvertSetVideoFrameSize(job.h, 1280, 720);
    ASSERT_GE(apiMediaConvertSetOutputPath(job.h, utf8(out)), 1);
    std::atomic<int> result{-999};
    std::thread worker([&] { result = apiMediaConvertStart(job.h); });
    // Stopped once it runs: a loaded machine starts the worker late.
    for (int i = 0; i < 6000 && apiMediaConvertGetProgress(job.h) <= 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GT(apiMediaConvertGetProgress(job.h), 0);
    apiMediaConvertStop(job.h);
    worker.join();
    EXPECT_EQ(result.load(), 1);
    // Neither the output nor its temporary file is left behind.
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).isEmpty());
}

TEST(ConvertProgress, OnlyRisesAndEndsAt100) {
    QTemporaryDir dir;
    const QString out = dir.filePath("progress.mp4");
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(media("long_10s.mp4"))), 1);
    apiMediaConvertSetVideoFrameSize(job.h, 640, 480);
    ASSERT_GE(apiMediaConvertSetOutputPath(job.h, utf8(out)), 1);
    std::atomic<bool> done{false};
    std::vector<int> seen;
    std::thread poller([&] {
        while (!done) {
            seen.push_back(apiMediaConvertGetProgress(job.h));
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    EXPECT_GE(apiMediaConvertStart(job.h), 1);
    done = true;
    poller.join();
    for (size_t i = 1; i < seen.size(); ++i)
        EXPECT_GE(seen[i], seen[i - 1]);
    EXPECT_EQ(apiMediaConvertGetProgress(job.h), 100);
}

TEST(ConvertInputs, BadInputsAndOutputsFailCleanly) {
    QTemporaryDir dir;
    for (const char* name : {"zero_bytes.mp4", "not_media.mp4", "truncated.mp4", "missing.mp4"}) {
        SCOPED_TRACE(name);
        Job job;
        EXPECT_LT(apiMediaConvertSetInputMedia(job.h, utf8(media(name))), 1);
        EXPECT_LT(apiMediaConvertStart(job.h), 1);
    }
    // An output that exists is never replaced; the input itself is refused as output.
    const QString taken = dir.filePath("taken.mp4");
    QFile f(taken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("mine");
    f.close();
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(media("h264_aac.mp4"))), 1);
    EXPECT_LT(apiMediaConvertSetOutputPath(job.h, utf8(taken)), 1);
    EXPECT_LT(apiMediaConvertSetOutputPath(job.h, utf8(media("h264_aac.mp4"))), 1);
    EXPECT_LT(apiMediaConvertSetOutputPath(job.h, utf8(dir.filePath("noext"))), 1);
    EXPECT_LT(apiMediaConvertSetCutTime(job.h, 3000000, 2000000), 1);
    EXPECT_LT(apiMediaConvertSetCutTime(job.h, 9000000, 12000000), 1);
    QFile check(taken);
    ASSERT_TRUE(check.open(QIODevice::ReadOnly));
    EXPECT_EQ(check.readAll(), QByteArray("mine"));

    // An output folder that cannot be written (here: one that is a file): Start fails cleanly.
    const QString notFolder = taken + "/out.mp4";
    Job job2;
    ASSERT_GE(apiMediaConvertSetInputMedia(job2.h, utf8(media("h264_aac.mp4"))), 1);
    apiMediaConvertSetOutputPath(job2.h, utf8(notFolder));
    EXPECT_LT(apiMediaConvertStart(job2.h), 1);
    EXPECT_FALSE(QFile::exists(notFolder));
}

TEST(ConvertInputs, NullHandlesFailWithoutCrashing) {
    EXPECT_LT(apiMediaConvertSetInputMedia(nullptr, "x.mp4"), 1);
    EXPECT_LT(apiMediaConvertStart(nullptr), 1);
    EXPECT_EQ(apiMediaConvertGetProgress(nullptr), 0);
    EXPECT_EQ(apiMediaConvertGetDuration(nullptr), 0);
    EXPECT_LT(apiMediaConvertClose(nullptr), 1);
    int count = 0;
    EXPECT_LT(apiMediaConvertGetAudioStreamInfo(nullptr, &count, nullptr), 1);
    Job job;
    EXPECT_LT(apiMediaConvertSetInputMedia(job.h, nullptr), 1);
    EXPECT_LT(apiMediaConvertStart(job.h), 1);
}

TEST(ConvertStreams, StreamInfoCountsThenRecords) {
    Job job;
    ASSERT_GE(apiMediaConvertSetInputMedia(job.h, utf8(media("h264_aac.mp4"))), 1);
    EXPECT_NEAR(apiMediaConvertGetDuration(job.h) / 1e6, 4.0, 0.05);
    int audioCount = -1, videoCount = -1;
    ASSERT_GE(apiMediaConvertGetAudioStreamInfo(job.h, &audioCount, nullptr), 1);
    ASSERT_GE(apiMediaConvertGetVideoStreamInfo(job.h, &videoCount, nullptr), 1);
    ASSERT_EQ(audioCount, 1);
    ASSERT_EQ(videoCount, 1);
    MEDIA_AUDIO_STREAM_INFO a{};
    MEDIA_VIDEO_STREAM_INFO v{};
    ASSERT_GE(apiMediaConvertGetAudioStreamInfo(job.h, &audioCount, &a), 1);
    ASSERT_GE(apiMediaConvertGetVideoStreamInfo(job.h, &videoCount, &v), 1);
    EXPECT_EQ(mediarecords::readText(a.codec), "aac");
    EXPECT_EQ(a.samplerate, 44100);
    EXPECT_EQ(a.channel, 2);
    EXPECT_EQ(mediarecords::readText(v.codec), "h264");
    EXPECT_EQ(v.width, 320);
    EXPECT_DOUBLE_EQ(v.fps, 25.0);

    Job audioOnly;
    ASSERT_GE(apiMediaConvertSetInputMedia(audioOnly.h, utf8(media("audio_only.mp3"))), 1);
    ASSERT_GE(apiMediaConvertGetVideoStreamInfo(audioOnly.h, &videoCount, nullptr), 1);
    EXPECT_EQ(videoCount, 0);
}

// A cut that keeps the format keeps every sound stream with its language, whether its picture
// is copied between re-encoded edges (H.264), re-encoded (MPEG-4) or copied whole (also into a
// sound file, which takes no picture); a stream the caller chose is the only one kept.
TEST(ConvertStreams, KeepFormatCutsKeepEverySoundStreamAndItsLanguage) {
    QTemporaryDir dir;
    const auto twoLanguages = [&](const QString& name, const QString& vcodec) {
        return makeWithFfmpeg(
            dir.filePath(name),
            QStringList{"-f", "lavfi", "-i", "testsrc2=s=160x96:r=25:d=4", "-f", "lavfi", "-i",
                        "sine=frequency=440:d=4", "-f", "lavfi", "-i", "sine=frequency=880:d=4"} +
                QString("-map 0 -map 1 -map 2 -c:v %1 -g 25 -c:a aac -metadata:s:a:0 language=eng "
                        "-metadata:s:a:1 language=ger")
                    .arg(vcodec)
                    .split(' '));
    };
    const QString h264 = twoLanguages("h264.mp4", "libx264"), mpeg4 = twoLanguages("mpeg4.mp4", "mpeg4");
    ASSERT_FALSE(h264.isEmpty());
    ASSERT_FALSE(mpeg4.isEmpty());
    struct Case {
        QString in, out;
        int64_t from, to;
    };
    for (const Case& c :
         {Case{h264, "smart.mp4", 1500000, 3500000}, Case{mpeg4, "encoded.mkv", 500000, 2500000},
          Case{h264, "whole.mkv", 0, 0}, Case{h264, "sound.m4a", 0, 0}}) {
        SCOPED_TRACE(c.out.toStdString());
        const QString out = dir.filePath(c.out);
        ASSERT_EQ(convert(c.in, out, Cut{nullptr, nullptr, c.from, c.to}), 1);
        EXPECT_EQ(soundLanguages(out), (QStringList{"eng", "ger"}));
        EXPECT_EQ(probeStreamCount(out, "video"), c.out.endsWith("m4a") ? 0 : 1)
            << "a sound name takes no picture";
        EXPECT_NEAR(probeDuration(out), c.to ? 2.0 : 4.0, 0.1);
        EXPECT_GT(audioRms(out, 0.5, 1.5), 0.05);
    }
    // Under a size limit (a split's part) the other stream's bytes count too.
    const qint64 cap = QFileInfo(dir.filePath("whole.mkv")).size() / 2;
    Job capped;
    const QString part = dir.filePath("part.mp4");
    ASSERT_TRUE(convert(capped, h264, part, 0, 0, cap));
    EXPECT_EQ(soundLanguages(part), (QStringList{"eng", "ger"}));
    EXPECT_LE(QFileInfo(part).size(), cap);
    Job chosen;
    const QString one = dir.filePath("chosen.mp4");
    ASSERT_EQ(setUp(chosen, h264, one, Cut{nullptr, nullptr, 500000, 2500000}), 1);
    ASSERT_GE(apiMediaConvertSetAudioIndex(chosen.h, 2), 1);
    ASSERT_EQ(apiMediaConvertStart(chosen.h), 1);
    EXPECT_EQ(soundLanguages(one), QStringList{"ger"});
}

// A size-capped part (a split's) of a clip with two sound streams ends both with its picture,
// whether it copies short groups of pictures between re-encoded edges or, its groups too long
// to fill the cap, is copied again to end on any frame: sound read ahead of the picture stays
// out of the part in either stream, and neither stops short of it.
TEST(ConvertStreams, CappedPartEndsEverySoundStreamWithItsPicture) {
    QTemporaryDir dir;
    for (const int group : {5, 25}) {
        const QString src = makeWithFfmpeg(
            dir.filePath(QString("g%1.mp4").arg(group)),
            QString("-f lavfi -i testsrc2=s=320x240:r=25:d=8 -f lavfi -i sine=frequency=440:d=8 "
                    "-f lavfi -i sine=frequency=1000:d=8 -map 0 -map 1 -map 2 -c:v libx264 -g %1 "
                    "-c:a aac")
                .arg(group)
                .split(' '));
        ASSERT_FALSE(src.isEmpty());
        for (const int64_t from : {int64_t(0), int64_t(700000)}) {
            SCOPED_TRACE(QString("group %1 from %2").arg(group).arg(from).toStdString());
            const QString part = dir.filePath(QString("part%1_%2.mp4").arg(group).arg(from));
            Job job;
            ASSERT_TRUE(convert(job, src, part, from, from ? 7900000 : 0, QFileInfo(src).size() / 3));
            const double picture = decodedFrames(part, "v").span();
            ASSERT_GT(picture, 1.0);
            ASSERT_LT(picture, 6.0) << "the cap ends the part early";
            for (const int k : {0, 1}) {
                EXPECT_NEAR(decodedSoundSeconds(part, k), picture, 0.05) << "sound stream " << k;
                EXPECT_GT(toneLevel(part, k == 0 ? 440 : 1000, picture - 0.5, picture - 0.1, k), 0.08);
            }
        }
    }
}

TEST(ConvertStreams, TheChosenSoundStreamIsTheOneWritten) {
    QTemporaryDir dir;
    const QString clip = twoToneClip(dir.path());
    ASSERT_FALSE(clip.isEmpty());
    // Streams by their container index: 1 is the 440 Hz one, 2 the 1000 Hz one; the picture
    // stream 0 is no sound, and the first sound stream is taken instead.
    struct Case {
        int stream;
        double wanted, other;
    };
    for (const auto& [stream, wanted, other] : {Case{1, 440, 1000}, Case{2, 1000, 440}, Case{0, 440, 1000}}) {
        const QString out = dir.filePath(QString("stream%1.mp4").arg(stream));
        Job job;
        ASSERT_TRUE(prepare(job, clip, out));
        ASSERT_GE(apiMediaConvertSetAudioIndex(job.h, stream), 1);
        ASSERT_GE(apiMediaConvertStart(job.h), 1);
        EXPECT_EQ(probeStreamCount(out, "audio"), 1);
        EXPECT_GT(toneLevel(out, wanted, 1, 3), 0.3) << "stream " << stream;
        EXPECT_LT(toneLevel(out, other, 1, 3), 0.02) << "stream " << stream;
    }
}
