// The watermark and subtitle tools in the running editor window, offscreen, on clips made by
// ffmpeg: marks placed and styled on the overlay are previewed and burnt into the export where
// and when the overlay showed them, judged by the pixels ffmpeg decodes from the output.
#include "../../tools/shared/ToolWindowDriver.h"
#include "FrameCounter.h"
#include "MarkClips.h"
#include "editor/core/EditVideoWindowController.h"
#include "editor/overlays/LxWaterView.h"
#include "editor/overlays/SubtitlePanel.h"
#include "editor/overlays/WaterMarkCellItemView.h"
#include "editor/overlays/WaterMarkPanel.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SubtitleParam.h"
#include "foundation/records/WaterParam.h"
#include "mediacore/MediaCore.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/UserDefaults.h"
#include "tools/shared/ExportBar.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/TimeCodeRow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QSpinBox>
#include <QTemporaryDir>
#include <functional>

using namespace tooltest;

namespace {

// Every character that filter-graph strings treat specially, and spaces.
const QString kAwkward = "it's: a, [b]; c";

int countPixels(const QImage& img, const QRect& area, const std::function<bool(QRgb)>& want) {
    int n = 0;
    const QRect r = area.intersected(img.rect());
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x)
            n += want(img.pixel(x, y)) ? 1 : 0;
    return n;
}

bool reddish(QRgb c) {
    return qRed(c) > 170 && qGreen(c) < 80 && qBlue(c) < 80;
}
bool greenish(QRgb c) {
    return qGreen(c) > 150 && qRed(c) < 90 && qBlue(c) < 90;
}
bool bluish(QRgb c) {
    return qBlue(c) > 170 && qRed(c) < 80 && qGreen(c) < 80;
}

class OverlayWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        ASSERT_TRUE(QDir().mkpath(folder()));
        qputenv("XDG_CACHE_HOME", dir_.filePath("cache").toUtf8());
        UserDefaults::setStorePath(dir_.filePath("defaults.ini"));
        // A black 4 s clip: every mark shows against it.
        clip_ = testsupport::makeWithFfmpeg(dir_.filePath("black.mp4"),
                                            {"-f", "lavfi", "-i", "color=c=black:s=320x240:r=25:d=4", "-c:v",
                                             "libx264", "-pix_fmt", "yuv420p", "-g", "25"});
        ASSERT_FALSE(clip_.isEmpty());
        window_ = new EditVideoWindowController(EditorToolTypeWatermark);
        window_->resize(1100, 700);
        window_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window_.data()));
        settle();
        ASSERT_TRUE(window_->openFile(clip_));
        pickOutputFolder(w().outlets().exportBar->folderChooser, folder());
        settle(100);
    }
    void TearDown() override {
        closeWindow(window_);
        UserDefaults::setStorePath(QString());
    }

    EditVideoWindowController& w() { return *window_; }
    WaterMarkPanel& panel() { return *w().tool<WaterMarkPanel>(); }
    QString folder() const { return dir_.path() + "/out"; }
    // A one-frame 64 x 48 picture of one colour.
    QString picture(const QString& name, const char* colour) {
        return testsupport::makeWithFfmpeg(
            dir_.filePath(name),
            {"-f", "lavfi", "-i", QString("color=c=%1:s=64x48").arg(colour), "-frames:v", "1"});
    }
    QString writeText(const QString& name, const QByteArray& bytes) {
        QFile f(dir_.filePath(name));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        return f.fileName();
    }

    // Runs the export from the export bar and returns the file it wrote.
    QString exportNow() {
        click(w().outlets().exportBar->startButton);
        EXPECT_TRUE(answerAlerts().isEmpty());
        EXPECT_TRUE(waitForJobs(&w()));
        waitUntil([] { return finishMessage() != nullptr; }, 60000);
        closeFinishMessage();
        const QStringList files = outputs(folder());
        EXPECT_EQ(files.size(), 1) << files.join(", ").toStdString();
        return files.isEmpty() ? QString() : folder() + "/" + files.first();
    }
    // The overlay's rectangle in the 320 x 240 picture, top-left origin.
    QRect pictureRectOfOverlay() {
        const LxWaterView* v = panel().overlay();
        const NSRect r = v->getclipRectFrame();
        const double sx = 320.0 / v->width(), sy = 240.0 / v->height();
        return QRect(QPoint(int(r.x * sx), int((v->height() - r.y - r.height) * sy)),
                     QSize(int(r.width * sx), int(r.height * sy)));
    }
    static void typeSeconds(TimeCodeRow* row, const QString& seconds) {
        click(row->field(TimeCodeRow::Seconds));
        typeField(row->field(TimeCodeRow::Seconds), seconds);
    }
    void drag(QWidget* view, QPoint from, QPoint to) {
        QTest::mousePress(view, Qt::LeftButton, {}, from);
        QMouseEvent move(QEvent::MouseMove, to, view->mapToGlobal(to), Qt::NoButton, Qt::LeftButton, {});
        QCoreApplication::sendEvent(view, &move);
        QTest::mouseRelease(view, Qt::LeftButton, {}, to);
        settle();
    }

    QTemporaryDir dir_;
    QString clip_;
    QPointer<EditVideoWindowController> window_;
};

