// A text watermark is blended as the box around what was drawn, not as a frame-sized picture:
// the box holds every drawn pixel (faint edges too), sits on even coordinates so that 4:2:0
// blending groups pixels as the whole canvas would, and stays inside the canvas.
#include "OverlayPictures.h"

#include <gtest/gtest.h>

namespace {

// A 61 x 33 block at an odd place, with faint anti-aliased edges one pixel around it.
void drawBlock(int width, int height, unsigned char* buffer, TEXT_WATERMARK_PARAM p) {
    for (int y = p.rect.top - 1; y <= p.rect.top + 33; ++y)
        for (int x = p.rect.left - 1; x <= p.rect.left + 61; ++x) {
            if (x < 0 || y < 0 || x >= width || y >= height)
                continue;
            const bool edge =
                y == p.rect.top - 1 || y == p.rect.top + 33 || x == p.rect.left - 1 || x == p.rect.left + 61;
            unsigned char* px = buffer + (size_t(y) * width + x) * 4;
            px[0] = edge ? 1 : 200;
            px[3] = edge ? 1 : 255;
        }
}

void drawNothing(int, int, unsigned char*, TEXT_WATERMARK_PARAM) {}

struct Box {
    ff::FramePtr frame;
    int left = -1, top = -1;
};

void draw(Box& b, int x, int y, int width, int height, DRAW_TEXT_CALLBACK callback = drawBlock) {
    TEXT_WATERMARK_PARAM p{};
    mediarecords::writeText(p.text, "mark");
    p.rect = RECT{x, y, x + 61, y + 33};
    b.frame = mediafx::drawTextPicture(p, width, height, callback, &b.left, &b.top);
}

} // namespace

TEST(TextWatermarkBox, HoldsEveryDrawnPixelOnEvenCoordinatesInsideTheCanvas) {
    for (auto [x, y] : std::vector<std::pair<int, int>>{{101, 333}, {0, 0}, {1858, 1046}}) {
        Box b;
        draw(b, x, y, 1920, 1080);
        ASSERT_NE(b.frame, nullptr);
        EXPECT_EQ(b.left % 2, 0);
        EXPECT_EQ(b.top % 2, 0);
        EXPECT_GE(b.left, 0);
        EXPECT_GE(b.top, 0);
        EXPECT_LE(b.left + b.frame->width, 1920);
        EXPECT_LE(b.top + b.frame->height, 1080);
        EXPECT_LT(b.frame->width * b.frame->height, 1920 * 1080 / 100) << "the whole canvas";
        // Every pixel of the block and its faint edge is inside, in place.
        const int x0 = std::max(0, x - 1), y0 = std::max(0, y - 1);
        const int x1 = std::min(1919, x + 61), y1 = std::min(1079, y + 33);
        ASSERT_LE(b.left, x0);
        ASSERT_LE(b.top, y0);
        ASSERT_GT(b.left + b.frame->width, x1);
        ASSERT_GT(b.top + b.frame->height, y1);
        const auto alpha = [&](int cx, int cy) {
            return b.frame->data[0][size_t(cy - b.top) * b.frame->linesize[0] + size_t(cx - b.left) * 4 + 3];
        };
        EXPECT_EQ(alpha(x0, y0), x0 == x - 1 && y0 == y - 1 ? 1 : 255);
        EXPECT_EQ(alpha(x + 30, y + 16), 255);
        EXPECT_EQ(alpha(x1, y1), x1 == x + 61 && y1 == y + 33 ? 1 : 255);
    }
    Box empty;
    draw(empty, 10, 10, 640, 360, drawNothing);
    ASSERT_NE(empty.frame, nullptr) << "a text that draws nothing still gives a (clear) box";
    EXPECT_LE(empty.frame->width * empty.frame->height, 4);
}
