// The editor's text-drawing and picture-loading functions, on their own and through the
// preview player: colour word, transparency, origin, every script (shaped by Qt, with real
// glyphs from a font that has them), and pictures in the one declared pixel layout.
#include "../../libs/mediaplayer/PlayerTestUtil.h"
#include "TestSupport.h"
#include "editor/core/EditorCallbacks.h"
#include "editor/core/SaveImage.h"
#include "mediacore/MediaCore.h"

#include <QFileInfo>
#include <QFontDatabase>
#include <QImage>
#include <QJsonObject>
#include <QTemporaryDir>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

using playertest::snapshot;
using testsupport::media;

namespace {

constexpr uint32_t kRedWord = 0x0000FF00; // red as the libraries hand it to the callbacks
constexpr uint32_t kBlueWord = 0xFF000000;

TEXT_WATERMARK_PARAM mark(const QByteArray& utf8, int left, int top, uint32_t colour = kRedWord,
                          int size = 40, const char* font = ".AppleSystemUIFont") {
    TEXT_WATERMARK_PARAM m{};
    mediarecords::writeText(m.text, utf8.toStdString());
    mediarecords::writeText(m.szFontName, font);
    m.rect = {left, top, left + 300, top + 60};
    m.fontsize = size;
    m.fontclr = colour;
    return m;
}

// The callback's drawing on an empty (transparent) canvas, as the libraries call it.
QImage drawn(const TEXT_WATERMARK_PARAM& m, int width = 400, int height = 200) {
    std::vector<unsigned char> buffer(size_t(width) * height * 4, 0);
    drawTextCallback(width, height, buffer.data(), m);
    return QImage(buffer.data(), width, height, width * 4, QImage::Format_RGBA8888_Premultiplied).copy();
}

// Pixels with any ink, and the box around them.
int inked(const QImage& img, QRect* box = nullptr) {
    int n = 0;
    QRect b;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > 0) {
                ++n;
                b = b.united(QRect(x, y, 1, 1));
            }
    if (box)
        *box = b;
    return n;
}

int maxAlpha(const QImage& img) {
    int a = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            a = std::max(a, qAlpha(img.pixel(x, y)));
    return a;
}

QRgb solidestPixel(const QImage& img) {
    QRgb best = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qAlpha(img.pixel(x, y)) > qAlpha(best))
                best = img.pixel(x, y);
    return best;
}

// A red text whose baseline starts at (40, 140) of a 320 x 240 picture: the red pixels it
// added above and a little below its baseline, and the pixels that changed much elsewhere.
struct TextChange {
    int redInside = 0, changedOutside = 0;
};
TextChange textChange(const QImage& before, const QImage& after) {
    TextChange change;
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x) {
            const bool inside = x >= 38 && y >= 140 - 60 && y < 140 + 15;
            const QRgb c = after.pixel(x, y);
            if (inside && qRed(c) > 200 && qGreen(c) < 70 && qBlue(c) < 70 && before.pixel(x, y) != c)
                ++change.redInside;
            if (!inside && std::abs(qGray(c) - qGray(before.pixel(x, y))) > 40)
                ++change.changedOutside;
        }
    return change;
}

bool hasFontFor(QFontDatabase::WritingSystem system) {
    return !QFontDatabase::families(system).isEmpty();
}

} // namespace

TEST(EditorTextDrawing, ColourWordTransparencyAndOriginFromTheBottomLeft) {
    const QImage red = drawn(mark("HHH", 30, 50, kRedWord));
    const QRgb r = solidestPixel(red);
    EXPECT_EQ(qAlpha(r), 255);
    EXPECT_EQ(qRed(r), 255);
    EXPECT_EQ(qGreen(r), 0);
    EXPECT_EQ(qBlue(r), 0);
    const QRgb b = solidestPixel(drawn(mark("HHH", 30, 50, kBlueWord)));
    EXPECT_EQ(qBlue(b), 255);
    EXPECT_EQ(qRed(b), 0);
    // The low byte is never read.
    EXPECT_EQ(drawn(mark("HHH", 30, 50, kRedWord | 0xFF)), red);

    // "H" sits on its baseline: 50 pixels above the bottom edge of a 200-high picture, and
    // starts at x 30.
    QRect box;
    ASSERT_GT(inked(red, &box), 100);
    EXPECT_NEAR(box.bottom(), 200 - 50 - 1, 1);
    EXPECT_GE(box.left(), 30);
    EXPECT_LE(box.left(), 36);

    TEXT_WATERMARK_PARAM half = mark("HHH", 30, 50);
    half.transparence = 50;
    EXPECT_NEAR(maxAlpha(drawn(half)), 128, 2);
    half.transparence = 100;
    EXPECT_EQ(inked(drawn(half)), 0);
}