TEST_F(OverlayWindow, AStartInsideTheVideoShortensTheDurationAndARefusedDurationIsPutBack) {
    ASSERT_TRUE(panel().addPictureFile(picture("red.png", "red")));
    const double d = w().preview()->duration();
    typeSeconds(panel().outlets().startRow, "01");
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_FLOAT_EQ(panel().selectedMark()->startTime, 1.0f);
    EXPECT_NEAR(panel().selectedMark()->duration, d - 1.0, 0.01);
    EXPECT_NEAR(panel().outlets().durationRow->time(), d - 1.0, 0.011);
    typeSeconds(panel().outlets().durationRow, "09");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime4")});
    EXPECT_NEAR(panel().selectedMark()->duration, d - 1.0, 0.01);
    EXPECT_NEAR(panel().outlets().durationRow->time(), d - 1.0, 0.011);
}

TEST_F(OverlayWindow, PictureMarkIsExportedWhereAndWhenTheOverlayShowedIt) {
    const QString red = picture(kAwkward + ".png", "red");
    ASSERT_FALSE(red.isEmpty());
    ASSERT_TRUE(panel().addPictureFile(red));
    ASSERT_EQ(panel().rows().size(), 1u);
    EXPECT_EQ(panel().rows()[0]->toolTip(), red);
    LxWaterView* view = panel().overlay();
    ASSERT_TRUE(view->isVisible());
    // Drag the mark from the bottom-left corner towards the middle of the picture.
    const NSRect before = view->getclipRectFrame();
    const QPoint inside(int(before.x + before.width / 2), int(view->height() - before.y - before.height / 2));
    drag(view, inside, inside + QPoint(120, -90));
    EXPECT_GT(view->getclipRectFrame().x, before.x + 100);
    panel().outlets().alphaField->setValue(50);
    typeSeconds(panel().outlets().durationRow, "01");
    typeSeconds(panel().outlets().startRow, "01");
    ASSERT_TRUE(answerAlerts().isEmpty());
    EXPECT_FLOAT_EQ(panel().selectedMark()->startTime, 1.0f);
    EXPECT_FLOAT_EQ(panel().selectedMark()->duration, 1.0f);
    const QRect where = pictureRectOfOverlay();

    // The preview draws the mark once another tool is shown (the overlay stands in for it
    // while it is edited).
    w().openTool(EditorToolTypeTrim);
    settle(100);
    EXPECT_FALSE(view->isVisible());
    w().preview()->seek(1.5);
    settle(400);
    QImage preview; // once the seek's picture is up
    w().preview()->player()->SnapshotWhenReady(320, 240, [&](QImage shot) { preview = std::move(shot); });
    ASSERT_TRUE(waitUntil([&] { return !preview.isNull(); }, 60000));
    const QRgb pc = preview.pixel(where.center());
    EXPECT_NEAR(qRed(pc), 128, 30);

    const QString out = exportNow();
    const QImage during = testsupport::ffmpegFrameAt(out, 1.5);
    ASSERT_EQ(during.size(), QSize(320, 240));
    const QRgb c = during.pixel(where.center());
    EXPECT_NEAR(qRed(c), 128, 25); // half transparent red over black
    EXPECT_LT(qGreen(c), 30);
    const QRect inner = where.adjusted(3, 3, -3, -3);
    EXPECT_GT(countPixels(during, inner, [](QRgb p) { return qRed(p) > 90; }),
              inner.width() * inner.height() * 9 / 10);
    const QRect outside(where.right() + 4, where.top(), 20, where.height());
    EXPECT_EQ(countPixels(during, outside, [](QRgb p) { return qRed(p) > 60; }), 0);
    for (double t : {0.5, 2.5})
        EXPECT_EQ(countPixels(testsupport::ffmpegFrameAt(out, t), where, [](QRgb p) { return qRed(p) > 60; }),
                  0)
            << t;
}

