// Join transitions judged by the pixels at the seam, in 8-bit, 10-bit and 4:4:4 outputs, and
// the sound crossfade under them. Clips are a red and a blue picture with a tone each.
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "EngineJobs.h"
#include "TestSupport.h"
#include "mediacore/MediaCore.h"

using namespace testsupport;

namespace {

QString makeClip(const QTemporaryDir& dir, const QString& colour, int toneHz) {
    return makeWithFfmpeg(dir.filePath(colour + ".mp4"),
                          QStringList{"-f", "lavfi", "-i", "color=" + colour + ":s=160x96:r=25:d=2", "-f",
                                      "lavfi", "-i",
                                      QString("sine=frequency=%1:sample_rate=48000:d=2").arg(toneHz)} +
                              QString("-c:v libx264 -pix_fmt yuv420p -g 25 -c:a aac -shortest").split(' '));
}

struct Output {
    const char* name;
    const char* codec;
    const char* pixFmt; // what ffprobe reports for the output
};

QString joinWith(const QTemporaryDir& dir, const QString& red, const QString& blue, const Output& o,
                 int effect) {
    const QString out = dir.filePath(QString("t%1_%2").arg(effect).arg(o.name));
    Join job;
    if (apiMediaJoinSetOutputPath(job.h, utf8(out)) < 1)
        return {};
    const uint64_t a = apiMediaJoinAddMediaClip(job.h, utf8(red), 0, 0);
    const uint64_t b = apiMediaJoinAddMediaClip(job.h, utf8(blue), 0, 0);
    if (a == 0 || b == 0 || apiMediaJoinSetTransition(job.h, a, effect, 1000000) < 1 ||
        apiMediaJoinSetVideoCodec(job.h, o.codec) < 1 || apiMediaJoinStart(job.h) != 0)
        return {};
    return out;
}

bool reddish(QRgb p) {
    return qRed(p) > 150 && qBlue(p) < 100;
}
bool bluish(QRgb p) {
    return qBlue(p) > 150 && qRed(p) < 100;
}

} // namespace

TEST(JoinTransition, SlidesAndFadeShowBothClipsAtTheSeamInEveryOutputFormat) {
    QTemporaryDir dir;
    const QString red = makeClip(dir, "red", 440), blue = makeClip(dir, "blue", 880);
    ASSERT_FALSE(red.isEmpty());
    ASSERT_FALSE(blue.isEmpty());
    const Output outputs[] = {{"8bit.mp4", "libx264", "yuv420p"},
                              {"10bit.mov", "prores_ks", "yuv422p10le"},
                              {"444.mov", "png", "rgb24"}};
    for (const Output& o : outputs) {
        for (int effect = 1; effect <= 3; ++effect) {
            SCOPED_TRACE(QString("%1, transition %2").arg(o.name).arg(effect).toStdString());
            const QString out = joinWith(dir, red, blue, o, effect);
            ASSERT_FALSE(out.isEmpty());
            EXPECT_EQ(probeStream(out, "video").value("pix_fmt").toString(), o.pixFmt);
            // The second clip overlaps the first by the transition's second.
            EXPECT_NEAR(probeDuration(out), 3.0, 0.1);
            EXPECT_TRUE(reddish(ffmpegFrameAt(out, 0.5).pixel(80, 48)));
            EXPECT_TRUE(bluish(ffmpegFrameAt(out, 2.5).pixel(80, 48)));
            const QImage mid = ffmpegFrameAt(out, 1.5);
            ASSERT_FALSE(mid.isNull());
            const int w = mid.width(), h = mid.height();
            switch (effect) {
            case 1: // the red picture leaves to the left, the blue one follows from the right
                EXPECT_TRUE(reddish(mid.pixel(w / 5, h / 2)));
                EXPECT_TRUE(bluish(mid.pixel(w * 4 / 5, h / 2)));
                break;
            case 2: // the blue picture comes down from the top
                EXPECT_TRUE(bluish(mid.pixel(w / 2, h / 5)));
                EXPECT_TRUE(reddish(mid.pixel(w / 2, h * 4 / 5)));
                break;
            default: { // both at once, everywhere
                const QRgb p = mid.pixel(w / 2, h / 2);
                EXPECT_GT(qRed(p), 50);
                EXPECT_GT(qBlue(p), 50);
                EXPECT_LT(qRed(p), 210);
                EXPECT_LT(qBlue(p), 210);
            }
            }
        }
    }
}

TEST(JoinTransition, SoundCrossfadesUnderThePicture) {
    QTemporaryDir dir;
    const QString red = makeClip(dir, "red", 440), blue = makeClip(dir, "blue", 880);
    const QString out = joinWith(dir, red, blue, {"fade.mkv", "libx264", "yuv420p"}, 3);
    ASSERT_FALSE(out.isEmpty());
    // The tones (0.088 RMS each) are heard through the crossfade: no gap of silence at the seam.
    EXPECT_GT(audioRms(out, 0.2, 0.9), 0.06);
    EXPECT_GT(audioRms(out, 1.1, 1.9), 0.06);
    EXPECT_GT(audioRms(out, 1.45, 1.55), 0.05);
    EXPECT_GT(audioRms(out, 2.1, 2.8), 0.06);
    EXPECT_NEAR(probeStream(out, "audio").value("sample_rate").toString().toDouble(), 48000, 1);
}

