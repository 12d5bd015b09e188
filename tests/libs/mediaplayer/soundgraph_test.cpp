// The preview's sound path without a sound device: decoded sound through the player's audio
// filter (the shared graph of libs/mediafx) with gain, the original sound left out, and music.
#include "AudioFilter.h"
#include "TestSupport.h"

#include <cmath>
#include <gtest/gtest.h>
#include <map>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace {

// Root mean square (full scale 1.0) of the filtered sound of a clip, per whole second of its
// timeline.
std::map<int, double> rmsPerSecond(const QString& clip, const PreviewSettings& settings) {
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
    AudioFilter filter(48000);
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
                    const int second = int((c.ptsUs + (i / 2) * 1000000LL / 48000) / 1000000);
                    sums[second].first += double(s[i]) * s[i] / (32768.0 * 32768.0);
                    ++sums[second].second;
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
    for (const auto& [second, sum] : sums)
        rms[second] = std::sqrt(sum.first / double(std::max<int64_t>(1, sum.second)));
    return rms;
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

TEST(PlayerSound, MusicPlaysOnlyInItsPlaceOnTheTimeline) {
    PreviewSettings s;
    s.fx.mainAudioDisabled = true;
    mediafx::MusicTrack t;
    t.path = testsupport::media("audio_only.mp3").toStdString();
    t.musicStartUs = 0;
    t.musicEndUs = 4000000;
    t.videoStartUs = 1000000;
    t.videoEndUs = 3000000;
    t.volume = 1.0;
    s.fx.music.push_back(t);
    const auto rms = rmsPerSecond(testsupport::media("h264_aac.mp4"), s);
    EXPECT_LT(rms.at(0), 0.002);
    EXPECT_GT(rms.at(1), 0.03);
    EXPECT_GT(rms.at(2), 0.03);
    EXPECT_LT(rms.at(3), 0.002);
}
