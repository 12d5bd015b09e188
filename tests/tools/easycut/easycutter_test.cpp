// The easy cutter end to end, through its real controls, on real files: segments written
// separately and merged, free names, cancel in the middle of a chain, refused files and
// refused typed times (closing during an export is the tool-window kit's).
#include "../shared/MpegShapes.h"
#include "EasyCutDriver.h"
#include "FrameCounter.h"

#include "foundation/records/CutItem.h"
#include "foundation/records/SimpleData.h"
#include "mediacore/MediaCore.h"
#include "mediaplayer/LxMoviePlayer.h"
#include "platform/Geometry.h"
#include "platform/TerminationSignals.h"
#include "tools/shared/TimeStepper.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <QTimer>
#include <csignal>
#include <map>

using namespace easycuttest;

namespace {

QStringList outputs(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

// Closes the finish message with its OK button (the open-folder box left off).
void answerFinishMessage(QWidget* shown) {
    // The message deletes itself once answered: watch it through a guarded pointer.
    const QPointer<QWidget> message(shown);
    for (QPushButton* b : message->findChildren<QPushButton*>())
        if (!b->isCheckable() && b->isVisible()) {
            click(b);
            break;
        }
    waitUntil([&] { return !message || !message->isVisible(); }, 60000);
}

} // namespace

TEST(EasyCutter, TwoSegmentsExportSeparatelyWithTheirNamesAndFreeNamesOnTheSecondRun) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    ASSERT_NE(d.window->fileData(), nullptr);
    d.addSegment(1.0, 3.0);
    d.addSegment(5.0, 8.5);
    ASSERT_EQ(d.window->cutItems().size(), 2u);

    d.pressStart();
    ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }));
    EXPECT_EQ(outputs(d.out.path()), (QStringList{"000001.00-000003.00.mp4", "000005.00-000008.50.mp4"}));
    EXPECT_NEAR(testsupport::probeDuration(d.out.path() + "/000001.00-000003.00.mp4"), 2.0, 0.15);
    EXPECT_NEAR(testsupport::probeDuration(d.out.path() + "/000005.00-000008.50.mp4"), 3.5, 0.15);
    answerFinishMessage(d.finishMessage());
    EXPECT_FALSE(d.window->isStartExport());
    EXPECT_TRUE(d.window->startExportBtn->isEnabled());

    // The same segments again: the files are there, so the new ones get "(2)".
    d.pressStart();
    ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }));
    EXPECT_EQ(outputs(d.out.path()), (QStringList{"000001.00-000003.00(2).mp4", "000001.00-000003.00.mp4",
                                                  "000005.00-000008.50(2).mp4", "000005.00-000008.50.mp4"}));
    EXPECT_NEAR(testsupport::probeDuration(d.out.path() + "/000005.00-000008.50(2).mp4"), 3.5, 0.15);
    answerFinishMessage(d.finishMessage());
}

TEST(EasyCutter, MergedExportWritesOneFileOfTheSummedLength) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    d.addSegment(0.5, 2.5);
    d.addSegment(6.0, 9.0);
    click(d.window->merageBtn);
    ASSERT_TRUE(d.window->merageBtn->selected());
    d.pressStart();
    ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }));
    const QStringList files = outputs(d.out.path());
    ASSERT_EQ(files.size(), 1);
    EXPECT_TRUE(files[0].endsWith(".mp4"));
    EXPECT_NEAR(testsupport::probeDuration(d.out.path() + "/" + files[0]), 5.0, 0.25);
    // The volume slider stands at the source level, so the sound is there at its level.
    EXPECT_GT(testsupport::audioRms(d.out.path() + "/" + files[0], 0.5, 4.5), 0.05);
    answerFinishMessage(d.finishMessage());
}

TEST(EasyCutter, StartWithNothingToWriteSaysWhatIsMissing) {
    Driver d;
    d.pressStart();
    EXPECT_EQ(answerAlerts(), QStringList{text("scrlabelplaceholderString")});
    d.addFile(testsupport::media("long_10s.mp4"));
    d.pressStart();
    EXPECT_EQ(answerAlerts(), QStringList{text("cutNoSegmentsString")});
    EXPECT_FALSE(d.window->jobChain().isBusy());
}

