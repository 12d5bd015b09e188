// The splitter end to end, through its real controls, on real files: parts by time, into
// equal parts, at points set by hand and by size, their names, refused values and files,
// cancel in the middle of a run, and closing during a run.
#include "SplitDriver.h"

#include "../shared/MpegShapes.h"
#include "FrameCounter.h"
#include "mediacore/MediaCore.h"

#include "foundation/helpers/HelpClass.h"
#include "foundation/records/SimpleData.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonObject>

using namespace splittest;

namespace {

void expectPoints(const std::vector<float>& got, const std::vector<float>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_NEAR(got[i], want[i], 1e-4) << i;
}

// Splits source by size with the cap typed as megabytes and checks what every split by size
// gives: each part under the cap in the megabytes the window shows (1,000,000 bytes), a
// picture in each, and every picture of the source once. Returns the parts' paths in order.
QStringList splitBySize(Driver& d, const QString& source, const QString& megabytes) {
    d.addFile(source);
    click(d.window->split_sizeBtn);
    EXPECT_EQ(d.window->mode(), SplitWindowController::Mode::Size);
    d.customValue(d.window->split_sizepopBtn, megabytes);
    click(d.window->splitBtn);
    d.exportAll();
    QStringList parts;
    int frames = 0;
    for (const QString& p : outputs(d.out.path())) {
        parts << d.out.path() + "/" + p;
        EXPECT_LE(QFileInfo(parts.back()).size(), qint64(megabytes.toDouble() * 1e6)) << p.toStdString();
        const int f = testsupport::probeFrameCount(parts.back());
        EXPECT_GT(f, 0) << p.toStdString();
        frames += f;
    }
    EXPECT_LE(parts.size(), 20); // parts are not made for ever
    EXPECT_EQ(frames, testsupport::probeFrameCount(source));
    return parts;
}

// Each picture of `part` shows source picture own[k] at its display aspect (`source`: the source's
// shapes): in a frame of another aspect between black bars, found by the counter's left band (lit
// from picture 64 on).
void expectSourceAspects(const QString& part, const std::vector<QString>& source,
                         const std::vector<int>& own) {
    const auto aspect = [](const QString& s) { // "width,height,w:h,..."
        return s.section(',', 0, 0).toDouble() * s.section(',', 2, 2).section(':', 0, 0).toDouble() /
               s.section(',', 2, 2).section(':', 1, 1).toDouble() / s.section(',', 1, 1).toDouble();
    };
    const std::vector<QString> shapes = testsupport::pictureShapes(part);
    QByteArray raw; // each picture in grey at its own size
    testsupport::run(FFMPEG_EXECUTABLE,
                     {"-i", part, "-fps_mode", "passthrough", "-pix_fmt", "gray", "-f", "rawvideo", "-"},
                     &raw);
    ASSERT_EQ(shapes.size(), own.size());
    qsizetype at = 0;
    for (size_t k = 0; k < own.size(); ++k) {
        const int w = shapes[k].section(',', 0, 0).toInt(), h = shapes[k].section(',', 1, 1).toInt();
        const double want = aspect(source.at(size_t(own[k])));
        double got = aspect(shapes[k]);
        const bool bars = std::abs(got / want - 1) > 0.02 && own[k] >= 64 && at + w * h <= raw.size();
        int x = 0, y = 0;
        while (bars && x < w / 2 && uchar(raw[at + h / 2 * w + x]) < 30)
            ++x;
        while (bars && y < h / 2 && uchar(raw[at + y * w + x + 2]) < 30)
            ++y;
        got *= double(w - 2 * x) / w * h / (h - 2 * y);
        EXPECT_NEAR(got / want, 1.0, 0.03) << part.toStdString() << " picture " << own[k];
        at += qsizetype(w) * h;
    }
}

} // namespace