TEST_F(OverlayWindow, TextMarksInArabicAndChineseAreExportedInTheirColour) {
    const QStringList texts{QString::fromUtf8("مرحبا بالعالم"), QString::fromUtf8("水印测试")};
    std::vector<QRect> places;
    for (int i = 0; i < 2; ++i) {
        click(panel().outlets().textmarkBtn);
        settle(50);
        ASSERT_EQ(panel().list().size(), size_t(i + 1));
        WaterMarkCellItemView* row = panel().rows().back();
        ASSERT_TRUE(row->titleEditable());
        QLineEdit* title = row->titleLabel();
        title->setFocus();
        title->selectAll();
        // Typed as a keyboard with an input method would: one key event per character.
        for (const QChar ch : texts[i]) {
            QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
            QCoreApplication::sendEvent(title, &key);
        }
        settle();
        EXPECT_EQ(panel().selectedMark()->waterText, texts[i]);
        panel().setColour(i == 0 ? QColor(0, 255, 0) : QColor(255, 0, 0));
        LxWaterView* view = panel().overlay();
        const NSRect r = view->getclipRectFrame();
        const QPoint inside(int(r.x + 5), int(view->height() - r.y - r.height / 2));
        drag(view, inside, inside + QPoint(20, -40 - 60 * i));
        places.push_back(pictureRectOfOverlay());
    }
    EXPECT_FALSE(places[0].intersects(places[1]));
    const QString out = exportNow();
    const QImage frame = testsupport::ffmpegFrameAt(out, 2.0);
    ASSERT_EQ(frame.size(), QSize(320, 240));
    EXPECT_GT(countPixels(frame, places[0], greenish), 15);
    EXPECT_EQ(countPixels(frame, places[0], reddish), 0);
    EXPECT_GT(countPixels(frame, places[1], reddish), 15);
    EXPECT_EQ(countPixels(frame, places[1], greenish), 0);
    // Nothing else is drawn on the picture.
    const auto lit = [](QRgb p) { return qGray(p) > 60; };
    EXPECT_EQ(countPixels(frame, QRect(0, 0, 320, 240), lit),
              countPixels(frame, places[0], lit) + countPixels(frame, places[1], lit));
}

TEST_F(OverlayWindow, VideoMarkPlaysThePartOfItsFileChosen) {
    // One second of red, then one of blue.
    const QString mark = testsupport::makeRedThenBlueClip(dir_.filePath(kAwkward + ".mp4"));
    ASSERT_FALSE(mark.isEmpty());
    ASSERT_TRUE(panel().addPictureFile(mark));
    WaterParam* m = panel().selectedMark();
    ASSERT_TRUE(m->isVideo);
    EXPECT_NEAR(m->fileDuration, 2.0, 0.1);
    EXPECT_FALSE(panel().outlets().fileStartRow->isHidden());
    typeSeconds(panel().outlets().fileStartRow, "01");
    EXPECT_FLOAT_EQ(m->fileStartTime, 1.0f);
    // An end past the file's length is refused and not stored.
    typeSeconds(panel().outlets().fileEndRow, "09");
    EXPECT_EQ(answerAlerts().size(), 1);
    EXPECT_NEAR(m->fileEndTime, 2.0, 0.1);
    typeSeconds(panel().outlets().durationRow, "02");
    typeSeconds(panel().outlets().startRow, "01");
    ASSERT_TRUE(answerAlerts().isEmpty());
    const QRect where = pictureRectOfOverlay();
    const QString out = exportNow();
    const QImage early = testsupport::ffmpegFrameAt(out, 0.5), during = testsupport::ffmpegFrameAt(out, 1.5);
    ASSERT_EQ(during.size(), QSize(320, 240));
    const QRect inner = where.adjusted(4, 4, -4, -4);
    EXPECT_GT(countPixels(during, inner, bluish), inner.width() * inner.height() * 9 / 10);
    EXPECT_EQ(countPixels(during, inner, reddish), 0);
    EXPECT_EQ(countPixels(early, where, [](QRgb p) { return qGray(p) > 40; }), 0);
}

