// Background music in the preview's sound path, without a sound device: a clip's decoded sound
// through the player's audio filter with music tracks, measured per tenth of a second. Fades,
// the volume factor and a repeated range that starts inside the music file; and the player's
// refusal of a track that is not sound.
#include "AudioFilter.h"
#include "TestSupport.h"
#include "mediaplayer/LxMoviePlayer.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>
#include <map>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

constexpr int kRate = 48000;

// RMS (full scale 1.0) of the filtered sound per 100 ms window of the clip's timeline.
std::map<int, double> rmsPerTenth(const QString& clip, const PreviewSettings& settings) {
    std::map<int, std::pair<double, int64_t>> sums;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, clip.toUtf8().constData(), nullptr, nullptr) < 0)
        return {};
    avformat_find_stream_info(fmt, nullptr);
    const int as = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    const AVStream* st = fmt->streams[as];
    const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
    AVCodecContext* dec = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(dec, st->codecpar);
    avcodec_open2(dec, codec, nullptr);
    AudioFilter filter(kRate);
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool first = true;
    std::vector<PcmChunk> chunks;
    auto drain = [&] {
        while (avcodec_receive_frame(dec, frame) >= 0) {
            const int64_t us = av_rescale_q(frame->pts, st->time_base, AVRational{1, 1000000});
            chunks.clear();
            EXPECT_TRUE(filter.push(frame, us, settings, first, chunks));
            first = false;
            for (const PcmChunk& c : chunks) {
                const auto* s = reinterpret_cast<const int16_t*>(c.pcm.constData());
                for (qsizetype i = 0; i < c.pcm.size() / 2; ++i) {
                    const int tenth = int((c.ptsUs + (i / 2) * 1000000LL / kRate) / 100000);
                    sums[tenth].first += double(s[i]) * s[i] / (32768.0 * 32768.0);
                    ++sums[tenth].second;
                }
            }
        }
    };
    while (av_read_frame(fmt, pkt) >= 0) {
        if (pkt->stream_index == as && avcodec_send_packet(dec, pkt) >= 0)
            drain();
        av_packet_unref(pkt);
    }
    avcodec_send_packet(dec, nullptr);
    drain();
    av_frame_free(&frame);
    av_packet_free(&pkt);
    avcodec_free_context(&dec);
    avformat_close_input(&fmt);
    std::map<int, double> rms;
    for (const auto& [tenth, sum] : sums)
        rms[tenth] = std::sqrt(sum.first / double(std::max<int64_t>(1, sum.second)));
    return rms;
}

class MusicPreview : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        dir_ = new QTemporaryDir;
        // A steady tone, and one sounding only in the first half of every second.
        ASSERT_EQ(testsupport::run(FFMPEG_EXECUTABLE,
                                   {"-v", "error", "-y", "-f", "lavfi", "-i",
                                    "aevalsrc=0.5*sin(2*PI*440*t):s=44100:d=6", dir_->filePath("tone.wav")}),
                  0);
        ASSERT_EQ(testsupport::run(FFMPEG_EXECUTABLE,
                                   {"-v", "error", "-y", "-f", "lavfi", "-i",
                                    "aevalsrc=0.5*sin(2*PI*440*t)*lt(mod(t\\,1)\\,0.5):s=44100:d=4", "-c:a",
                                    "libmp3lame", dir_->filePath("beats.mp3")}),
                  0);
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
    const CMTime zero = CMTimeMakeWithSeconds(0, 1000000000), one = CMTimeMakeWithSeconds(1, 1000000000);
    EXPECT_EQ(player.AddDubbingMusic(testsupport::media("no_audio.mp4").toUtf8().constData(), zero, one, zero,
                                     one, zero, zero, 1.0),
              0);
    EXPECT_EQ(player.AddDubbingMusic(path("tone.wav").c_str(), zero, one, zero, one, zero, zero, 1.0), 1);
}

} // namespace