TEST(SplitWindow, ByTimeWithACustomValueWritesNumberedPartsAndSkipsATakenNumber) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    ASSERT_NE(d.window->fileData(), nullptr);
    ASSERT_EQ(d.window->mode(), SplitWindowController::Mode::Time);
    EXPECT_TRUE(d.window->split_timepopBtn->isEnabled());
    EXPECT_FALSE(d.window->split_sizepopBtn->isEnabled());

    // A custom 3 s goes in before the custom item and is chosen; the same answer again
    // chooses that item instead of adding a second.
    QComboBox* times = d.window->split_timepopBtn;
    const int before = times->count();
    d.customValue(times, "3");
    EXPECT_EQ(times->count(), before + 1);
    EXPECT_EQ(times->currentText(), "3" + text("SecsValue"));
    EXPECT_EQ(times->itemText(times->count() - 1), text("CustomStringValue"));
    d.customValue(times, "3");
    EXPECT_EQ(times->count(), before + 1);
    EXPECT_EQ(times->currentText(), "3" + text("SecsValue"));

    click(d.window->splitBtn);
    expectPoints(d.points(), {0.3f, 0.6f, 0.9f, 1.0f});

    // A file of the user's already holds the second number: it is skipped and left alone.
    QFile mine(d.part(2));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly));
    mine.write("the user's own file");
    mine.close();

    d.exportAll();
    EXPECT_EQ(outputs(d.out.path()),
              (QStringList{"long_10s-split1.mp4", "long_10s-split2.mp4", "long_10s-split3.mp4",
                           "long_10s-split4.mp4", "long_10s-split5.mp4"}));
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), QByteArray("the user's own file"));
    const double want[] = {3, 0, 3, 3, 1};
    for (int n : {1, 3, 4, 5})
        EXPECT_NEAR(testsupport::probeDuration(d.part(n)), want[n - 1], 0.15) << n;
    // Parts follow each other: the third part (6 s to 9 s) opens on the source's picture at 6 s.
    const QImage first = testsupport::ffmpegFrameAt(d.part(4), 0);
    EXPECT_LT(testsupport::meanAbsDiff(first, testsupport::ffmpegFrameAt(d.window->fileData()->path, 6.0)),
              testsupport::meanAbsDiff(first, testsupport::ffmpegFrameAt(d.window->fileData()->path, 0.0)));
    EXPECT_TRUE(d.window->startExportBtn->isEnabled());
    EXPECT_TRUE(d.window->addfileBtn->isEnabled());
}

TEST(SplitWindow, ByTimeASoundTailShorterThanAFrameMakesNoPartWithoutPictures) {
    // Its sound runs 4 ms past its last picture: 2 s steps give two parts, not a third
    // one of 4 ms with no picture in it.
    Driver d;
    const QString source = testsupport::media("ntsc_29_97.mp4");
    ASSERT_GT(testsupport::probeDuration(source), 4.0);
    d.addFile(source);
    d.customValue(d.window->split_timepopBtn, "2");
    click(d.window->splitBtn);
    expectPoints(d.points(), {float(2.0 / testsupport::probeDuration(source)), 1.0f});

    d.exportAll();
    const QStringList parts = outputs(d.out.path());
    ASSERT_EQ(parts.size(), 2);
    int frames = 0;
    for (const QString& p : parts) {
        const int f = testsupport::probeFrameCount(d.out.path() + "/" + p);
        EXPECT_GT(f, 0) << p.toStdString();
        frames += f;
    }
    EXPECT_EQ(frames, testsupport::probeFrameCount(source));
}

TEST(SplitWindow, ByTimeSoundRunningOnPastTheLastPictureEndsTheSplitThere) {
    // 40 ms of sound after the last picture, longer than a frame at 50 fps: 3 s steps plan a
    // fifth part from 12 s that holds no picture. The run ends after the fourth, quietly.
    QTemporaryDir dir;
    const QString source = testsupport::makeWithFfmpeg(
        dir.filePath("sound_on.mkv"),
        QString("-f lavfi -i testsrc2=size=160x120:rate=50:duration=12 -f lavfi -i "
                "sine=frequency=440:sample_rate=48000:duration=12.04 -c:v libx264 -x264-params threads=1 "
                "-g 50 -pix_fmt yuv420p -c:a aac")
            .split(' '));
    ASSERT_FALSE(source.isEmpty());
    Driver d;
    d.addFile(source);
    d.customValue(d.window->split_timepopBtn, "3");
    click(d.window->splitBtn);
    ASSERT_EQ(d.points().size(), 5u);
    d.exportAll();
    EXPECT_TRUE(answerAlerts().isEmpty());
    const QStringList parts = outputs(d.out.path());
    ASSERT_EQ(parts.size(), 4);
    int frames = 0;
    for (const QString& p : parts)
        frames += testsupport::probeFrameCount(d.out.path() + "/" + p);
    EXPECT_EQ(frames, 600);
}