TEST(JoinTransition, SoundOnlyOutputsCrossfadeTheSoundAndWriteNoPicture) {
    QTemporaryDir dir;
    const QString red = makeClip(dir, "red", 440), blue = makeClip(dir, "blue", 880);
    // Containers that could hold a picture (m4a, ogg, wma) still get none under a sound name.
    const struct {
        const char* name;
        int effect;
    } outputs[] = {{"slide.mp3", 1}, {"fade.m4a", 3}, {"top.ogg", 2}, {"slide.wma", 1}, {"copy.m4a", 0}};
    for (const auto& o : outputs) {
        SCOPED_TRACE(o.name);
        const QString out = dir.filePath(o.name);
        Join job;
        ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
        const uint64_t a = apiMediaJoinAddMediaClip(job.h, utf8(red), 0, 0);
        ASSERT_NE(apiMediaJoinAddMediaClip(job.h, utf8(blue), 0, 0), 0u);
        ASSERT_GE(apiMediaJoinSetTransition(job.h, a, o.effect, o.effect ? 1000000 : 0), 1);
        ASSERT_EQ(apiMediaJoinStart(job.h), 0);
        EXPECT_EQ(probeStreamCount(out, "video"), 0);
        EXPECT_EQ(probeStreamCount(out, "audio"), 1);
        // The sound overlaps by the transition's second and is heard through the seam.
        EXPECT_NEAR(probeDuration(out), o.effect ? 3.0 : 4.0, 0.1);
        EXPECT_GT(audioRms(out, 0.2, 0.9), 0.06);
        EXPECT_GT(audioRms(out, 1.45, 1.55), 0.05);
        EXPECT_GT(audioRms(out, 2.1, 2.8), 0.06);
    }
}

// Long clips and a short one between two fades: each clip's sound is written as it is decoded,
// so the seams fall inside decoded frames and the middle clip both takes and holds back sound.
TEST(JoinTransition, LongClipsAroundAShortOneKeepEachToneAndPictureAndSoundLengths) {
    QTemporaryDir dir;
    const auto clip = [&](const QString& name, int seconds, int hz) {
        return makeWithFfmpeg(
            dir.filePath(name + ".mp4"),
            QStringList{"-f", "lavfi", "-i", QString("color=gray:s=64x48:r=25:d=%1").arg(seconds), "-f",
                        "lavfi", "-i",
                        QString("sine=frequency=%1:sample_rate=48000:d=%2").arg(hz).arg(seconds)} +
                QString("-c:v libx264 -pix_fmt yuv420p -c:a aac -shortest").split(' '));
    };
    const QString clips[] = {clip("a", 30, 440), clip("b", 3, 660), clip("c", 30, 880)};
    for (const char* name : {"long.mkv", "long.m4a"}) {
        SCOPED_TRACE(name);
        const QString out = dir.filePath(name);
        Join job;
        ASSERT_GE(apiMediaJoinSetOutputPath(job.h, utf8(out)), 1);
        for (int i = 0; i < 3; ++i) {
            const uint64_t id = apiMediaJoinAddMediaClip(job.h, utf8(clips[i]), 0, 0);
            ASSERT_NE(id, 0u);
            ASSERT_TRUE(i == 2 || apiMediaJoinSetTransition(job.h, id, 3, 1000000) >= 1);
        }
        ASSERT_EQ(apiMediaJoinStart(job.h), 0);
        // 30 + 3 + 30 s less two overlaps of a second: the middle clip alone from 30 s to 31 s.
        EXPECT_NEAR(decodedSoundSeconds(out, 0), 61.0, 0.1);
        if (QString(name).endsWith(".mkv")) {
            EXPECT_NEAR(decodedFrames(out, "v").span(), decodedSoundSeconds(out, 0), 0.05);
        }
        const struct { double hz, from, to; } alone[] = {{440, 1, 28.8}, {660, 30.1, 30.9}, {880, 32.2, 60}};
        for (const auto& a : alone) {
            EXPECT_GT(toneLevel(out, a.hz, a.from, a.to), 0.1) << a.hz << " Hz from " << a.from;
            for (const double other : {440.0, 660.0, 880.0}) {
                if (other != a.hz) {
                    EXPECT_LT(toneLevel(out, other, a.from, a.to), 0.02) << other << " Hz from " << a.from;
                }
            }
        }
        // Heard through both seams, each tone fading into the next.
        for (const double seam : {29.5, 31.5})
            EXPECT_GT(audioRms(out, seam - 0.05, seam + 0.05), 0.05) << "seam at " << seam;
        EXPECT_GT(toneLevel(out, 440, 29.3, 29.7), 0.02);
        EXPECT_GT(toneLevel(out, 660, 29.3, 29.7), 0.02);
    }
}