TEST_F(OverlayWindow, UnusableFilesGiveAMessageAndChangeNothing) {
    const QString fake = writeText("not a picture.png", "plain text, not a picture");
    EXPECT_FALSE(panel().addPictureFile(fake));
    EXPECT_EQ(answerAlerts(), QStringList{text("waterMarkNotPictureString")});
    EXPECT_TRUE(panel().list().empty());
    EXPECT_TRUE(panel().rows().empty());

    w().openTool(EditorToolTypeSubtitle);
    settle();
    SubtitlePanel& sub = *w().tool<SubtitlePanel>();
    const SubtitleParam& style = w().session().state().subtitle();
    const QString broken = writeText("broken.srt", "1\nno times here\n");
    const QString legacy = writeText("latin1.srt", "1\n00:00:01,000 --> 00:00:02,000\nCaf\xE9 cr\xE8me\n");
    EXPECT_FALSE(sub.loadFile(broken));
    EXPECT_EQ(answerAlerts(), QStringList{text("subtitleNotReadableString")});
    EXPECT_FALSE(sub.loadFile(legacy));
    EXPECT_EQ(answerAlerts(), QStringList{text("subtitleEncodingString")});
    const QString oneLine =
        writeText("line.srt", "1\n00:00:01,000 --> 00:00:02,000\n" + QByteArray(100000, 'x'));
    EXPECT_FALSE(sub.loadFile(oneLine));
    EXPECT_EQ(answerAlerts(), QStringList{text("subtitleLineTooLongString")});
    EXPECT_TRUE(style.subtitlePath.isEmpty());
    EXPECT_EQ(sub.outlets().subtitle_popUpBtn->count(), 2);
}

TEST_F(OverlayWindow, SubtitleLineIsBurntInAtItsTimePositionAndColour) {
    w().openTool(EditorToolTypeSubtitle);
    settle();
    SubtitlePanel& sub = *w().tool<SubtitlePanel>();
    const QString srt = writeText(kAwkward + ".srt", "1\n00:00:01,000 --> 00:00:02,000\nHELLO WORLD\n");
    ASSERT_TRUE(sub.loadFile(srt));
    EXPECT_EQ(sub.outlets().subtitle_popUpBtn->count(), 3);
    EXPECT_EQ(sub.outlets().subtitle_popUpBtn->currentText(), kAwkward + ".srt");
    EXPECT_TRUE(sub.outlets().colourWell->isEnabled());
    sub.setColour(QColor(255, 0, 0));
    sub.outlets().subtitleAlphSlider->setValue(500); // text bottom half-way up the picture
    EXPECT_EQ(w().session().state().subtitle().positon, 120);
    const QString out = exportNow();
    const QImage early = testsupport::ffmpegFrameAt(out, 0.5), during = testsupport::ffmpegFrameAt(out, 1.5);
    ASSERT_EQ(during.size(), QSize(320, 240));
    EXPECT_EQ(countPixels(early, QRect(0, 0, 320, 240), reddish), 0);
    EXPECT_GT(countPixels(during, QRect(0, 70, 320, 52), reddish), 40);
    EXPECT_EQ(countPixels(during, QRect(0, 130, 320, 110), reddish), 0); // not in the default place
    // Choosing "no subtitle" takes it out of the next export.
    sub.outlets().subtitle_popUpBtn->setCurrentIndex(0);
    emit sub.outlets().subtitle_popUpBtn->activated(0);
    EXPECT_TRUE(w().session().state().subtitle().subtitlePath.isEmpty());
}

// A colour that cannot be read (a record stored by an older run, say) draws the same white
// in the preview and in the export.
TEST_F(OverlayWindow, AnUnreadableSubtitleColourIsWhiteInPreviewAndExport) {
    w().openTool(EditorToolTypeSubtitle);
    settle();
    SubtitlePanel& sub = *w().tool<SubtitlePanel>();
    ASSERT_TRUE(sub.loadFile(writeText("plain.srt", "1\n00:00:01,000 --> 00:00:02,000\nHELLO WORLD\n")));
    w().session().state().editSubtitle([](SubtitleParam& style) { style.fontColor = QColor(); });
    sub.outlets().subtitle_popUpBtn->setCurrentIndex(1);
    emit sub.outlets().subtitle_popUpBtn->activated(1); // sends the style to the player again
    w().openTool(EditorToolTypeTrim);
    w().preview()->seek(1.5);
    settle(400);
    QImage preview;
    w().preview()->player()->SnapshotWhenReady(320, 240, [&](QImage shot) { preview = std::move(shot); });
    ASSERT_TRUE(waitUntil([&] { return !preview.isNull(); }, 60000));
    const QImage exported = testsupport::ffmpegFrameAt(exportNow(), 1.5);
    ASSERT_EQ(exported.size(), QSize(320, 240));
    const auto whitish = [](QRgb c) { return qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) > 200; };
    EXPECT_GT(countPixels(preview, preview.rect(), whitish), 40);
    EXPECT_GT(countPixels(exported, exported.rect(), whitish), 40);
}

