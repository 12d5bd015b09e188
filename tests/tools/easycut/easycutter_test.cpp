// The easy cutter end to end, through its real controls, on real files: segments written
// separately and merged, free names, cancel in the middle of a chain, refused files and
// refused typed times (closing during an export is the tool-window kit's).
#include "EasyCutDriver.h"
#include "FrameCounter.h"

#include "foundation/records/SimpleData.h"
#include "tools/shared/TimeStepper.h"

#include <QDir>
#include <QFileInfo>
#include <QPushButton>
#include <numeric>

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

// Two recordings copied one after the other (a transport stream whose times start again at
// picture 100) are one line of pictures: a segment of the first writes the first's pictures.
TEST(EasyCutter, RecordingsEndToEndAreCutOnOneLine) {
    Driver d;
    const QString mp4 = testsupport::makeCounterClip(d.out.filePath("count.mp4"), 25, 8, 25, 3);
    const QString ts = testsupport::retimed(
        testsupport::makeWithFfmpeg(d.out.filePath("timed.ts"), {"-i", mp4, "-c", "copy"}),
        d.out.filePath("restart.ts"), [](int64_t t, bool) { return t >= 100 * 3600 ? t - 100 * 3600 : t; });
    for (const QString& made : {mp4, d.out.filePath("timed.ts")})
        QFile::remove(made);
    d.addFile(ts);
    d.addSegment(2.0, 3.6);
    d.pressStart();
    ASSERT_TRUE(waitUntil([&] { return d.finishMessage() != nullptr; }));
    std::vector<int> wanted(40);
    std::iota(wanted.begin(), wanted.end(), 50);
    EXPECT_EQ(testsupport::decodedCounters(d.out.filePath("000002.00-000003.60.ts")), wanted);
    answerFinishMessage(d.finishMessage());
}

// A file too large to read at once (an MPEG recording's index reads it whole) is read on a
// worker while the window is painted: it loads as any other, one line across its recordings.
TEST(EasyCutter, ALargeRecordingIsReadBesideTheWindow) {
    Driver d;
    const QString one = testsupport::makeWithFfmpeg(
        d.out.filePath("one.ts"), {"-f", "lavfi", "-i", "testsrc2=size=352x288:rate=25:duration=8", "-c:v",
                                   "mpeg2video", "-q:v", "1", "-threads", "1"});
    QFile part(one), big(d.out.filePath("big.ts"));
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
