// The preview's sound path without a sound device: a clip's decoded sound through the player's
// audio filter (the shared graph of libs/mediafx), measured per tenth of a second. The gain and
// the original sound's level; music tracks with fades, the volume factor and a repeated range
// that starts inside the music file; and the player's refusal of a track that is not sound.
#include "FilteredSoundLevel.h"
#include "TestSupport.h"
#include "mediaplayer/LxMoviePlayer.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

// RMS (full scale 1.0) of the filtered sound per tenth of a second of the clip's timeline.
std::map<int, double> rmsPerTenth(const QString& clip, const PreviewSettings& settings) {
    return playertest::filteredRms(clip, settings, 100000);
}

TEST(PlayerSound, GainAndOriginalSoundLevelScaleTheFileSound) {
    const QString clip = testsupport::media("h264_aac.mp4");
    const auto second = [&](const PreviewSettings& s) { // 1 s to 2 s
        return playertest::filteredRms(clip, s, 1000000).at(1);
    };
    const double full = second(PreviewSettings{});
    ASSERT_GT(full, 0.03);
    // The ffmpeg tool hears the same level at the source gain (its mono mix adds the two equal
    // channels at 1/sqrt(2) each).
    EXPECT_NEAR(full * std::sqrt(2.0), testsupport::audioRms(clip, 1.0, 2.0), 0.005);
    PreviewSettings half;
    half.fx.volume = 2.0;
    half.mainVolume = 0.25; // the original-sound level rides on the gain: 2 x 0.25 = 0.5
    EXPECT_NEAR(second(half), full * 0.5, 0.005);
    PreviewSettings off;
    off.fx.mainAudioDisabled = true;
    EXPECT_LT(second(off), 0.001);
}

class MusicPreview : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        // A steady tone, and one sounding only in the first half of every second.
        ASSERT_FALSE(
            testsupport::makeWithFfmpeg(dir_->filePath("tone.wav"),
                                        {"-f", "lavfi", "-i", "aevalsrc=0.5*sin(2*PI*440*t):s=44100:d=6"})
                .isEmpty());
        ASSERT_FALSE(
            testsupport::makeWithFfmpeg(dir_->filePath("beats.mp3"),
                                        {"-f", "lavfi", "-i",
                                         "aevalsrc=0.5*sin(2*PI*440*t)*lt(mod(t\\,1)\\,0.5):s=44100:d=4",
                                         "-c:a", "libmp3lame"})
                .isEmpty());
    }
    static void TearDownTestSuite() {
        delete dir_;
        dir_ = nullptr;
    }
    static std::string path(const char* name) { return dir_->filePath(name).toStdString(); }

    // The 4 s fixture clip with its own sound left out and one track.
    static std::map<int, double> play(const mediafx::MusicTrack& t) {
        PreviewSettings s;
        s.fx.mainAudioDisabled = true;
        s.fx.music.push_back(t);
        return rmsPerTenth(testsupport::media("h264_aac.mp4"), s);
    }
    static mediafx::MusicTrack track(const char* name, double m0, double m1, double v0, double v1,
                                     double volume) {
        mediafx::MusicTrack t;
        t.path = path(name);
        t.musicStartUs = int64_t(m0 * 1e6);
        t.musicEndUs = int64_t(m1 * 1e6);
        t.videoStartUs = int64_t(v0 * 1e6);
        t.videoEndUs = int64_t(v1 * 1e6);
        t.volume = volume;
        return t;
    }

    static inline QTemporaryDir* dir_ = nullptr;
};

TEST_F(MusicPreview, FadesRampOverTheirSecondAndTheFactorScalesTheTrack) {
    const auto full = play(track("tone.wav", 0, 6, 0.5, 3.5, 1.0));
    ASSERT_GT(full.at(20), 0.2);
    mediafx::MusicTrack faded = track("tone.wav", 0, 6, 0.5, 3.5, 0.25);
    faded.fadeInUs = 1000000;
    faded.fadeOutUs = 1000000;
    const auto rms = play(faded);
    EXPECT_LT(rms.at(2), 0.002);
    // The middle at a quarter of the level; each fade about halfway at its middle tenth.
    EXPECT_NEAR(rms.at(20) / full.at(20), 0.25, 0.02);
    const double plateau = rms.at(20);
    EXPECT_LT(rms.at(5), 0.15 * plateau);
    EXPECT_NEAR(rms.at(10) / plateau, 0.55, 0.1);
    EXPECT_GT(rms.at(14), 0.85 * plateau);
    EXPECT_GT(rms.at(25), 0.85 * plateau);
    EXPECT_NEAR(rms.at(30) / plateau, 0.45, 0.1);
    EXPECT_LT(rms.at(34), 0.15 * plateau);
    EXPECT_LT(rms.at(36), 0.002);
}

TEST_F(MusicPreview, ARangeStartingInsideTheFileRepeatsFromItsOwnStart) {
    // 0.5 s to 1.5 s of the beats: silence then tone, over 0.5 s to 3.5 s.
    const auto rms = play(track("beats.mp3", 0.5, 1.5, 0.5, 3.5, 1.0));
    for (int k = 0; k < 3; ++k) {
        const int at = 5 + 10 * k;
        EXPECT_LT(rms.at(at + 1), 0.03) << "silent half of repeat " << k;
        EXPECT_LT(rms.at(at + 3), 0.03) << "silent half of repeat " << k;
        EXPECT_GT(rms.at(at + 6), 0.2) << "tone half of repeat " << k;
        EXPECT_GT(rms.at(at + 8), 0.2) << "tone half of repeat " << k;
    }
}

TEST_F(MusicPreview, ThePlayerRefusesATrackThatIsNotSound) {
    LxMoviePlayer player(testsupport::media("h264_aac.mp4"), QRect(0, 0, 64, 48));
    const CMTime zero = CMTimeMake(0, 1), one = CMTimeMake(1, 1), four = CMTimeMake(4, 1);
    const auto add = [&](const char* file, CMTime from, CMTime to) {
        return player.AddDubbingMusic(file, from, to, zero, four, zero, zero, 1.0);
    };
    for (const QString& bad : {testsupport::media("no_audio.mp4"), testsupport::media("not_media.mp4")})
        EXPECT_EQ(add(bad.toUtf8().constData(), zero, one), 0) << bad.toStdString();
    EXPECT_EQ(add(nullptr, zero, one), 0);
    EXPECT_EQ(add(path("tone.wav").c_str(), four, one), 0); // an empty range
    EXPECT_EQ(add(path("tone.wav").c_str(), zero, one), 1);
    player.ClearDubbingMusic();
}

} // namespace
