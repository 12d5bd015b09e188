// The halving of a picture for a small view: every sample the rounded mean of its 2 x 2 block,
// whatever the width (the wide middle of a row and its narrow end) and the row padding.
#include "HalfSize.h"

#include <gtest/gtest.h>
#include <random>

extern "C" {
#include <libavutil/frame.h>
#include <libavutil/pixfmt.h>
}

TEST(HalfSize, EverySampleIsTheRoundedMeanOfItsBlock) {
    std::mt19937 random(7);
    // 2 x 300 luma samples: 18 groups of sixteen and a tail of 12; chroma 150: 9 and 6.
    for (const int width : {600, 68, 4}) {
        ff::FramePtr in = ff::makeFrame();
        in->format = AV_PIX_FMT_YUV420P;
        in->width = width;
        in->height = 8;
        ASSERT_GE(av_frame_get_buffer(in.get(), 0), 0);
        for (int p = 0; p < 3; ++p)
            for (int y = 0; y < (p ? 4 : 8); ++y)
                for (int x = 0; x < in->linesize[p]; ++x)
                    in->data[p][y * in->linesize[p] + x] = uint8_t(random());
        const ff::FramePtr out = player::halved(in.get());
        ASSERT_TRUE(out);
        ASSERT_EQ(out->width, width / 2);
        for (int p = 0; p < 3; ++p) {
            const int w = p ? width / 4 : width / 2, h = p ? 2 : 4;
            const auto at = [&](int x, int y) { return int(in->data[p][y * in->linesize[p] + x]); };
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const int mean = (at(2 * x, 2 * y) + at(2 * x + 1, 2 * y) + at(2 * x, 2 * y + 1) +
                                      at(2 * x + 1, 2 * y + 1) + 2) /
                                     4;
                    ASSERT_EQ(out->data[p][y * out->linesize[p] + x], mean)
                        << "width " << width << ", plane " << p << " at " << x << "," << y;
                }
        }
    }
}
