// Background music in exports, judged by the sound of the outputs as the ffmpeg command line
// decodes them: where a track is heard, how a repeated range fills its slot, fade ramps, the
// volume factor, the file's own sound removed or lowered, and two tracks at once.
#include "EngineJobs.h"
#include "TestSupport.h"

#include <QDir>
#include <cmath>
#include <gtest/gtest.h>

using testsupport::audioRms;
using testsupport::probeDuration;

namespace {

class MusicMix : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        // An 8 s clip whose own sound is a quiet 1 kHz tone (RMS about 0.07).
        make({"-f",       "lavfi",   "-i",       "testsrc2=size=160x120:rate=25:duration=8",
              "-f",       "lavfi",   "-i",       "aevalsrc=0.1*sin(2*PI*1000*t):s=44100:d=8",
              "-c:v",     "libx264", "-preset",  "ultrafast",
              "-g",       "250",     "-pix_fmt", "yuv420p",
              "-c:a",     "aac",     "-b:a",     "128k",
              "-shortest"},
             "video.mp4");
        // A steady 440 Hz tone, RMS about 0.35.
        make({"-f", "lavfi", "-i", "aevalsrc=0.5*sin(2*PI*440*t):s=44100:d=6"}, "tone.wav");
        // Tone in the first half of every second, silence in the second half (MP3).
        make({"-f", "lavfi", "-i", "aevalsrc=0.5*sin(2*PI*440*t)*lt(mod(t\\,1)\\,0.5):s=44100:d=16", "-c:a",
              "libmp3lame", "-b:a", "128k"},
             "beats.mp3");
        // A 660 Hz tone for mixing against the first.
        make({"-f", "lavfi", "-i", "aevalsrc=0.5*sin(2*PI*660*t):s=48000:d=6"}, "tone660.wav");
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static void make(QStringList args, const QString& name) {
        args.prepend("-y");
        args.prepend("error");
        args.prepend("-v");
        args << "-threads"
             << "1" << dir_->filePath(name);
        ASSERT_EQ(testsupport::run(FFMPEG_EXECUTABLE, args), 0) << name.toStdString();
    }
    static QString path(const QString& name) { return dir_->filePath(name); }

    // Exports the clip with the tracks added by `add`; the output's path.
    template <class Add> QString exportWith(const QString& name, Add add) {
        const QString out = path(name);
        Job job;
        EXPECT_GE(apiMediaConvertSetInputMedia(job.h, utf8(path("video.mp4"))), 1);
        add(job.h);
        EXPECT_GE(apiMediaConvertSetOutputPath(job.h, utf8(out)), 1);
        EXPECT_GE(apiMediaConvertStart(job.h), 1);
        return out;
    }
    static int add(void* h, const QString& file, double m0, double m1, double v0, double v1, double volume,
                   double fadeIn = 0, double fadeOut = 0) {
        auto us = [](double s) { return int64_t(std::llround(s * 1e6)); };
        return apiMediaConvertAddDubbingMusic(h, utf8(path(file)), us(m0), us(m1), us(v0), us(v1), volume,
                                              us(fadeIn), us(fadeOut));
    }

    static inline QTemporaryDir* dir_ = nullptr;
};

TEST_F(MusicMix, TrackIsHeardInItsSlotOverTheOriginalSoundAndNowhereElse) {
    const double own = audioRms(path("video.mp4"), 1, 7);
    ASSERT_GT(own, 0.05);
    const QString out =
        exportWith("placed.mp4", [](void* h) { ASSERT_EQ(add(h, "tone.wav", 0, 3, 2, 5, 1.0), 1); });
    EXPECT_NEAR(probeDuration(out), 8.0, 0.15);
    // Outside the slot only the file's own sound; inside, tone and own sound together
    // (uncorrelated: the squares add).
    EXPECT_NEAR(audioRms(out, 0.2, 1.8), own, 0.01);
    EXPECT_NEAR(audioRms(out, 5.3, 7.8), own, 0.01);
    const double tone = audioRms(path("tone.wav"), 0.5, 2.5);
    EXPECT_NEAR(audioRms(out, 2.2, 4.8), std::hypot(tone, own), 0.03);
}