TEST(EasyCutter, TheRangeSteppersWorkAsSoonAsAFileIsLoaded) {
    Driver d;
    EXPECT_FALSE(d.window->startStepper->isEnabled()) << "nothing to step without a file";
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    ASSERT_TRUE(w.startStepper->isEnabled());
    ASSERT_TRUE(w.stopStepper->isEnabled());
    // The start's seconds, one step up: the trim range starts at 1 s.
    click(w.startFields[2]);
    click(w.startStepper, QPoint(w.startStepper->width() / 2, 3));
    EXPECT_EQ(w.startFields[2]->text(), "01");
    EXPECT_NEAR(d.range().first, 1.0, 0.011);
    EXPECT_TRUE(answerAlerts().isEmpty());
}

TEST(EasyCutter, CancelDuringTheSecondOfThreeKeepsTheFirstAndLeavesNothingElse) {
    Driver d;
    d.addFile(testsupport::longClip());
    ASSERT_NE(d.window->fileData(), nullptr);
    d.addSegment(0.0, 2.0);
    d.addSegment(2.0, 59.0);
    d.addSegment(10.0, 12.0);

    d.pressStart();
    EXPECT_FALSE(d.window->addfileBtn->isEnabled() && d.window->updateFileAddBtn->isEnabled());
    EXPECT_FALSE(d.window->cutStartBtn->isEnabled());
    ASSERT_TRUE(waitUntil([&] { return d.window->selectedCutIndex() == 1; }));
    d.pressStart(); // reads as cancel
    // Until the stopped job has returned, Start cannot begin a second chain.
    EXPECT_TRUE(!d.window->startExportBtn->isEnabled() || !d.window->jobChain().isBusy());
    ASSERT_TRUE(waitUntil([&] { return !d.window->jobChain().isBusy(); }));
    settle(200);
    EXPECT_EQ(d.finishMessage(), nullptr) << "no finished message after a cancel";
    EXPECT_TRUE(answerAlerts().isEmpty()) << "a cancel is not an error";
    EXPECT_EQ(outputs(d.out.path()), QStringList{"000000.00-000002.00.mp4"});
    EXPECT_NEAR(testsupport::probeDuration(d.out.path() + "/000000.00-000002.00.mp4"), 2.0, 0.15);
    EXPECT_TRUE(d.window->startExportBtn->isEnabled());
    EXPECT_TRUE(d.window->cutStartBtn->isEnabled());
}

TEST(EasyCutter, AnAc3FileAndANonMediaFileAreRefusedWithTheirMessages) {
    Driver d;
    d.addFile(testsupport::media("ac3_audio.mkv"));
    EXPECT_EQ(d.window->fileData(), nullptr);
    EXPECT_TRUE(d.window->addfileBtn->isVisible()) << "the empty state stays";
    EXPECT_EQ(answerAlerts(), QStringList{text("AAC3_Error_Message")});

    d.addFile(testsupport::media("not_media.mp4"));
    EXPECT_EQ(d.window->fileData(), nullptr);
    EXPECT_EQ(answerAlerts(), QStringList{text("nonsupportfilesstringValue") + "not_media.mp4"});

    d.addFile(testsupport::media("zero_bytes.mp4"));
    EXPECT_EQ(d.window->fileData(), nullptr);
    EXPECT_EQ(answerAlerts().size(), 1);

    // Sound only loads, without a picture; its segments still export.
    d.addFile(testsupport::media("audio_only.mp3"));
    ASSERT_NE(d.window->fileData(), nullptr);
    EXPECT_EQ(d.window->fileData()->sourceData->width, 0);
    EXPECT_TRUE(d.window->fileData()->thumbImage.isNull());
    d.addSegment(0.5, 2.5);
    d.pressStart();
    ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }));
    EXPECT_NEAR(testsupport::probeDuration(d.out.path() + "/000000.50-000002.50.mp3"), 2.0, 0.1);
    answerFinishMessage(d.finishMessage());

    // A good file after the refusals loads; a refused one then leaves it in place.
    d.addFile(testsupport::media("h264_aac.mp4"));
    ASSERT_NE(d.window->fileData(), nullptr);
    d.addSegment(1.0, 2.0);
    d.addFile(testsupport::media("ac3_audio.mkv"));
    answerAlerts();
    ASSERT_NE(d.window->fileData(), nullptr);
    EXPECT_TRUE(d.window->fileData()->path.endsWith("h264_aac.mp4"));
    EXPECT_EQ(d.window->cutItems().size(), 1u);
}

