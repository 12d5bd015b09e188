// The watermark records built from the editor's marks, the text-picture cache, the subtitle
// file checks and the overlay view's geometry, dragged with the mouse offscreen.
#include "TestSupport.h"
#include "editor/overlays/LxWaterView.h"
#include "editor/overlays/SubtitlePanel.h"
#include "editor/overlays/TextPictureCache.h"
#include "editor/overlays/WaterMarkRecords.h"
#include "foundation/records/SubtitleParam.h"
#include "foundation/records/WaterParam.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>
#include <set>

namespace {

std::shared_ptr<WaterParam> mark(long type, NSRect fraction, bool checked = true) {
    auto m = std::make_shared<WaterParam>();
    m->waterType = type;
    m->waterPercentClipRect = fraction;
    m->selected = checked;
    m->startTime = 2.5f;
    m->duration = 4.0f;
    return m;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

TEST(WaterMarkRecords, RectanglesTimesAndSizesInPicturePixels) {
    const QSizeF hd(1920, 1080);
    auto picture = mark(WaterParam::kTypePicture, {0.1, 0.2, 0.25, 0.25});
    picture->waterImagePath = "/tmp/p.png";
    picture->waterAlph = 40.9;
    const IMAGE_WATERMARK_PARAM p = overlays::imageRecord(*picture, picture->waterImagePath, hd);
    EXPECT_EQ(p.rect.left, 192);
    EXPECT_EQ(p.rect.top, 594); // flipped: the records count from the top
    EXPECT_EQ(p.rect.right, 672);
    EXPECT_EQ(p.rect.bottom, 864);
    EXPECT_EQ(p.transparence, 40);
    EXPECT_EQ(p.start_time, 2500000);
    EXPECT_EQ(p.end_time, 6500000);

    auto video = mark(WaterParam::kTypePicture, {0.1, 0.2, 0.25, 0.25});
    video->isVideo = true;
    video->fileStartTime = 1;
    video->fileEndTime = 3;
    const VIDEO_WATERMARK_PARAM v = overlays::videoRecord(*video, hd);
    EXPECT_EQ(v.file_start_time, 1000000);
    EXPECT_EQ(v.file_end_time, 3000000);
    EXPECT_EQ(v.end_time, 6500000);

    auto text = mark(WaterParam::kTypeText, {0.1, 0.2, 0.25, 0.1});
    text->waterText = "mark";
    text->waterFontSize = 30;
    text->waterFontColor = QColor(255, 0, 0);
    const TEXT_WATERMARK_PARAM t = overlays::textRecord(*text, hd, 640);
    EXPECT_EQ(t.rect.left, 192);
    EXPECT_EQ(t.rect.top, 216);
    EXPECT_EQ(t.rect.bottom, 486);
    EXPECT_EQ(t.fontsize, 90); // 30 points on a 640-point overlay over 1920 pixels
    EXPECT_EQ(t.fontclr, 0xFF000000u);
}

TEST(WaterMarkRecords, OnlyCheckedRowsAndNeverTheOneUnderEdit) {
    QTemporaryDir cacheHome;
    qputenv("XDG_CACHE_HOME", cacheHome.path().toUtf8());
    overlays::WaterList list{mark(WaterParam::kTypePicture, {0, 0, 0.1, 0.1}),
                             mark(WaterParam::kTypePicture, {0, 0, 0.1, 0.1}, false),
                             mark(WaterParam::kTypeText, {0.5, 0.5, 0.2, 0.1}),
                             mark(WaterParam::kTypeText, {0.5, 0.5, 0.2, 0.1}), mark(1, {0, 0, 1, 1})};
    list[0]->waterImagePath = list[1]->waterImagePath = "/tmp/p.png";
    list[2]->waterText = QString::fromUtf8("水印 مرحبا");
    list[3]->waterText = ""; // nothing to draw: no record
    TextPictureCache cache;
    overlays::MarkRecords r;
    QString error;
    ASSERT_TRUE(overlays::buildMarkRecords(list, {640, 360}, 320, -1, &cache, &r, &error));
    ASSERT_EQ(r.images.size(), 2u); // the checked picture and the text as a picture
    EXPECT_TRUE(r.texts.empty());
    const QString textPicture = QString::fromUtf8(mediarecords::readText(r.images[1].path).c_str());
    EXPECT_TRUE(textPicture.startsWith(cacheHome.path())) << textPicture.toStdString();
    EXPECT_EQ(QImage(textPicture).size(), QSize(128, 36));

    ASSERT_TRUE(overlays::buildMarkRecords(list, {640, 360}, 320, 0, &cache, &r, &error));
    ASSERT_EQ(r.images.size(), 1u);
    EXPECT_EQ(mediarecords::readText(r.images[0].path), textPicture.toStdString()); // unchanged: same file

    // Without a cache a text stays a text record for the drawing callback.
    ASSERT_TRUE(overlays::buildMarkRecords(list, {640, 360}, 320, -1, nullptr, &r, &error));
    EXPECT_EQ(r.texts.size(), 1u);
}

TEST(TextPictureCache, FreeNamesInTheCacheFolderRemovedWhenUnused) {
    QTemporaryDir cacheHome;
    qputenv("XDG_CACHE_HOME", cacheHome.path().toUtf8());
    QString folder, first, second;
    {
        TextPictureCache a, b;
        int keyA = 0, keyB = 0;
        const TextPicture look{"Hello", ".AppleSystemUIFont", 20, Qt::green, {120, 30}};
        first = a.pathFor(&keyA, look);
        second = b.pathFor(&keyA, look);
        ASSERT_FALSE(first.isEmpty());
        EXPECT_NE(first, second); // two caches never share a file
        folder = a.folder();
        EXPECT_TRUE(folder.startsWith(TextPictureCache::cacheRoot()));
        EXPECT_TRUE(TextPictureCache::cacheRoot().startsWith(cacheHome.path()));

        TextPicture changed = look;
        changed.colour = Qt::red;
        const QString redrawn = a.pathFor(&keyA, changed);
        EXPECT_NE(redrawn, first);
        EXPECT_FALSE(QFile::exists(first)); // the old drawing is gone
        const QString other = a.pathFor(&keyB, look);
        a.prune(std::set<const void*>{&keyB});
        EXPECT_FALSE(QFile::exists(redrawn));
        EXPECT_TRUE(QFile::exists(other));
        const QImage img(other);
        int green = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                green += qGreen(img.pixel(x, y)) > 200 && qRed(img.pixel(x, y)) < 60 ? 1 : 0;
        EXPECT_GT(green, 20);
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_FALSE(QFile::exists(second));

    // A folder abandoned by an earlier run goes once it is a day old; a recent one stays.
    const QString root = TextPictureCache::cacheRoot();
    for (const char* name : {"textmarks-old", "textmarks-recent"}) {
        ASSERT_TRUE(QDir().mkpath(root + "/" + name));
        QFile f(root + "/" + name + "/water_0.png");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }
    ASSERT_EQ(testsupport::run("touch", {"-d", "2 days ago", root + "/textmarks-old"}), 0);
    TextPictureCache c;
    int key = 0;
    ASSERT_FALSE(c.pathFor(&key, {"x", "", 20, Qt::white, {40, 20}}).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(root + "/textmarks-old"));
    EXPECT_TRUE(QFileInfo::exists(root + "/textmarks-recent"));
}

TEST(SubtitleRecords, RecordAndFileChecks) {
    SubtitleParam s;
    s.subtitlePath = "/tmp/a.srt";
    s.fontColor = QColor(0, 255, 0);
    s.positon = 120;
    const SUBTITLE_PARAM p = overlays::subtitleRecord(s);
    EXPECT_EQ(p.fontColor, 0x00FF0000u);
    EXPECT_EQ(p.shadowColor, p.fontColor);
    EXPECT_EQ(p.position, 120);
    EXPECT_EQ(mediarecords::readText(p.path), "/tmp/a.srt");

    QTemporaryDir dir;
    const QString good = dir.filePath("good.srt"), bom = dir.filePath("bom.srt"),
                  broken = dir.filePath("b.srt"), legacy = dir.filePath("latin1.srt"),
                  ass = dir.filePath("x.ass");
    writeFile(good, "1\n00:00:01,000 --> 00:00:02,000\nHello\n");
    writeFile(bom, "\xEF\xBB\xBF"
                   "1\r\n00:00:01,000 --> 00:00:02,000\r\n\xE4\xBD\xA0\xE5\xA5\xBD\r\n");
    writeFile(broken, "this is not a subtitle\n");
    writeFile(legacy, "1\n00:00:01,000 --> 00:00:02,000\nCaf\xE9\n");
    writeFile(ass, "[Script Info]\n[Events]\nDialogue: 0,0:00:01.00,0:00:02.00,Default,,0,0,0,,Hi\n");
    using P = SubtitlePanel::Problem;
    EXPECT_EQ(SubtitlePanel::checkSubtitleFile(good), P::None);
    EXPECT_EQ(SubtitlePanel::checkSubtitleFile(bom), P::None);
    EXPECT_EQ(SubtitlePanel::checkSubtitleFile(ass), P::None);
    EXPECT_EQ(SubtitlePanel::checkSubtitleFile(broken), P::NoCues);
    EXPECT_EQ(SubtitlePanel::checkSubtitleFile(legacy), P::LegacyEncoding);
    EXPECT_EQ(SubtitlePanel::checkSubtitleFile(dir.filePath("none.srt")), P::Unreadable);
    // Files beyond the engine's bounds say so, rather than that they hold no subtitle.
    const QString big = dir.filePath("big.srt"), longLine = dir.filePath("line.srt");
    QByteArray cues;
    while (cues.size() <= 9 * 1024 * 1024)
        cues += "1\n00:00:01,000 --> 00:00:02,000\nHello there, this is a cue\n\n";
    writeFile(big, cues);
    writeFile(longLine, "1\n00:00:01,000 --> 00:00:02,000\n" + QByteArray(200000, 'x') + "\n");
    EXPECT_EQ(SubtitlePanel::checkSubtitleFile(big), P::TooLarge);
    EXPECT_EQ(SubtitlePanel::checkSubtitleFile(longLine), P::CueTooLong);
}

class WaterViewDrag : public ::testing::Test {
protected:
    void SetUp() override {
        host_.resize(640, 360);
        view_ = new LxWaterView(NSMakeRect(0, 0, 640, 360), &host_);
        host_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&host_));
        view_->mouseMoved = [this](const NSRect&) { ++moves_; };
        view_->mouseMoveEnded = [this](const NSRect& f) { ended_ = f; };
    }
    // Shows a 200x100 red picture as the mark.
    void showPictureMark() {
        QImage picture(200, 100, QImage::Format_RGB32);
        picture.fill(Qt::red);
        view_->setWaterMark(picture);
        view_->setMarkWaterType(LxWaterView::kMarkPicture);
    }
    // Drags from a to b, in view points with the origin at the bottom-left.
    void drag(NSPoint a, NSPoint b) {
        const QPoint qa = geometry::pointToQt(a, 360).toPoint(), qb = geometry::pointToQt(b, 360).toPoint();
        QTest::mousePress(view_, Qt::LeftButton, {}, qa);
        QMouseEvent move(QEvent::MouseMove, qb, view_->mapToGlobal(qb), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(view_, &move);
        QTest::mouseRelease(view_, Qt::LeftButton, {}, qb);
    }
    QWidget host_;
    LxWaterView* view_ = nullptr;
    int moves_ = 0;
    NSRect ended_;
};

TEST_F(WaterViewDrag, PictureEdgesCornersAndMovesStayInsideTheView) {
    showPictureMark();
    view_->setClipRect(NSMakeRect(100, 100, 200, 100));
    // The left edge stops 40 points before the right edge, the right edge 10 after the left.
    drag({105, 150}, {600, 150});
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().x, 260);
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().width, 40);
    view_->setClipRect(NSMakeRect(100, 100, 200, 100));
    drag({295, 150}, {10, 150});
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().width, 10);
    // A press just outside the rectangle drags nothing.
    view_->setClipRect(NSMakeRect(100, 100, 200, 100));
    moves_ = 0;
    drag({85, 150}, {20, 150});
    EXPECT_EQ(moves_, 0);
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().x, 100);
    // A corner dragged beyond the view stops at its edge; the release reports fractions.
    drag({298, 102}, {900, -50});
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().x + view_->getclipRectFrame().width, 640);
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().y, 0);
    EXPECT_NEAR(ended_.width, 540.0 / 640, 1e-9);
    // A move against the right and bottom edges ends exactly on them.
    view_->setClipRect(NSMakeRect(100, 100, 200, 100));
    drag({200, 150}, {900, -100});
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().x, 440);
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().y, 0);
}