TEST_F(OverlayWindow, UncheckedDeletedAndResizedMarksExportAsTheListSays) {
    const QString red = picture("red.png", "red");
    const QString blue = picture("blue.png", "blue");
    ASSERT_TRUE(panel().addPictureFile(red));
    ASSERT_TRUE(panel().addPictureFile(blue));
    // A typed size reaches the records at once, without a drag.
    panel().outlets().widthField->setValue(128);
    EXPECT_NEAR(panel().selectedMark()->waterPercentClipRect.width * panel().overlay()->width(), 128, 0.5);
    EXPECT_NEAR(panel().selectedMark()->waterRect.height, 96, 0.5); // the aspect is kept
    EXPECT_EQ(panel().outlets().heightField->value(), 96);
    const QRect bluePlace = pictureRectOfOverlay();
    EXPECT_NEAR(bluePlace.width(), 128.0 * 320 / panel().overlay()->width(), 2);
    // The first (red) mark is unchecked with its box; the second deleted: nothing is drawn.
    click(panel().rows()[0]->checkBtn());
    settle(50);
    EXPECT_FALSE(panel().list()[0]->selected);
    click(panel().outlets().deletedmarkBtn);
    settle(50);
    ASSERT_EQ(panel().list().size(), 1u);
    EXPECT_EQ(panel().selectedIndex(), 0); // the neighbour is selected
    // A path that does not fit the engine's records is refused when chosen.
    QString deep = dir_.path();
    while (deep.toUtf8().size() < 280)
        deep += "/folder_with_a_long_name";
    ASSERT_TRUE(QDir().mkpath(deep));
    ASSERT_TRUE(QFile::copy(red, deep + "/red.png"));
    EXPECT_FALSE(panel().addPictureFile(deep + "/red.png"));
    EXPECT_EQ(answerAlerts(), QStringList{text("waterMarkPathTooLongString")});
    EXPECT_EQ(panel().list().size(), 1u);

    const QImage frame = testsupport::ffmpegFrameAt(exportNow(), 1.0);
    ASSERT_EQ(frame.size(), QSize(320, 240));
    EXPECT_EQ(
        countPixels(frame, QRect(0, 0, 320, 240), [](QRgb p) { return qGray(p) > 40 || qBlue(p) > 60; }), 0);
}