TEST(EasyCutter, TypedTimesBeyondTheDurationOrInvertedAreRefused) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    const double D = w.duration();
    ASSERT_NEAR(D, 10.0, 0.1);
    auto range = [&] {
        return std::pair<double, double>(D * w.cutprogressView->lowerValue(),
                                         D * w.cutprogressView->upperValue());
    };

    // End past the duration: the message, and the end stays within the file.
    Driver::typeField(w.stopFields[2], "20");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime2")});
    EXPECT_LE(Driver::rowSeconds(w.stopFields), D + 0.01);
    EXPECT_LE(range().second, D + 0.01);

    // Start 00:00:05.00 with the end at 00:00:05.00 would be empty; later than it, inverted.
    Driver::type(w.stopFields, 0, 0, 5, 0);
    answerAlerts();
    ASSERT_NEAR(range().second, 5.0, 0.02);
    const double startBefore = range().first;
    Driver::typeField(w.startFields[2], "07");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime1")});
    // Clamped to the end, which would leave nothing: the stored start does not change, and
    // the row shows it again.
    EXPECT_NEAR(Driver::rowSeconds(w.startFields), startBefore, 0.011);
    EXPECT_DOUBLE_EQ(range().first, startBefore);
    EXPECT_LT(range().first, range().second);

    // An end before the start.
    Driver::type(w.startFields, 0, 0, 3, 0);
    answerAlerts();
    Driver::typeField(w.stopFields[2], "02");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime3")});
    EXPECT_NEAR(range().first, 3.0, 0.02);
    EXPECT_GT(range().second, range().first);

    // A negative start is refused and the field keeps the focus.
    Driver::typeField(w.startFields[0], "-1");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime4")});
    EXPECT_GE(range().first, 0.0);

    // A valid typed value is stored and normalised: 5 s and 150 hundredths read 06.50.
    Driver::type(w.stopFields, 0, 0, 9, 0);
    Driver::type(w.startFields, 0, 0, 5, 0);
    answerAlerts();
    Driver::typeField(w.startFields[3], "150");
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_EQ(w.startFields[2]->text(), "06");
    EXPECT_EQ(w.startFields[3]->text(), "50");
    EXPECT_NEAR(range().first, 6.5, 0.02);
}

TEST(EasyCutter, TheBoxesOfATimeRowAreOneEditAndARefusedEndGoesBackWithOneAlertThatHasTheKeyboard) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    auto& w = *d.window;
    Driver::type(w.stopFields, 0, 0, 9, 0);
    Driver::type(w.startFields, 0, 0, 5, 0);
    ASSERT_TRUE(answerAlerts().isEmpty());
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));

    // 00:00:05.50, seconds first: 00:00:05.00 alone is not after the start, but a click on
    // the hundredths is still the same edit; Tab out of the row checks it once.
    click(w.stopFields[2]);
    QTest::keyClicks(w.stopFields[2], "05");
    click(w.stopFields[3]);
    EXPECT_EQ(openAlert(), nullptr);
    QTest::keyClicks(w.stopFields[3], "50");
    QTest::keyClick(w.stopFields[3], Qt::Key_Tab);
    settle(200);
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_NEAR(d.range().second, 5.5, 0.02);

    // An end on the start: one alert with the keyboard, answered by Return; the row shows the
    // stored end again.
    click(w.stopFields[3]);
    QTest::keyClicks(w.stopFields[3], "00");
    QTest::keyClick(w.stopFields[3], Qt::Key_Tab);
    settle(200);
    QMessageBox* box = openAlert();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->informativeText(), text("showmessageTime3"));
    EXPECT_EQ(QApplication::activeWindow(), box);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    settle(200);
    EXPECT_EQ(openAlert(), nullptr);
    EXPECT_NEAR(Driver::rowSeconds(w.stopFields), 5.5, 0.011);
    EXPECT_NEAR(d.range().second, 5.5, 0.02);
}