TEST(SplitWindow, EveryPartKeepsTheSourcesDisplayRotation) {
    // Parts that start between keyframes are written by the encoder, the others copied:
    // both kinds turn the picture the same way as the source.
    const auto rotation = [](const QString& path) {
        for (const QJsonValue& v : testsupport::probeStream(path, "video").value("side_data_list").toArray())
            if (v.toObject().contains("rotation"))
                return v.toObject().value("rotation").toInt();
        return 0;
    };
    Driver d;
    const QString source = testsupport::media("rotated_90.mp4");
    ASSERT_NE(rotation(source), 0);
    d.addFile(source);
    click(d.window->split_averageBtn);
    d.window->averageTextField->selectAll();
    QTest::keyClicks(d.window->averageTextField, "3");
    click(d.window->splitBtn);
    d.exportAll();
    const QStringList parts = outputs(d.out.path());
    ASSERT_EQ(parts.size(), 3);
    for (const QString& p : parts)
        EXPECT_EQ(rotation(d.out.path() + "/" + p), rotation(source)) << p.toStdString();
}

TEST(SplitWindow, EqualPartsFromTheCountFieldAndItsStepper) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    click(d.window->split_averageBtn);
    ASSERT_EQ(d.window->mode(), SplitWindowController::Mode::Average);
    EXPECT_TRUE(d.window->averageTextField->isEnabled());
    EXPECT_FALSE(d.window->split_timepopBtn->isEnabled());

    // One number, one place that shows it: the stepper beside the field shows arrows only.
    int showingCount = 0;
    for (const QLineEdit* edit : d.window->findChildren<QLineEdit*>())
        if (edit->isVisibleTo(d.window) && edit->text() == d.window->averageTextField->text() &&
            edit->mapTo(d.window, QPoint()).y() >= d.window->averageTextField->y() - 5 &&
            edit->mapTo(d.window, QPoint()).y() <= d.window->averageTextField->y() + 5)
            ++showingCount;
    EXPECT_EQ(showingCount, 1);
    // Its up arrow (the top of its right end) raises the number in the field.
    const int before = d.window->averageTextField->text().toInt();
    QTest::mouseClick(d.window->averagestepper, Qt::LeftButton, {},
                      QPoint(d.window->averagestepper->width() - 6, 5));
    EXPECT_EQ(d.window->averageTextField->text().toInt(), before + 1);
    EXPECT_EQ(d.window->averageTextField->text(), QString::number(d.window->averagestepper->value()));
    d.window->averageTextField->selectAll();
    QTest::keyClicks(d.window->averageTextField, "4");
    EXPECT_EQ(d.window->averagestepper->value(), 4);
    click(d.window->splitBtn);
    expectPoints(d.points(), {0.25f, 0.5f, 0.75f, 1.0f});
    // Changing the count clears the points until Split is pressed again.
    d.window->averageTextField->selectAll();
    QTest::keyClicks(d.window->averageTextField, "3");
    EXPECT_EQ(d.points().size(), 1u);
    click(d.window->splitBtn);
    ASSERT_EQ(d.points().size(), 3u);

    d.exportAll();
    ASSERT_EQ(outputs(d.out.path()).size(), 3);
    for (int n = 1; n <= 3; ++n)
        EXPECT_NEAR(testsupport::probeDuration(d.part(n)), 10.0 / 3, 0.15) << n;

    // Switching mode clears the points.
    click(d.window->split_timeBtn);
    EXPECT_EQ(d.points().size(), 1u);
}

