// The preview's sound path measured without a sound device: a clip's decoded sound through the
// player's audio filter, as root mean square (full scale 1.0) per window of the clip's timeline.
#pragma once

#include "AudioFilter.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <gtest/gtest.h>
#include <map>
#include <utility>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace playertest {

constexpr int kFilterRate = 48000;

// Window index (start / windowUs) -> RMS of the filtered sound in it; empty when the clip does
// not open.
inline std::map<int, double> filteredRms(const QString& clip, const PreviewSettings& settings,
                                         int64_t windowUs) {
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
    AudioFilter filter(kFilterRate);
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
                    const int window = int((c.ptsUs + (i / 2) * 1000000LL / kFilterRate) / windowUs);
                    sums[window].first += double(s[i]) * s[i] / (32768.0 * 32768.0);
                    ++sums[window].second;
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
    for (const auto& [window, sum] : sums)
        rms[window] = std::sqrt(sum.first / double(std::max<int64_t>(1, sum.second)));
    return rms;
}

} // namespace playertest