// MPEG sources whose times do not run on one line by themselves are cut on the line of their
// pictures: a segment inside, one across a restart of the times or a jump, and the last picture
// alone each write the pictures shown in their range, once, in order, without a word from ffmpeg;
// across a programme change, each at its source picture's size and display aspect.
TEST(EasyCutter, MpegSourcesAreCutOnTheLineOfTheirPictures) {
    QTemporaryDir dir;
    const std::map<QString, std::vector<std::pair<int, int>>> segments{
        {"restart", {{50, 90}, {90, 110}, {199, 200}}},
        {"jump", {{90, 110}, {145, 155}, {199, 200}}},
        {"late3", {{49, 89}, {110, 170}, {199, 200}}},
        {"hevc", {{151, 161}, {199, 200}}},
        {"camcorder", {{10, 20}, {35, 36}}},
        {"untimed", {{50, 90}, {199, 200}}},
        {"midstream", {{0, 40}, {50, 90}, {199, 200}}},
        {"programmes", {{60, 80}, {110, 150}, {199, 200}}}};
    for (const tooltest::MpegShape& shape : tooltest::mpegShapes(dir.path())) {
        SCOPED_TRACE(shape.name.toStdString());
        ASSERT_FALSE(shape.path.isEmpty());
        Driver d;
        d.addFile(shape.path);
        ASSERT_NE(d.window->fileData(), nullptr);
        EXPECT_NEAR(d.window->duration(), shape.pictures / 25.0, 0.03);
        if (shape.counted) {
            // A click on the bar at 60 % shows the picture of that time on the line, and the play
            // head reads its time.
            const NSRect bar = d.window->cutprogressView->progressBackView()->frame();
            QTest::mouseClick(d.window->cutprogressView, Qt::LeftButton, {},
                              geometry::pointToQt({bar.x + 0.6 * bar.width, bar.y + bar.height / 2 + 3},
                                                  d.window->cutprogressView->height())
                                  .toPoint());
            QImage shown;
            d.window->player()->SnapshotWhenReady(64, 48, [&](QImage image) { shown = std::move(image); });
            ASSERT_TRUE(waitUntil([&] { return !shown.isNull(); }, 60000));
            const double head = CMTimeGetSeconds(d.window->player()->currentTime());
            EXPECT_NEAR(head, 0.6 * shape.pictures / 25.0, 0.2);
            EXPECT_EQ(testsupport::counterOf(shown), std::lround(head * 25));
        }
        for (const auto& [first, end] : segments.at(shape.name))
            d.addSegment(first / 25.0, end / 25.0);
        d.pressStart();
        ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }));
        const QStringList files = outputs(d.out.path());
        ASSERT_EQ(files.size(), qsizetype(segments.at(shape.name).size()));
        for (int i = 0; i < files.size(); ++i) {
            const QString out = d.out.filePath(files[i]);
            EXPECT_EQ(testsupport::decodeErrors(out), "") << files[i].toStdString();
            const auto [first, end] = segments.at(shape.name)[size_t(i)];
            EXPECT_EQ(tooltest::shownPictures(shape, out), tooltest::numbers(first, end))
                << files[i].toStdString();
            if (shape.name == "programmes") {
                const std::vector<QString> source = testsupport::pictureShapes(shape.path);
                EXPECT_EQ(testsupport::pictureShapes(out),
                          std::vector<QString>(source.begin() + first, source.begin() + end));
            }
            EXPECT_NEAR(testsupport::probeDuration(out), (end - first) / 25.0, 0.05)
                << files[i].toStdString();
            EXPECT_NEAR(testsupport::decodedSoundSeconds(out, 0), (end - first) / 25.0, 0.05)
                << files[i].toStdString();
        }
        answerFinishMessage(d.finishMessage());
        // Merged, the segments' pictures follow each other in one file.
        for (const QString& f : files)
            QFile::remove(d.out.filePath(f));
        click(d.window->merageBtn);
        d.pressStart();
        ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }));
        const QStringList merged = outputs(d.out.path());
        ASSERT_EQ(merged.size(), 1);
        const QString joined = d.out.filePath(merged[0]);
        std::vector<int> wanted;
        for (const auto& [first, end] : segments.at(shape.name))
            for (int n = first; n < end; ++n)
                wanted.push_back(n);
        EXPECT_EQ(testsupport::decodeErrors(joined), "");
        EXPECT_EQ(tooltest::shownPictures(shape, joined), wanted);
        EXPECT_NEAR(testsupport::probeDuration(joined), wanted.size() / 25.0, 0.05);
        EXPECT_NEAR(testsupport::decodedSoundSeconds(joined, 0), wanted.size() / 25.0, 0.05);
        answerFinishMessage(d.finishMessage());
    }
}