TEST(SplitWindow, ManualPointsAtTheBeginMarkerWithPreviousNextAndDelete) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    click(d.window->split_manuallyBtn);
    ASSERT_EQ(d.window->mode(), SplitWindowController::Mode::Manual);
    SplitProgressView* bar = d.window->playerSlider;
    ASSERT_TRUE(bar->beginBtn()->isVisible());
    EXPECT_TRUE(d.window->splitItemBtn->isVisible());
    EXPECT_FALSE(d.window->splitBtn->isVisible());

    // Previous and Next without points do nothing.
    click(d.window->leftMoveBtn);
    click(d.window->rightMoveBtn);
    EXPECT_EQ(d.points().size(), 1u);

    const double travel = bar->width() - SplitProgressView::kMarkerSize;
    dragTo(bar->beginBtn(), travel * 0.7);
    click(d.window->splitItemBtn);
    dragTo(bar->beginBtn(), travel * 0.2);
    click(d.window->splitItemBtn);
    dragTo(bar->beginBtn(), travel * 0.45);
    click(d.window->splitItemBtn);
    // A point on top of another is refused.
    click(d.window->splitItemBtn);
    std::vector<float> p = d.points();
    ASSERT_EQ(p.size(), 4u);
    EXPECT_NEAR(p[0], 0.2, 0.01);
    EXPECT_NEAR(p[1], 0.45, 0.01);
    EXPECT_NEAR(p[2], 0.7, 0.01);
    EXPECT_EQ(d.window->splitTimeLabel->text(),
              HelpClass::returnTimeToStr(bar->beginProgress() * d.window->duration()));

    // The new point is selected; Next moves to the last, Delete removes it.
    EXPECT_EQ(bar->selectedSplitIndex(), 1);
    click(d.window->rightMoveBtn);
    EXPECT_EQ(bar->selectedSplitIndex(), 2);
    EXPECT_NEAR(bar->beginProgress(), p[2], 0.01);
    click(d.window->rightMoveBtn);
    EXPECT_EQ(bar->selectedSplitIndex(), 2) << "past the last point the selection stays";
    click(d.window->deletedItemBtn);
    p = d.points();
    ASSERT_EQ(p.size(), 3u);
    click(d.window->leftMoveBtn);
    EXPECT_EQ(bar->selectedSplitIndex(), 0);
    EXPECT_NEAR(bar->beginProgress(), p[0], 0.01);

    // Choosing manual mode again keeps the points.
    click(d.window->split_manuallyBtn);
    EXPECT_EQ(d.points().size(), 3u);

    d.exportAll();
    ASSERT_EQ(outputs(d.out.path()).size(), 3);
    EXPECT_NEAR(testsupport::probeDuration(d.part(1)), 10.0 * p[0], 0.15);
    EXPECT_NEAR(testsupport::probeDuration(d.part(2)), 10.0 * (p[1] - p[0]), 0.15);
    EXPECT_NEAR(testsupport::probeDuration(d.part(3)), 10.0 * (1 - p[1]), 0.15);
}

TEST(SplitWindow, BySizeEachPartStaysUnderTheCapAndThePartsCoverTheWholeFile) {
    Driver d;
    const QString source = testsupport::media("long_10s.mp4");
    const QStringList parts =
        splitBySize(d, source, QString::number(QFileInfo(source).size() / 1e6 / 3.5, 'f', 3));
    ASSERT_GE(parts.size(), 4);
    // Where the cap ends a part early, the next part takes over from there: no stretch of
    // the source is lost and none is written twice.
    double length = 0;
    for (const QString& p : parts)
        length += testsupport::probeDuration(p);
    EXPECT_NEAR(length, 10.0, 0.2);
    // The second part opens on the source's picture where the first one ended.
    const double end1 = testsupport::probeFrameCount(d.part(1)) / 25.0;
    const QImage first = testsupport::ffmpegFrameAt(d.part(2), 0);
    EXPECT_LT(testsupport::meanAbsDiff(first, testsupport::ffmpegFrameAt(source, end1)), 3.0);
}

TEST(SplitWindow, BySizeEndsAtTheLastPictureOfASourceWhoseSoundRunsOn) {
    // Its sound runs 0.4 s past its last picture: the split ends with the picture and
    // writes no part without one.
    Driver d;
    const QString source = testsupport::fieldClip("sound_past_picture.mp4");
    EXPECT_GE(splitBySize(d, source, QString::number(QFileInfo(source).size() / 1e6 / 3.2, 'f', 3)).size(),
              3);
}

TEST(SplitWindow, BySizeTheCapIsInTheMegabytesTheWindowShows) {
    // A cap 2 % below the file in the window's megabytes (1,000,000 bytes) is above it in
    // binary ones: the file must still be split.
    Driver d;
    const QString source = testsupport::media("long_10s.mp4");
    EXPECT_GE(splitBySize(d, source, QString::number(QFileInfo(source).size() / 1e6 / 1.02, 'f', 3)).size(),
              2);
}

