// The preview's sound path without a sound device: decoded sound through the player's audio
// filter (the shared graph of libs/mediafx) with gain, the original sound left out, and music.
#include "FilteredSoundLevel.h"
#include "TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>

namespace {

// RMS (full scale 1.0) of the filtered sound per whole second of the clip's timeline.
std::map<int, double> rmsPerSecond(const QString& clip, const PreviewSettings& settings) {
    return playertest::filteredRms(clip, settings, 1000000);
}

} // namespace

TEST(PlayerSound, GainAndOriginalSoundLevelScaleTheFileSound) {
    const QString clip = testsupport::media("h264_aac.mp4");
    PreviewSettings plain;
    const auto full = rmsPerSecond(clip, plain);
    ASSERT_GT(full.at(1), 0.03);
    // The ffmpeg tool hears the same level at the source gain (its mono mix adds the two equal
    // channels at 1/sqrt(2) each).
    EXPECT_NEAR(full.at(1) * std::sqrt(2.0), testsupport::audioRms(clip, 1.0, 2.0), 0.005);

    PreviewSettings half;
    half.fx.volume = 2.0;
    half.mainVolume = 0.25; // the original-sound level rides on the gain: 2 x 0.25 = 0.5
    EXPECT_NEAR(rmsPerSecond(clip, half).at(1), full.at(1) * 0.5, 0.005);

    PreviewSettings off;
    off.fx.mainAudioDisabled = true;
    EXPECT_LT(rmsPerSecond(clip, off).at(1), 0.001);
}