// A file too large to read at once (a program stream's index reads it whole) is read on a
// worker while the window is painted: it loads as any other, one line across its recordings.
TEST(EasyCutter, ALargeRecordingIsReadBesideTheWindow) {
    Driver d;
    const QString one = testsupport::makeWithFfmpeg(
        d.out.filePath("one.vob"), {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=8", "-c:v",
                                    "mpeg2video", "-q:v", "1", "-threads", "1"});
    QFile part(one), big(d.out.filePath("big.vob"));
    ASSERT_TRUE(part.open(QIODevice::ReadOnly) && big.open(QIODevice::WriteOnly));
    const QByteArray bytes = part.readAll();
    int copies = 0;
    for (; big.size() <= (qint64(64) << 20); ++copies)
        big.write(bytes);
    big.close();
    d.addFile(big.fileName());
    EXPECT_EQ(openAlert(), nullptr);
    EXPECT_NEAR(d.window->duration(), copies * 8.0, 0.1);
}

// A large transport stream opens at once by its stored times: here no index can be read at all
// while it loads. Its cut, made once the index can be read, waits for it and keeps its range.
TEST(EasyCutter, ALargeRecordingOpensBeforeItsIndexIsRead) {
    Driver d;
    QTemporaryDir dir;
    const QString ts = testsupport::makeWithFfmpeg(
        dir.filePath("long.ts"), {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=64", "-c:v",
                                  "mpeg2video", "-q:v", "1", "-g", "25", "-threads", "1"});
    ASSERT_GT(QFileInfo(ts).size(), qint64(16) << 20);
    MediaStopReading(1);
    d.addFile(ts);
    MediaStopReading(0);
    EXPECT_EQ(openAlert(), nullptr);
    ASSERT_NE(d.window->fileData(), nullptr);
    EXPECT_NEAR(d.window->duration(), 64.0, 0.05);
    d.addSegment(30.0, 32.0);
    d.pressStart();
    ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }));
    EXPECT_EQ(testsupport::probeFrameCount(d.out.filePath("000030.00-000032.00.ts")), 50);
    answerFinishMessage(d.finishMessage());
}