TEST(SplitWindow, BySizeACopiedPartHoldsEveryPictureUpToItsEnd) {
    // Its pictures are stored out of display order (B-frames) and its only keyframe is the
    // first: a part cut short by the cap must not end between a picture and the ones shown
    // before it. Each next part starts on the source's next picture (29.97 fps: no whole
    // number of microseconds per frame).
    Driver d;
    ASSERT_GE(splitBySize(d, testsupport::media("ntsc_29_97.mp4"), "0.06").size(), 2);
    const QString first = d.out.path() + "/ntsc_29_97-split1.mp4";
    const double frame = 1001.0 / 30000;
    EXPECT_NEAR(testsupport::probeFrameCount(first) * frame, testsupport::probeDuration(first), frame / 2);
}

// A size a picture of the camera's recording does not fit is refused in words before any part.
TEST(SplitWindow, BySizeASizeAPictureDoesNotFitIsRefusedBeforeAnyPart) {
    QTemporaryDir dir;
    Driver d;
    d.addFile(testsupport::makeWithFfmpeg(
        dir.filePath("camcorder.mts"),
        {"-i", CUTBENCH_SOURCE_DIR "/../shared/media/camcorder_1080i50_fields.mts", "-map", "0:v", "-map",
         "0:a", "-c:v", "copy", "-c:a", "aac"}));
    click(d.window->split_sizeBtn);
    d.customValue(d.window->split_sizepopBtn, "0.245");
    click(d.window->splitBtn);
    d.pressStart();
    ASSERT_TRUE(waitUntil([&] { return tooltest::openAlert() != nullptr; }, 120000));
    EXPECT_EQ(answerAlerts(), QStringList{text("engineErrorPartTooSmallString")});
    EXPECT_EQ(outputs(d.out.path()), QStringList{});
}

TEST(SplitWindow, BySizeADtsSourceHasSoundInEveryPart) {
    // DTS cannot be encoded here: a part that starts mid-file copies its sound's packets.
    Driver d;
    QTemporaryDir dir;
    const QString source = testsupport::makeWithFfmpeg(
        dir.filePath("dts.mkv"),
        QString("-f lavfi -i testsrc2=s=320x240:r=30:d=12 -f lavfi -i sine=d=12 -c:v libx264 -x264-params "
                "threads=1 -c:a dca -strict -2 -b:a 768k -ac 2")
            .split(' '));
    ASSERT_FALSE(source.isEmpty());
    const QStringList parts =
        splitBySize(d, source, QString::number(QFileInfo(source).size() / 1e6 / 3, 'f', 3));
    ASSERT_GE(parts.size(), 2);
    for (const QString& p : parts)
        EXPECT_EQ(testsupport::probeStream(p, "audio")["codec_name"].toString(), "dts") << p.toStdString();
}

TEST(SplitWindow, BadValuesAreRefusedWithAMessage) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    QComboBox* times = d.window->split_timepopBtn;
    d.pick(times, 2);
    const int count = times->count();
    for (const QString& bad : QStringList{"0", "-5", "abc", ""}) {
        d.customValue(times, bad);
        EXPECT_EQ(answerAlerts(), QStringList{text("splitValueInvalidString")}) << bad.toStdString();
        EXPECT_EQ(times->count(), count);
        EXPECT_EQ(times->currentIndex(), 2) << "the earlier choice stays";
    }
    // A cancelled prompt also returns to the earlier choice.
    d.pick(times, times->count() - 1);
    ASSERT_TRUE(waitUntil([&] { return d.window->customPrompt() != nullptr; }, 60000));
    qobject_cast<QDialog*>(d.window->customPrompt())->reject();
    settle();
    EXPECT_EQ(times->currentIndex(), 2);

    // A step so small that the points would not fit the bar: no points, a message.
    d.customValue(times, "0.001");
    click(d.window->splitBtn);
    const QStringList texts = answerAlerts();
    ASSERT_EQ(texts.size(), 1);
    EXPECT_EQ(
        texts[0],
        text("splitTooManyPointsString").replace("%ld", QString::number(d.window->playerSlider->capacity())));
    EXPECT_EQ(d.points().size(), 1u);
    // Values far from the presets keep their size: a step longer than the file is one part,
    // and a tiny one is refused as above, not read as 1 s.
    d.customValue(times, "1000000");
    EXPECT_EQ(times->currentText(), "1000000" + text("SecsValue"));
    click(d.window->splitBtn);
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_EQ(d.points().size(), 1u);
    d.customValue(times, "0.00001");
    click(d.window->splitBtn);
    EXPECT_EQ(answerAlerts().size(), 1);
    EXPECT_EQ(d.points().size(), 1u);

    // A part count of 0 or a huge one.
    click(d.window->split_averageBtn);
    d.window->averageTextField->setText("0");
    click(d.window->splitBtn);
    EXPECT_EQ(answerAlerts(), QStringList{text("splitValueInvalidString")});
    d.window->averageTextField->setText("100000000");
    click(d.window->splitBtn);
    EXPECT_EQ(answerAlerts().size(), 1);
    EXPECT_EQ(d.points().size(), 1u);
}