TEST_F(OverlayWindow, RowsPlayingAndResizingKeepTheMarksInPlace) {
    const QString red = picture("red.png", "red");
    ASSERT_TRUE(panel().addPictureFile(red));
    panel().addText();
    settle();
    // Only the selected text row can be edited.
    EXPECT_TRUE(panel().rows()[1]->titleEditable());
    EXPECT_FALSE(panel().rows()[0]->titleEditable());
    click(panel().rows()[0]);
    settle(50);
    EXPECT_EQ(panel().selectedIndex(), 0);
    EXPECT_FALSE(panel().rows()[0]->titleEditable());
    EXPECT_FALSE(panel().rows()[1]->titleEditable());
    EXPECT_FALSE(panel().overlay()->waterMark().isNull());
    // The picture's row, selected after the text's, has its size and keep-aspect back, and
    // they work: a typed width takes the height along while the aspect is kept, not after.
    const WaterMarkPanel::Outlets& o = panel().outlets();
    for (QWidget* control : std::initializer_list<QWidget*>{o.widthField, o.heightField, o.keepAspectBox})
        EXPECT_TRUE(control->isEnabled()) << control->metaObject()->className();
    const auto typeSize = [](QSpinBox* field, int value) {
        field->setFocus();
        QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(field, QString::number(value));
        QTest::keyClick(field, Qt::Key_Return);
        settle(50);
    };
    typeSize(o.widthField, 160);
    EXPECT_NEAR(panel().list()[0]->waterRect.width, 160, 0.5);
    EXPECT_NEAR(panel().list()[0]->waterRect.height, 120, 0.5);
    click(o.keepAspectBox, QPoint(8, o.keepAspectBox->height() / 2)); // on its box
    settle(50);
    EXPECT_FALSE(panel().list()[0]->keepaspectRatio);
    typeSize(o.heightField, 60);
    EXPECT_NEAR(panel().list()[0]->waterRect.width, 160, 0.5);
    EXPECT_NEAR(panel().list()[0]->waterRect.height, 60, 0.5);
    click(panel().rows()[1]);
    settle(50);
    EXPECT_TRUE(panel().overlay()->waterMark().isNull());
    EXPECT_EQ(panel().overlay()->waterMarkString(), text("watermarkstringValue"));

    // While the preview plays the overlay hides and the panel is off; a pause brings both back.
    w().play();
    settle(100);
    EXPECT_FALSE(panel().overlay()->isVisible());
    EXPECT_FALSE(panel().outlets().alphaField->isEnabled());
    EXPECT_FALSE(panel().outlets().textmarkBtn->isEnabled());
    w().pause();
    settle(100);
    EXPECT_TRUE(panel().overlay()->isVisible());
    EXPECT_TRUE(panel().outlets().alphaField->isEnabled());

    // A larger window: the marks stay on the same part of the picture, the text the same size
    // relative to it.
    WaterParam& text = *panel().list()[1];
    const NSRect before = text.waterPercentClipRect;
    const double fontPerWidth = text.waterFontSize / panel().overlay()->width();
    w().resize(1400, 900);
    settle(200);
    EXPECT_NEAR(text.waterPercentClipRect.x, before.x, 1e-6);
    EXPECT_NEAR(text.waterPercentClipRect.y, before.y, 1e-6);
    EXPECT_NEAR(text.waterFontSize / panel().overlay()->width(), fontPerWidth, 1e-4);
    EXPECT_NEAR(text.waterPercentClipRect.width, before.width, 0.02);
}

// The add buttons of both panels go through the open panel: the chosen file arrives.
TEST_F(OverlayWindow, OpenPanelsHandTheirChoiceToThePanels) {
    const QString red = picture("red.png", "red");
    ASSERT_FALSE(red.isEmpty());
    click(panel().outlets().imagemarkBtn);
    QFileDialog* open = panelOfMode(QFileDialog::ExistingFiles);
    ASSERT_NE(open, nullptr);
    open->setDirectory(dir_.path());
    select(open, "red.png");
    static_cast<QDialog*>(open)->accept();
    settle(100);
    ASSERT_EQ(panel().rows().size(), 1u);
    EXPECT_EQ(panel().rows()[0]->toolTip(), red);

    w().openTool(EditorToolTypeSubtitle);
    settle();
    SubtitlePanel& sub = *w().tool<SubtitlePanel>();
    const QString srt = writeText("line.srt", "1\n00:00:01,000 --> 00:00:02,000\nHELLO\n");
    const int more = sub.outlets().subtitle_popUpBtn->count() - 1;
    sub.outlets().subtitle_popUpBtn->setCurrentIndex(more);
    emit sub.outlets().subtitle_popUpBtn->activated(more);
    open = panelOfMode(QFileDialog::ExistingFiles);
    ASSERT_NE(open, nullptr);
    open->setDirectory(dir_.path());
    select(open, "line.srt");
    static_cast<QDialog*>(open)->accept();
    settle(100);
    EXPECT_EQ(w().session().state().subtitle().subtitlePath, srt);
}

// A mark's display set on the stored times of a large stream keeps its pictures once the index
// is read behind, and the window says so.
TEST_F(OverlayWindow, AMarkSetOnTheStoredTimesKeepsItsPicturesOnTheIndexsLine) {
    const QString ts = testsupport::largeTsJumpingAhead(dir_.path());
    MediaStopReading(1); // no index is read until the mark is set
    ASSERT_TRUE(w().openFile(ts));
    settle(100);
    panel().addText();
    ASSERT_TRUE(panel().setDisplayTime(25.0, 2.0));
    MediaStopReading(0);
    MediaClose(MediaOpen(ts.toUtf8().constData()));
    ASSERT_TRUE(waitUntil([&] { return std::abs(w().duration() - 30.0) < 0.05; }, 120000));
    EXPECT_TRUE(answerAlerts().contains(text("indexLineMovedString")));
    EXPECT_NEAR(panel().list().back()->startTime, 13.0, 0.011);
    EXPECT_NEAR(panel().list().back()->duration, 2.0, 0.011);
}

} // namespace