// The signal of a log-out ends the reading of an index a load needs (a recording copied after
// itself) at once: the load tells of no refusal and the main loop ends.
TEST(EasyCutter, TheSignalOfALogOutEndsTheReadingOfAnIndex) {
    Driver d;
    QTemporaryDir dir;
    const QString big = testsupport::recordingCopiedPast16MiB(dir.path());
    ASSERT_FALSE(big.isEmpty());
    termination::quitOnSignals([] { MediaStopReading(1); });
    QTimer::singleShot(0, [&] {
        std::raise(SIGTERM);
        d.addFile(big);
    });
    QTimer hang; // a hang, not a slow machine
    QObject::connect(&hang, &QTimer::timeout, [] { QCoreApplication::exit(99); });
    hang.start(90000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(d.window->fileData(), nullptr);
    EXPECT_EQ(openAlert(), nullptr);
    MediaStopReading(0);
}

// A signal that comes while a file loads ends the loading there: nothing is shown, the loop ends.
TEST(EasyCutter, TheSignalOfALogOutDuringALoadLeavesTheFileUnloaded) {
    Driver d;
    termination::quitOnSignals([] { MediaStopReading(1); });
    QTimer::singleShot(0, [&] {
        std::raise(SIGINT);
        d.window->loadSourceFile(testsupport::media("long_10s.mp4"));
    });
    QTimer end; // a process reacts to the first such signal only: an earlier test's may have been it
    QObject::connect(&end, &QTimer::timeout, [] { QCoreApplication::exit(0); });
    end.start(2000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_EQ(d.window->fileData(), nullptr);
    EXPECT_EQ(openAlert(), nullptr);
    MediaStopReading(0);
}

// A large transport stream first shown by its stored times moves onto its index's line once the
// index is read: the range and the segment set before keep their pictures, and the window says so.
TEST(EasyCutter, ARangeSetOnTheStoredTimesKeepsItsPicturesOnTheIndexsLine) {
    QTemporaryDir dir;
    const QString ts = testsupport::largeTsJumpingAhead(dir.path());
    Driver d;
    const auto shownAt = [&](double seconds) {
        QImage shown;
        d.window->player()->seekTime(CMTimeMakeWithSeconds(seconds, 1000000000));
        d.window->player()->SnapshotWhenReady(64, 48, [&](const QImage& i) { shown = i; });
        waitUntil([&] { return !shown.isNull(); }, 60000);
        return testsupport::counterOf(shown);
    };
    // No index is read until the range is set.
    MediaStopReading(1);
    d.addFile(ts);
    EXPECT_NEAR(d.window->duration(), 42.0, 0.05);
    d.addSegment(25.0, 27.0);
    EXPECT_EQ(shownAt(25.0), 325);
    MediaStopReading(0);
    MediaClose(MediaOpen(ts.toUtf8().constData()));
    ASSERT_TRUE(waitUntil([&] { return std::abs(d.window->duration() - 30.0) < 0.05; }, 120000));
    EXPECT_TRUE(answerAlerts().contains(text("indexLineMovedString")));
    EXPECT_NEAR(d.range().first, 13.0, 0.011);
    EXPECT_NEAR(d.range().second, 15.0, 0.011);
    EXPECT_NEAR(Driver::rowSeconds(d.window->startFields), 13.0, 0.011);
    ASSERT_EQ(d.window->cutItems().size(), 1u);
    EXPECT_NEAR(d.window->cutItems()[0]->startTime, 13.0, 0.011);
    EXPECT_NEAR(d.window->cutItems()[0]->endTime, 15.0, 0.011);
    EXPECT_EQ(shownAt(13.0), 325);
    EXPECT_EQ(shownAt(14.96), 374);
}

// Exported before the index is read, each segment holds the pictures the window showed in it.
TEST(EasyCutter, SegmentsExportedOnTheStoredTimesHoldThePicturesShown) {
    QTemporaryDir dir;
    const QString ts = testsupport::largeTsJumpingAhead(dir.path());
    Driver d;
    MediaStopReading(1); // the first segment's job reads the index
    d.addFile(ts);
    d.addSegment(1.0, 2.0);
    d.addSegment(25.0, 27.0);
    MediaStopReading(0);
    d.pressStart();
    ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }, 300000));
    const QStringList files = outputs(d.out.path());
    ASSERT_EQ(files.size(), 2);
    EXPECT_EQ(testsupport::decodedCounters(d.out.filePath(files[1])), tooltest::numbers(325, 375));
    answerFinishMessage(d.finishMessage());
}

// Started once the index is held but before the window has heard of it (the player asks a few
// times a second): the job would open the file on the index's line, so it waits for the window's
// move and cuts the pictures the window showed, into a file of its own or merged.
namespace {
void startBeforeTheWindowMoves(bool merged) {
    QTemporaryDir dir;
    const QString ts = testsupport::largeTsJumpingAhead(dir.path());
    Driver d;
    MediaStopReading(1);
    d.addFile(ts);
    d.addSegment(25.0, 27.0);
    if (merged)
        click(d.window->merageBtn);
    MediaStopReading(0);
    ASSERT_TRUE(testsupport::indexHeldUnheard(ts, *d.window->player()));
    d.window->startExportAction();
    ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }, 300000));
    const QStringList files = outputs(d.out.path());
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(testsupport::decodedCounters(d.out.filePath(files[0])), tooltest::numbers(325, 375));
    answerFinishMessage(d.finishMessage());
}
} // namespace

TEST(EasyCutter, AStartBetweenTheIndexBeingReadAndTheWindowsMoveCutsThePicturesShown) {
    startBeforeTheWindowMoves(false);
}

TEST(EasyCutter, AMergedStartBetweenTheIndexBeingReadAndTheWindowsMoveJoinsThePicturesShown) {
    startBeforeTheWindowMoves(true);
}
