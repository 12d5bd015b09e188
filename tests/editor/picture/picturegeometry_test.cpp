// The picture tools' arithmetic: the turn and mirror steps, how a turn carries a rectangle,
// the crop kept inside the picture and its even margins, and overlays following a turn.
#include "editor/picture/PictureGeometry.h"
#include "foundation/records/SubtitleParam.h"
#include "foundation/records/WaterParam.h"

#include <gtest/gtest.h>

using picture::Turn;

namespace {

void expectRect(const NSRect& a, const NSRect& b) {
    EXPECT_NEAR(a.x, b.x, 1e-9);
    EXPECT_NEAR(a.y, b.y, 1e-9);
    EXPECT_NEAR(a.width, b.width, 1e-9);
    EXPECT_NEAR(a.height, b.height, 1e-9);
}

} // namespace

TEST(PictureTurns, RotationStepsAndMirrorsAsSeen) {
    for (bool right : {false, true}) {
        int a = 0;
        for (int i = 0; i < 4; ++i)
            a = picture::stepRotation(a, right);
        EXPECT_EQ(a, 0);
    }
    EXPECT_EQ(picture::stepRotation(360, false), 270);
    EXPECT_EQ(picture::stepRotation(360, true), 90);
    EXPECT_EQ(picture::stepRotation(45, true), 45);

    // Mirrors act before the turn: sideways, the mirror seen horizontally is the vertical one.
    for (int angle : {0, 90, 180, 270}) {
        int h = 0, v = 0;
        picture::toggleMirror(angle, true, h, v);
        const bool sideways = angle % 180 != 0;
        EXPECT_EQ(h, sideways ? 0 : 1) << angle;
        EXPECT_EQ(v, sideways ? 1 : 0) << angle;
        picture::toggleMirror(angle, false, h, v);
        EXPECT_EQ(h, 1) << angle;
        EXPECT_EQ(v, 1) << angle;
    }
}

TEST(PictureTurns, ARectangleFollowsThePicture) {
    const QSizeF size(1920, 1080);
    // The top-left corner block (origin bottom-left, y up) of a landscape picture.
    const NSRect topLeft{0, 980, 200, 100};
    // Turned right it is the top-right block of the 1080 x 1920 picture.
    expectRect(picture::turnRect(topLeft, size, Turn::Right), {980, 1720, 100, 200});
    // Turned left it is the bottom-left block.
    expectRect(picture::turnRect(topLeft, size, Turn::Left), {0, 0, 100, 200});
    expectRect(picture::turnRect(topLeft, size, Turn::MirrorHorizontal), {1720, 980, 200, 100});
    expectRect(picture::turnRect(topLeft, size, Turn::MirrorVertical), {0, 0, 200, 100});

    // Four turns one way, a turn and its opposite, and a mirror twice give the rectangle back.
    const NSRect r{13, 27, 301, 149};
    for (Turn t : {Turn::Right, Turn::Left}) {
        NSRect x = r;
        QSizeF s = size;
        for (int i = 0; i < 4; ++i) {
            x = picture::turnRect(x, s, t);
            s = picture::turnedSize(s, t);
        }
        expectRect(x, r);
    }
    expectRect(picture::turnRect(picture::turnRect(r, size, Turn::Right), size.transposed(), Turn::Left), r);
    for (Turn t : {Turn::MirrorHorizontal, Turn::MirrorVertical})
        expectRect(picture::turnRect(picture::turnRect(r, size, t), size, t), r);
}

TEST(PictureCrop, MarginsAreEvenAndTheCropStaysInside) {
    const QSizeF size(1920, 1080);
    RECT m = picture::cropMargins({0, 0, 641, 1080}, size);
    EXPECT_EQ(m.left, 0);
    EXPECT_EQ(m.top, 0);
    EXPECT_EQ(m.right, 1278);
    EXPECT_EQ(m.bottom, 0);
    // A left edge at 5.7 pixels gives an even margin of 4; 0.9 gives 0.
    m = picture::cropMargins({5.7, 0.9, 1000, 500}, size);
    EXPECT_EQ(m.left, 4);
    EXPECT_EQ(m.bottom, 0);
    EXPECT_EQ(m.top % 2, 0);
    EXPECT_EQ(m.right % 2, 0);

    // Nothing outside the picture reaches the engine: no negative margin, no side past the
    // picture, whatever was asked.
    for (const NSRect& asked : {NSRect{-300, -50, 800, 400}, NSRect{1800, 1000, 600, 600},
                                NSRect{0, 0, 5000, 5000}, NSRect{100, 100, -20, 0}}) {
        const NSRect c = picture::clampCrop(asked, size);
        EXPECT_GE(c.x, 0);
        EXPECT_GE(c.y, 0);
        EXPECT_LE(c.maxX(), 1920);
        EXPECT_LE(c.maxY(), 1080);
        EXPECT_GT(c.width, 0);
        EXPECT_GT(c.height, 0);
        const RECT mm = picture::cropMargins(asked, size);
        EXPECT_GE(mm.left, 0);
        EXPECT_GE(mm.top, 0);
        EXPECT_GE(mm.right, 0);
        EXPECT_GE(mm.bottom, 0);
        EXPECT_LT(mm.left + mm.right, 1920);
        EXPECT_LT(mm.top + mm.bottom, 1080);
    }
    // A rectangle partly outside is moved in, keeping its size.
    expectRect(picture::clampCrop({1800, 1000, 600, 200}, size), {1320, 880, 600, 200});
}

TEST(PictureOverlays, WatermarkAndSubtitleFollowATurn) {
    WaterParam mark;
    mark.waterPercentClipRect = {0, 0.8, 0.25, 0.2}; // top-left quarter strip
    mark.waterRect = {0, 160, 100, 40};
    mark.waterViewFrameWidth = 400; // a 400 x 200 overlay of a 2:1 picture
    picture::turnWatermark(mark, QSizeF(800, 400), Turn::Right);
    // The mark is drawn upright over the turned picture: its centre turns with the picture,
    // its size in pixels stays (200 x 80), and it is moved back inside the 400 x 800 picture.
    expectRect(mark.waterPercentClipRect, {0.5, 0.825, 0.5, 0.1});
    // The points follow the turned picture's proportions (400 x 800 at the same width).
    expectRect(mark.waterRect, {200, 660, 200, 80});

    // With the new overlay known, the points come from the fractions.
    picture::turnWatermark(mark, QSizeF(400, 800), Turn::Left, QSizeF(300, 150));
    expectRect(mark.waterPercentClipRect, {0, 0.65, 0.25, 0.2});
    expectRect(mark.waterRect, {0, 97.5, 75, 30});
    EXPECT_EQ(mark.waterViewFrameWidth, 300.0f);

    // A mirror keeps the size and mirrors the place.
    picture::turnWatermark(mark, QSizeF(800, 400), Turn::MirrorHorizontal);
    expectRect(mark.waterPercentClipRect, {0.75, 0.65, 0.25, 0.2});

    SubtitleParam sub;
    sub.positon = 90; // pixels above the bottom of a 1920 x 1080 picture
    picture::turnSubtitle(sub, QSizeF(1920, 1080), Turn::Right);
    EXPECT_EQ(sub.positon, 160);
    picture::turnSubtitle(sub, QSizeF(1080, 1920), Turn::MirrorHorizontal);
    EXPECT_EQ(sub.positon, 160);
    sub.positon = -1; // not set stays not set
    picture::turnSubtitle(sub, QSizeF(1920, 1080), Turn::Left);
    EXPECT_EQ(sub.positon, -1);
}