TEST(EditorTextDrawing, BadInputDrawsNothingAndTouchesNoOtherMemory) {
    EXPECT_EQ(inked(drawn(mark("", 10, 50))), 0);
    EXPECT_EQ(inked(drawn(mark("abc\xC3", 10, 50))), 0); // cut inside a character
    EXPECT_EQ(inked(drawn(mark("\xFF\xFE", 10, 50))), 0);
    EXPECT_EQ(inked(drawn(mark("abc", 10, 50, kRedWord, 0))), 0);
    drawTextCallback(100, 100, nullptr, mark("abc", 10, 50)); // no buffer: no crash

    // Text running past the edges is clipped to the buffer: the guard bytes stay.
    std::vector<unsigned char> buffer(60 * 30 * 4 + 64, 0xAB);
    std::fill(buffer.begin(), buffer.begin() + 60 * 30 * 4, 0);
    drawTextCallback(60, 30, buffer.data(), mark("WWWWWWWWWWWWWWWW", -20, -10, kRedWord, 80));
    for (size_t i = 60 * 30 * 4; i < buffer.size(); ++i)
        ASSERT_EQ(buffer[i], 0xAB) << i;
}

TEST(EditorTextDrawing, ChineseAndArabicDrawRealGlyphs) {
    ASSERT_TRUE(hasFontFor(QFontDatabase::SimplifiedChinese)) << "install a CJK font (fonts-noto-cjk)";
    ASSERT_TRUE(hasFontFor(QFontDatabase::Arabic)) << "install a font with Arabic letters";

    // Missing glyphs would all draw as the same box: different characters must differ.
    const QImage zhong = drawn(mark("中", 20, 60));
    const QImage guo = drawn(mark("国", 20, 60));
    EXPECT_GT(inked(zhong), 80);
    EXPECT_GT(inked(guo), 80);
    EXPECT_NE(zhong, guo);
    EXPECT_GT(inked(drawn(mark("视频编辑", 20, 60))), 4 * 60);

    const QImage ain = drawn(mark("ع", 20, 60));
    const QImage meem = drawn(mark("م", 20, 60));
    EXPECT_GT(inked(ain), 40);
    EXPECT_NE(ain, meem);
    // Shaped: joined letters take their joining forms, so three joined ains are not three
    // copies of the lone letter.
    const double lone = inked(ain), joined = inked(drawn(mark("ععع", 20, 60)));
    EXPECT_GT(std::abs(joined - 3 * lone) / (3 * lone), 0.1) << joined << " vs " << lone;

    // A right-to-left word still starts at the origin and stays on its baseline.
    QRect box;
    ASSERT_GT(inked(drawn(mark("مرحبا بالعالم", 20, 60)), &box), 200);
    EXPECT_GE(box.left(), 20);
    EXPECT_LE(box.left(), 30);
    EXPECT_LT(box.bottom(), 200 - 60 + 20); // the descenders reach only a little below
}

TEST(EditorTextDrawing, CallsFromManyThreadsAtOnceDrawTheSame) {
    const TEXT_WATERMARK_PARAM m = mark("并行 parallel مرحبا", 10, 80);
    const QImage expected = drawn(m);
    std::atomic<int> same{0};
    std::vector<std::thread> threads;
    for (int i = 0; i < 8; ++i)
        threads.emplace_back([&] {
            for (int k = 0; k < 4; ++k)
                same += drawn(m) == expected ? 1 : 0;
        });
    for (std::thread& t : threads)
        t.join();
    EXPECT_EQ(same.load(), 32);
}

TEST(EditorTextDrawing, ThePlayerShowsTheTextWhereTheMarkSaysInItsColour) {
    LxMoviePlayer player(media("h264_aac.mp4"), QRect(0, 0, 320, 240));
    player.seekTime(CMTimeMakeWithSeconds(1.0, 1000000000));
    const QImage before = snapshot(player, 320, 240);
    player.SetDrawTextCallback(playerDrawTextCallback);
    // The program packs red in bits 24-31; the player re-packs the word for the callback.
    TEXT_WATERMARK_PARAM m = mark("编辑", 40, 100, 0xFF000000, 48);
    m.end_time = 4000000;
    ASSERT_EQ(player.AddTextWatermask(m), 1);
    player.Refresh();
    const QImage after = snapshot(player, 320, 240);
    const TextChange change = textChange(before, after);
    EXPECT_GT(change.redInside, 200);
    EXPECT_LT(change.changedOutside, 50);
}