TEST_F(MusicMix, RepeatedRangesFillTheirSlotsFromTheirPrunedStarts) {
    // Each range is half a second of silence, then half a second of tone: from 0.5 s of the
    // beats over 1 s to 4 s of the video, and from 12.5 s (far enough in to be sought) over
    // 4 s to 7 s; the video's own sound is removed.
    const QString out = exportWith("repeat.mp4", [](void* h) {
        ASSERT_EQ(add(h, "beats.mp3", 0.5, 1.5, 1, 4, 1.0), 1);
        ASSERT_EQ(add(h, "beats.mp3", 12.5, 13.5, 4, 7, 1.0), 1);
        apiMediaConvertDisableMainAudio(h);
    });
    EXPECT_LT(audioRms(out, 0.1, 0.9), 0.002);
    for (int k = 0; k < 6; ++k) {
        const double at = 1 + k;
        EXPECT_LT(audioRms(out, at + 0.1, at + 0.4), 0.03) << "silent half of second " << at;
        EXPECT_GT(audioRms(out, at + 0.6, at + 0.9), 0.25) << "tone half of second " << at;
    }
    EXPECT_LT(audioRms(out, 7.1, 7.9), 0.002);
}

TEST_F(MusicMix, FadesRampAndTheVolumeFactorScales) {
    const double tone = audioRms(path("tone.wav"), 0.5, 2.5);
    // 1 s fades at each end of a slot from 1 s to 5 s, at half volume, without the own sound.
    const QString out = exportWith("fades.mp4", [](void* h) {
        ASSERT_EQ(add(h, "tone.wav", 0, 6, 1, 5, 0.5, 1, 1), 1);
        apiMediaConvertDisableMainAudio(h);
    });
    const double full = audioRms(out, 2.2, 3.8);
    EXPECT_NEAR(full / tone, 0.5, 0.04);
    // Linear ramps: about 10 %, 50 % and 90 % of the level through each fade.
    EXPECT_NEAR(audioRms(out, 1.05, 1.15) / full, 0.1, 0.06);
    EXPECT_NEAR(audioRms(out, 1.45, 1.55) / full, 0.5, 0.08);
    EXPECT_NEAR(audioRms(out, 1.85, 1.95) / full, 0.9, 0.08);
    EXPECT_NEAR(audioRms(out, 4.05, 4.15) / full, 0.9, 0.08);
    EXPECT_NEAR(audioRms(out, 4.45, 4.55) / full, 0.5, 0.08);
    EXPECT_NEAR(audioRms(out, 4.85, 4.95) / full, 0.1, 0.06);
    EXPECT_LT(audioRms(out, 5.2, 7.8), 0.002);
}

TEST_F(MusicMix, TwoTracksMixAtTheirOwnVolumesOverALoweredOriginal) {
    const double own = audioRms(path("video.mp4"), 1, 7);
    const double tone = audioRms(path("tone.wav"), 0.5, 2.5);
    const QString out = exportWith("two.mp4", [](void* h) {
        ASSERT_EQ(add(h, "tone.wav", 0, 4, 1, 4, 0.2), 1);
        ASSERT_EQ(add(h, "tone660.wav", 0, 4, 3, 6, 0.8), 1);
        apiMediaConvertSetMaineAudioVolume(h, 0.5);
    });
    const double a = 0.2 * tone, b = 0.8 * tone, o = 0.5 * own;
    EXPECT_NEAR(audioRms(out, 0.2, 0.8), o, 0.01);
    EXPECT_NEAR(audioRms(out, 1.2, 2.8), std::hypot(a, o), 0.02);
    EXPECT_NEAR(audioRms(out, 3.2, 3.8), std::sqrt(a * a + b * b + o * o), 0.03);
    EXPECT_NEAR(audioRms(out, 4.2, 5.8), std::hypot(b, o), 0.03);
    EXPECT_NEAR(audioRms(out, 6.2, 7.8), o, 0.01);
}

TEST_F(MusicMix, NonSoundFileIsRefusedAndTheJobKeepsItsOwnSound) {
    // A picture-only clip named like music: refused when added, and the job still runs.
    const QString out = exportWith("refused.mp4", [](void* h) {
        EXPECT_LT(apiMediaConvertAddDubbingMusic(h, utf8(testsupport::media("no_audio.mp4")), 0, 1000000, 0,
                                                 1000000, 1.0, 0, 0),
                  0);
    });
    EXPECT_NEAR(audioRms(out, 0.5, 7.5), audioRms(path("video.mp4"), 0.5, 7.5), 0.01);
}

} // namespace