TEST(SplitWindow, CancelDuringTheSecondPartKeepsOnlyTheFirst) {
    Driver d;
    d.addFile(testsupport::longClip());
    ASSERT_NE(d.window->fileData(), nullptr);
    click(d.window->split_averageBtn);
    d.window->averageTextField->setText("3");
    click(d.window->splitBtn);
    ASSERT_EQ(d.points().size(), 3u);

    d.pressStart();
    EXPECT_FALSE(d.window->addfileBtn->isEnabled());
    EXPECT_FALSE(d.window->splitBtn->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return d.window->jobChain().currentIndex() == 1; }));
    d.pressStart(); // reads as cancel
    EXPECT_TRUE(!d.window->startExportBtn->isEnabled() || !d.window->jobChain().isBusy());
    ASSERT_TRUE(waitUntil([&] { return !d.window->jobChain().isBusy(); }));
    settle(200);
    EXPECT_EQ(d.finishMessage(), nullptr);
    // Not an error: one message that says which finished part stays, and where.
    EXPECT_EQ(answerAlerts(), QStringList{text("splitPartsKeptString")
                                              .replace("%ld", "1")
                                              .replace("%@", QDir::toNativeSeparators(d.out.path()))});
    EXPECT_EQ(outputs(d.out.path()), QStringList{"long_60s-split1.mp4"});
    EXPECT_NEAR(testsupport::probeDuration(d.out.path() + "/long_60s-split1.mp4"), 20.0, 0.15);
    EXPECT_TRUE(d.window->startExportBtn->isEnabled());
    EXPECT_TRUE(d.window->addfileBtn->isEnabled());
    EXPECT_FALSE(d.window->isStartExport());
}