TEST_F(WaterViewDrag, KeepAspectCornersAndTextsOnlyMove) {
    showPictureMark();
    view_->setClipRect(NSMakeRect(100, 200, 200, 100));
    view_->setScale_Type(LxWaterView::kScaleKeepAspect);
    moves_ = 0;
    drag({105, 250}, {150, 250}); // an edge: nothing, no callback
    EXPECT_EQ(moves_, 0);
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().width, 200);
    drag({298, 202}, {220, 10}); // bottom-right corner to a width of 120
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().width, 120);
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().height, 60);
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().y, 240); // the top edge stayed
    // Near the bottom the height is cut to the room left and the width follows it.
    view_->setClipRect(NSMakeRect(100, 10, 100, 50));
    drag({198, 12}, {600, 12});
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().height, 60);
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().width, 120);
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().y, 0);

    view_->setWaterMark({});
    view_->setWaterMarkString("text");
    view_->setMarkWaterType(LxWaterView::kMarkText);
    view_->setClipRect(NSMakeRect(100, 100, 200, 40));
    drag({102, 102}, {50, 50}); // a "corner" of a text moves it
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().width, 200);
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().x, 48);
}

TEST_F(WaterViewDrag, SizesFitsAndFractions) {
    view_->setClipRect(NSMakeRect(5, 5, 4, 4));
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().width, 10);
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().x, 5);
    view_->setClipRect(NSMakeRect(0, 0, 900, 20));
    EXPECT_DOUBLE_EQ(view_->getclipRectFrame().width, 640);
    view_->setClipRect(NSMakeRect(64, 36, 128, 72));
    const NSRect f = view_->getPercentImageClipRect();
    EXPECT_NEAR(f.x, 0.1, 1e-12);
    EXPECT_NEAR(f.y, 0.1, 1e-12);
    view_->setFrameRect(NSMakeRect(0, 0, 640, 480));
    EXPECT_DOUBLE_EQ(view_->getCheckClipRect(NSMakeRect(0, 0, 1280, 720)).height, 360);
    EXPECT_DOUBLE_EQ(view_->getCheckClipRect(NSMakeRect(0, 0, 300, 600)).width, 240);
    EXPECT_DOUBLE_EQ(view_->getCheckClipRect(NSMakeRect(0, 0, 320, 240)).width, 320);
}