TEST(EditorPictureLoading, SizeQueryThenPixelsInTheDeclaredLayout) {
    QTemporaryDir dir;
    QImage picture(7, 5, QImage::Format_ARGB32);
    picture.fill(QColor(255, 0, 0, 128)); // half-transparent red
    picture.setPixel(0, 0, qRgba(0, 0, 255, 255));
    const QString path = dir.filePath("mark.png");
    ASSERT_TRUE(picture.save(path));
    const QByteArray p = path.toUtf8();

    int w = -1, h = -1;
    ASSERT_EQ(playerLoadImageCallback(p.constData(), &w, &h, 0, nullptr), 1);
    EXPECT_EQ(w, 7);
    EXPECT_EQ(h, 5);
    EXPECT_EQ(playerLoadImageCallback(p.constData(), nullptr, nullptr, 0, nullptr), 1);

    // Exactly w x h x 4 bytes fit; one byte less is refused and nothing is written.
    std::vector<unsigned char> small(7 * 5 * 4 - 1 + 8, 0x11);
    EXPECT_EQ(playerLoadImageCallback(p.constData(), &w, &h, 7 * 5 * 4 - 1, small.data()), 0);
    EXPECT_TRUE(std::all_of(small.begin(), small.end(), [](unsigned char c) { return c == 0x11; }));
    std::vector<unsigned char> exact(7 * 5 * 4 + 8, 0x11);
    w = h = -1;
    ASSERT_EQ(playerLoadImageCallback(p.constData(), &w, &h, 7 * 5 * 4, exact.data()), 1);
    EXPECT_EQ(w, -1); // not written when filling
    // R, G, B, A premultiplied, top row first.
    EXPECT_EQ(exact[0], 0);
    EXPECT_EQ(exact[2], 255);
    EXPECT_EQ(exact[3], 255);
    const size_t second = 4;
    EXPECT_NEAR(exact[second + 0], 128, 1);
    EXPECT_EQ(exact[second + 1], 0);
    EXPECT_EQ(exact[second + 3], 128);
    EXPECT_EQ(exact[7 * 5 * 4], 0x11);
}

TEST(EditorPictureLoading, RefusesWhatIsNoPictureOrTooLarge) {
    QTemporaryDir dir;
    int w = 0, h = 0;
    EXPECT_EQ(playerLoadImageCallback(nullptr, &w, &h, 0, nullptr), 0);
    EXPECT_EQ(playerLoadImageCallback("", &w, &h, 0, nullptr), 0);
    EXPECT_EQ(playerLoadImageCallback("/nowhere/at/all.png", &w, &h, 0, nullptr), 0);
    EXPECT_EQ(playerLoadImageCallback(media("not_media.mp4").toUtf8().constData(), &w, &h, 0, nullptr), 0);
    QImage wide(kMaxPictureSide + 1, 1, QImage::Format_Mono);
    wide.fill(0);
    const QString widePath = dir.filePath("wide.png");
    ASSERT_TRUE(wide.save(widePath));
    EXPECT_EQ(playerLoadImageCallback(widePath.toUtf8().constData(), &w, &h, 0, nullptr), 0);
    std::vector<unsigned char> buffer(64, 0);
    EXPECT_EQ(
        playerLoadImageCallback(widePath.toUtf8().constData(), &w, &h, int(buffer.size()), buffer.data()), 0);
}

TEST(EditorPictureLoading, ThePlayerShowsAPictureMarkThroughTheLoader) {
    QTemporaryDir dir;
    QImage logo(40, 20, QImage::Format_RGB32);
    logo.fill(QColor(0, 255, 0));
    const QString path = dir.filePath("logo.png");
    ASSERT_TRUE(logo.save(path));
    LxMoviePlayer player(media("h264_aac.mp4"), QRect(0, 0, 320, 240));
    player.seekTime(CMTimeMakeWithSeconds(1.0, 1000000000));
    player.SetLoadImageCallback(playerLoadImageCallback);
    IMAGE_WATERMARK_PARAM m{};
    mediarecords::writeText(m.path, path.toStdString());
    m.rect = {200, 20, 280, 60};
    m.end_time = 4000000;
    ASSERT_EQ(player.AddImageWatermask(m), 1);
    player.Refresh();
    const QImage shot = snapshot(player, 320, 240);
    const QRgb inside = shot.pixel(240, 40);
    EXPECT_GT(qGreen(inside), 200);
    EXPECT_LT(qRed(inside), 60);
    EXPECT_LT(qGreen(shot.pixel(150, 40)) - qRed(shot.pixel(150, 40)), 150);
}

TEST(EditorPictureLoading, PicturesWrittenForTheEngineAreWholePngFilesTheLoaderReadsBack) {
    QTemporaryDir dir;
    QImage picture(33, 17, QImage::Format_ARGB32);
    picture.fill(QColor(0, 0, 255, 255));
    const QString path = dir.filePath("water_0.png");
    ASSERT_TRUE(saveImage(picture, path));
    const QJsonObject stream = testsupport::probeStream(path, "video");
    EXPECT_EQ(stream.value("codec_name").toString(), "png");
    EXPECT_EQ(stream.value("width").toInt(), 33);
    EXPECT_EQ(stream.value("height").toInt(), 17);
    int w = 0, h = 0;
    EXPECT_EQ(playerLoadImageCallback(path.toUtf8().constData(), &w, &h, 0, nullptr), 1);
    EXPECT_EQ(QSize(w, h), QSize(33, 17));

    // A leading tilde is the home folder.
    const QByteArray home = qgetenv("HOME");
    qputenv("HOME", dir.path().toUtf8());
    EXPECT_TRUE(saveImage(picture, "~/from_home.png"));
    qputenv("HOME", home);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath("from_home.png")));

    // No folder is made, and a failure leaves nothing behind.
    EXPECT_FALSE(saveImage(picture, dir.filePath("missing/water_1.png")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("missing")));
    EXPECT_FALSE(saveImage(QImage(), dir.filePath("null.png")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("null.png")));
}