TEST(SplitWindow, ClosingDuringARunAsksFirstAndKeepsTheFinishedParts) {
    // A minute of 720p with one key picture: its later parts are encoded anew and take long
    // enough, even on a fast machine, to answer the questions while they run.
    QTemporaryDir dir;
    const QString slow = testsupport::makeWithFfmpeg(
        dir.filePath("slow.mp4"),
        QString("-f lavfi -i testsrc2=size=1280x720:rate=25:duration=60 -c:v libx264 "
                "-preset ultrafast -g 1500 -pix_fmt yuv420p")
            .split(' '));
    ASSERT_FALSE(slow.isEmpty());
    Driver d;
    d.addFile(slow);
    click(d.window->split_averageBtn);
    d.window->averageTextField->setText("3");
    click(d.window->splitBtn);
    d.pressStart();
    ASSERT_TRUE(waitUntil([&] { return d.window->jobChain().currentIndex() == 1; }));
    // Not now: the window stays and the run goes on.
    EXPECT_EQ(tooltest::closeAnswering(d.window, false), text("closeExportRunningString"));
    ASSERT_FALSE(d.window.isNull());
    EXPECT_FALSE(d.window->isClosing());
    EXPECT_TRUE(d.window->isVisible());
    // Quitting asks its own question once; going on closes the window without a second one.
    QPointer<SplitWindowController> window = d.window;
    ToolWindow::askBeforeQuit([window] {
        if (window)
            window->close();
    });
    QMessageBox* quit = tooltest::openAlert();
    ASSERT_NE(quit, nullptr);
    EXPECT_EQ(quit->informativeText(), text("quitExportRunningString"));
    quit->defaultButton()->click();
    ASSERT_TRUE(waitUntil([&] { return d.window.isNull(); }));
    EXPECT_EQ(tooltest::openAlert(), nullptr);
    // The parts finished before stay whole.
    const QStringList parts = QDir(d.out.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
    ASSERT_FALSE(parts.isEmpty());
    EXPECT_EQ(parts.first(), "slow-split1.mp4");
    for (const QString& part : parts)
        EXPECT_NEAR(testsupport::probeDuration(d.out.path() + "/" + part), 20.0, 0.15) << part.toStdString();
}

TEST(SplitWindow, RefusedFilesLeaveNoFileOrTheEarlierOne) {
    Driver d;
    // Start without a file asks for one.
    d.pressStart();
    EXPECT_EQ(answerAlerts(), QStringList{text("scrlabelplaceholderString")});
    EXPECT_FALSE(d.window->jobChain().isBusy());

    d.addFile(testsupport::media("ac3_audio.mkv"));
    EXPECT_EQ(d.window->fileData(), nullptr);
    EXPECT_EQ(answerAlerts(), QStringList{text("AAC3_Error_Message")});
    EXPECT_FALSE(d.window->splitBtn->isEnabled());
    d.addFile(testsupport::media("zero_bytes.mp4"));
    EXPECT_EQ(d.window->fileData(), nullptr);
    EXPECT_EQ(answerAlerts().size(), 1);

    d.addFile(testsupport::media("h264_aac.mp4"));
    ASSERT_NE(d.window->fileData(), nullptr);
    EXPECT_TRUE(d.window->splitBtn->isEnabled());
    d.addFile(testsupport::media("ac3_audio.mkv"));
    answerAlerts();
    ASSERT_NE(d.window->fileData(), nullptr);
    EXPECT_TRUE(d.window->fileData()->path.endsWith("h264_aac.mp4"));
    EXPECT_NE(d.window->player(), nullptr);
}

// MPEG sources whose times do not run on one line by themselves, split by size and by time: every
// picture of the source is in one part, once, in order; each part decodes without a word from
// ffmpeg and keeps the sound with its channels.
namespace {

// The shapes alternate between two tests (`half` 0 or 1), each within a test's time.
void mpegSourcesAreSplitOnTheLineOfTheirPictures(size_t half) {
    QTemporaryDir dir;
    const std::vector<tooltest::MpegShape> shapes = tooltest::mpegShapes(dir.path());
    for (size_t i = half; i < shapes.size(); i += 2) {
        const tooltest::MpegShape& shape = shapes[i];
        ASSERT_FALSE(shape.path.isEmpty()) << shape.name.toStdString();
        const int channels = testsupport::probeStream(shape.path, "audio").value("channels").toInt();
        Driver d;
        d.addFile(shape.path);
        ASSERT_NE(d.window->fileData(), nullptr);
        EXPECT_NEAR(d.window->duration(), shape.pictures / 25.0, 0.03) << shape.name.toStdString();
        // The last part keeps what sound the source has past its last picture.
        const double tail =
            std::max(0.0, testsupport::decodedSoundSeconds(shape.path, 0) - shape.pictures / 25.0);
        // The camera's parts are encoded anew (its pictures come in fields): by size alone.
        for (const bool bySize : {true, false}) {
            if (!bySize && !shape.counted)
                continue;
            SCOPED_TRACE((shape.name + (bySize ? " by size" : " by time")).toStdString());
            if (bySize) {
                click(d.window->split_sizeBtn);
                d.customValue(d.window->split_sizepopBtn,
                              QString::number(QFileInfo(shape.path).size() / 3.5e6));
            } else {
                click(d.window->split_timeBtn);
                d.customValue(d.window->split_timepopBtn, "3");
            }
            click(d.window->splitBtn);
            d.exportAll(300000);
            std::vector<int> shown;
            int parts = 0;
            const auto partPath = [&](int n) {
                return QString("%1/%2-split%3.%4")
                    .arg(d.out.path(), QFileInfo(shape.path).completeBaseName())
                    .arg(n)
                    .arg(QFileInfo(shape.path).suffix());
            };
            for (QString part; QFile::exists(part = partPath(parts + 1)); ++parts) {
                EXPECT_EQ(testsupport::decodeErrors(part), "") << part.toStdString();
                EXPECT_EQ(testsupport::probeStream(part, "audio").value("channels").toInt(), channels);
                const std::vector<int> own = tooltest::shownPictures(shape, part);
                if (shape.name == "programmes")
                    expectSourceAspects(part, testsupport::pictureShapes(shape.path), own);
                const double seconds = double(own.size()) / 25;
                const double most = seconds + 0.05 + (QFile::exists(partPath(parts + 2)) ? 0 : tail);
                for (const double length :
                     {testsupport::probeDuration(part), testsupport::decodedSoundSeconds(part, 0)}) {
                    EXPECT_GE(length, seconds - 0.05) << part.toStdString();
                    EXPECT_LE(length, most) << part.toStdString();
                }
                shown.insert(shown.end(), own.begin(), own.end());
                QFile::remove(part);
            }
            EXPECT_GE(parts, 3);
            EXPECT_EQ(shown, tooltest::numbers(0, shape.pictures));
        }
    }
}

} // namespace

TEST(SplitWindow, MpegSourcesAreSplitOnTheLineOfTheirPictures) {
    mpegSourcesAreSplitOnTheLineOfTheirPictures(0);
}
TEST(SplitWindow, MpegSourcesAreSplitOnTheLineOfTheirPicturesOfTheOtherShapes) {
    mpegSourcesAreSplitOnTheLineOfTheirPictures(1);
}

// A 3 s pause split every 3 s: parts of 3, 3, 3 and 2 s, picture 99 held to the end of the one
// that ends in the pause and from the start of the one that starts in it.
TEST(SplitWindow, APauseSplitByTimeLiesInThePartsThatHoldIt) {
    QTemporaryDir dir;
    Driver d;
    d.addFile(tooltest::silentPause(dir.path()));
    d.customValue(d.window->split_timepopBtn, "3");
    click(d.window->splitBtn);
    d.exportAll(300000);
    const QStringList parts = outputs(d.out.path());
    ASSERT_EQ(parts.size(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_NEAR(testsupport::probeDuration(d.out.filePath(parts[i])), i < 3 ? 3 : 2, 0.03) << i;
    EXPECT_EQ(testsupport::decodedCounters(d.out.filePath(parts[1])).back(), 99);
    EXPECT_EQ(testsupport::decodedCounters(d.out.filePath(parts[2])), tooltest::numbers(99, 150));
}

// A point placed on the stored times of a large stream keeps its picture once the index is read
// behind: the window says so, and the parts split there hold every picture once.
TEST(SplitWindow, APointSetOnTheStoredTimesKeepsItsPictureOnTheIndexsLine) {
    QTemporaryDir dir;
    const QString ts = testsupport::largeTsJumpingAhead(dir.path());
    Driver d;
    MediaStopReading(1); // no index is read until the point is set
    d.addFile(ts);
    d.customValue(d.window->split_timepopBtn, "25");
    click(d.window->splitBtn);
    MediaStopReading(0);
    MediaClose(MediaOpen(ts.toUtf8().constData()));
    ASSERT_TRUE(waitUntil([&] { return std::abs(d.window->duration() - 30.0) < 0.05; }, 120000));
    EXPECT_TRUE(answerAlerts().contains(text("indexLineMovedString")));
    EXPECT_NEAR(d.points()[0] * 30.0, 13.0, 0.011);
    d.exportAll(300000);
    const QStringList parts = outputs(d.out.path());
    ASSERT_EQ(parts.size(), 2);
    EXPECT_EQ(testsupport::decodedCounters(d.out.filePath(parts[0])), tooltest::numbers(0, 325));
    EXPECT_EQ(testsupport::decodedCounters(d.out.filePath(parts[1])).front(), 325);
    EXPECT_EQ(testsupport::probeFrameCount(d.out.filePath(parts[1])), 425);
}

// Started before the index is read, a split cuts every part on the points the window showed.
TEST(SplitWindow, ASplitStartedOnTheStoredTimesLeavesNoPictureOut) {
    QTemporaryDir dir;
    const QString ts = testsupport::largeTsJumpingAhead(dir.path());
    Driver d;
    MediaStopReading(1); // the first part's job reads the index
    d.addFile(ts);
    d.customValue(d.window->split_timepopBtn, "10");
    click(d.window->splitBtn);
    MediaStopReading(0);
    d.exportAll(300000);
    std::vector<int> shown;
    for (const QString& part : outputs(d.out.path())) {
        const std::vector<int> own = testsupport::decodedCounters(d.out.filePath(part));
        shown.insert(shown.end(), own.begin(), own.end());
    }
    std::vector<int> all = tooltest::numbers(0, 750);
    for (int& n : all)
        n %= 512; // the counter's numbers go round
    EXPECT_EQ(shown, all);
}
