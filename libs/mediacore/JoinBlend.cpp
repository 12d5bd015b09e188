#include "JoinBlend.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <type_traits>

extern "C" {
#include <libavutil/pixdesc.h>
#include <libavutil/samplefmt.h>
}

namespace mediacore {

void blendPictures(const AVFrame* from, const AVFrame* to, AVFrame* out, int effect, double p) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(out->format));
    const int planes = av_pix_fmt_count_planes(static_cast<AVPixelFormat>(out->format));
    for (int i = 0; i < planes; ++i) {
        const bool chroma = i == 1 || i == 2;
        const int w = chroma ? AV_CEIL_RSHIFT(out->width, d->log2_chroma_w) : out->width;
        const int h = chroma ? AV_CEIL_RSHIFT(out->height, d->log2_chroma_h) : out->height;
        const int sx = int(std::lround(p * w)), sy = int(std::lround(p * h));
        for (int y = 0; y < h; ++y) {
            uint8_t* o = out->data[i] + size_t(y) * out->linesize[i];
            const uint8_t* a = from->data[i] + size_t(y) * from->linesize[i];
            const uint8_t* b = to->data[i] + size_t(y) * to->linesize[i];
            switch (effect) {
            case 1: // the old picture leaves to the left, the new one follows from the right
                std::memcpy(o, a + sx, size_t(w - sx));
                std::memcpy(o + (w - sx), b, size_t(sx));
                break;
            case 2: // the new picture comes down from the top, pushing the old one down
                if (y < sy)
                    std::memcpy(o, to->data[i] + size_t(h - sy + y) * to->linesize[i], size_t(w));
                else
                    std::memcpy(o, from->data[i] + size_t(y - sy) * from->linesize[i], size_t(w));
                break;
            default:
                for (int x = 0; x < w; ++x)
                    o[x] = uint8_t(std::lround(a[x] * (1.0 - p) + b[x] * p));
                break;
            }
        }
    }
}

bool blendable(AVPixelFormat f) {
    const AVPixFmtDescriptor* d = av_pix_fmt_desc_get(f);
    return d && (d->flags & AV_PIX_FMT_FLAG_PLANAR) && !(d->flags & AV_PIX_FMT_FLAG_RGB) &&
           d->comp[0].depth == 8;
}


void crossfadeSound(const AVFrame* a, const AVFrame* b, AVFrame* mixed) {
    const auto sampleFormat = static_cast<AVSampleFormat>(mixed->format);
    const int channels = mixed->ch_layout.nb_channels;
    const int64_t blendSamples = mixed->nb_samples;
    const bool planar = av_sample_fmt_is_planar(sampleFormat);
    const int lines = planar ? channels : 1, perLine = int(blendSamples) * (planar ? 1 : channels);
    for (int ch = 0; ch < lines; ++ch) {
        for (int n = 0; n < perLine; ++n) {
            const double p = double(planar ? n : n / channels) / double(blendSamples);
            const auto mix = [&](auto* out, const auto* x, const auto* y) {
                out[n] = static_cast<std::remove_reference_t<decltype(out[n])>>(x[n] * (1.0 - p) + y[n] * p);
            };
            switch (av_get_packed_sample_fmt(sampleFormat)) {
            case AV_SAMPLE_FMT_FLT:
                mix(reinterpret_cast<float*>(mixed->extended_data[ch]),
                    reinterpret_cast<const float*>(a->extended_data[ch]),
                    reinterpret_cast<const float*>(b->extended_data[ch]));
                break;
            case AV_SAMPLE_FMT_S16:
                mix(reinterpret_cast<int16_t*>(mixed->extended_data[ch]),
                    reinterpret_cast<const int16_t*>(a->extended_data[ch]),
                    reinterpret_cast<const int16_t*>(b->extended_data[ch]));
                break;
            case AV_SAMPLE_FMT_S32:
                mix(reinterpret_cast<int32_t*>(mixed->extended_data[ch]),
                    reinterpret_cast<const int32_t*>(a->extended_data[ch]),
                    reinterpret_cast<const int32_t*>(b->extended_data[ch]));
                break;
            default: // rare formats: a cut instead of a crossfade
                mix(reinterpret_cast<uint8_t*>(mixed->extended_data[ch]),
                    reinterpret_cast<const uint8_t*>(b->extended_data[ch]),
                    reinterpret_cast<const uint8_t*>(b->extended_data[ch]));
                break;
            }
        }
    }
}

} // namespace mediacore
