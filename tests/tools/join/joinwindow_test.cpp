// The join window on real clips: the joined file's length, order and codecs, clips of
// another size and without sound, range and volume edits, cancel and refused files (closing
// during a join is the tool-window kit's).
#include "../shared/MpegShapes.h"
#include "FrameCounter.h"
#include "JoinDriver.h"
#include "TestSupport.h"
#include "foundation/controls/LxCutProgressView.h"
#include "foundation/helpers/NSBundle.h"
#include "foundation/records/FileData.h"
#include "mediacore/MediaCore.h"
#include "profiles/InputFileNameWindowController.h"
#include "profiles/ProfileReader.h"
#include "profiles/ProfileSet.h"
#include "profiles/SettingWindowController.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RowProgress.h"

#include <gtest/gtest.h>

using namespace jointest;

namespace {
// Three clips, the last trimmed to 2 s .. 5 s through its fields.
void addThree(Driver& d) {
    d.addFile(testsupport::media("h264_aac.mp4"));
    d.addFile(testsupport::media("h264_aac.mov"));
    d.addFile(testsupport::media("long_10s.mp4"));
    ASSERT_EQ(d.window->fileList().size(), 3u);
    d.selectRow(2);
    Driver::type(d.window->startTimeRow, "00:00:02.00");
    Driver::type(d.window->stopTimeRow, "00:00:05.00");
    ASSERT_TRUE(answerAlerts().isEmpty());
    EXPECT_EQ(d.window->fileList()[2]->cutTimeRange_start, 2000000);
    EXPECT_EQ(d.window->fileList()[2]->cutTimeRange_stop, 5000000);
    EXPECT_EQ(d.window->fileListTableView->row(2)->cuttedTimeLabel->text(), "00:00:03.00");
}

// The frame of out at t looks like the frame of source at s, and not like it at other.
void expectSeam(const QString& out, double t, const QString& source, double s, double other) {
    const QImage joined = testsupport::ffmpegFrameAt(out, t);
    const double same = testsupport::meanAbsDiff(joined, testsupport::ffmpegFrameAt(source, s));
    const double wrong = testsupport::meanAbsDiff(joined, testsupport::ffmpegFrameAt(source, other));
    EXPECT_LT(same, wrong / 2) << "at " << t << " s";
}

// Seconds of pictures written before the first sound packet, in file order.
double picturesBeforeSound(const QString& path) {
    QByteArray out;
    testsupport::run(FFPROBE_EXECUTABLE,
                     {"-v", "error", "-show_entries", "packet=codec_type,pts_time", "-of", "csv=p=0", path},
                     &out);
    double first = 1e9, last = -1e9;
    for (const QByteArray& line : out.split('\n')) {
        const QList<QByteArray> f = line.split(',');
        if (f.size() < 2)
            continue;
        if (f[0] == "audio")
            return std::max(0.0, last - first);
        first = std::min(first, f[1].toDouble());
        last = std::max(last, f[1].toDouble());
    }
    return 1e9;
}
} // namespace

TEST(JoinWindow, JoinsClipsInOrderKeepingTheirFormat) {
    Driver d;
    EXPECT_TRUE(d.window->contentNoFileView->isVisible());
    EXPECT_FALSE(d.window->removeBtn->isEnabled()) << "nothing to remove yet";
    addThree(d);
    EXPECT_FALSE(d.window->contentNoFileView->isVisible());
    // Move the trimmed clip to the front and back again with Up and Down.
    click(d.window->upBtn);
    EXPECT_EQ(QFileInfo(d.window->fileList()[1]->path).fileName(), "long_10s.mp4");
    click(d.window->downBtn);
    EXPECT_EQ(QFileInfo(d.window->fileList()[2]->path).fileName(), "long_10s.mp4");

    const QString out = d.join();
    ASSERT_NE(d.finishMessage(), nullptr);
    EXPECT_TRUE(answerAlerts().isEmpty());
    EXPECT_EQ(QFileInfo(out).suffix(), "mp4") << "the first clip's container";
    EXPECT_EQ(outputs(d.out.path()).size(), 1);
    EXPECT_NEAR(testsupport::probeDuration(out), 4.0 + 4.0 + 3.0, 0.25);
    EXPECT_EQ(testsupport::probeStream(out, "video")["codec_name"].toString(), "h264");
    EXPECT_EQ(testsupport::probeStream(out, "audio")["codec_name"].toString(), "aac");
    const QString longSrc = testsupport::media("long_10s.mp4");
    // The third clip starts at its 2 s in the joined file's 8 s.
    expectSeam(out, 9.0, longSrc, 3.0, 1.0);
    expectSeam(out, 1.0, testsupport::media("h264_aac.mp4"), 1.0, 3.0);
    expectSeam(out, 6.0, testsupport::media("h264_aac.mov"), 2.0, 0.5);

    // A second join within the same second never overwrites the first.
    d.closeFinishMessage();
    const QString second = d.join();
    EXPECT_NE(second, out);
    EXPECT_EQ(outputs(d.out.path()).size(), 2);
}

TEST(JoinWindow, JoinsWithAProfileAndADefaultFormatClip) {
    Driver d;
    d.addFile(testsupport::media("h264_aac.mkv"));
    d.addFile(testsupport::media("long_10s.mp4"));
    d.chooseFormat("Video / mp4(H.264)");
    const QString out = d.join();
    ASSERT_NE(d.finishMessage(), nullptr);
    EXPECT_EQ(QFileInfo(out).suffix(), "mp4");
    EXPECT_NEAR(testsupport::probeDuration(out), 14.0, 0.25);
    EXPECT_EQ(testsupport::probeStream(out, "video")["codec_name"].toString(), "h264");
    EXPECT_EQ(testsupport::probeStream(out, "audio")["codec_name"].toString(), "aac");
    d.closeFinishMessage();

    // With "Keep Original" the clip marked as the output format gives its own container.
    d.chooseFormat("Video / Keep Original");
    JoinnerCell* row = d.window->fileListTableView->row(0);
    click(row->defaultoutputformat);
    EXPECT_TRUE(d.window->fileList()[0]->defaultFormat);
    click(d.window->fileListTableView->row(1)->defaultoutputformat);
    EXPECT_FALSE(d.window->fileList()[0]->defaultFormat) << "one clip gives the format";
    const QString kept = d.join();
    EXPECT_EQ(QFileInfo(kept).suffix(), "mp4");
    d.closeFinishMessage();
    click(d.window->fileListTableView->row(0)->defaultoutputformat);
    const QString mkv = d.join();
    EXPECT_EQ(QFileInfo(mkv).suffix(), "mkv");
    EXPECT_NEAR(testsupport::probeDuration(mkv), 14.0, 0.25);
}

TEST(JoinWindow, TheChosenFormatIsRememberedAndUsedAtOnce) {
    {
        Driver d;
        d.chooseFormat("Video / mkv(H.264)");
    }
    Driver d(/*keepFormat=*/false);
    EXPECT_EQ(d.chosenFormat(), "Video / mkv(H.264)");
    d.addFile(testsupport::media("h264_aac.mp4"));
    // A join right after opening writes the remembered format.
    const QString out = d.join();
    EXPECT_EQ(QFileInfo(out).suffix(), "mkv");
    EXPECT_NEAR(testsupport::probeDuration(out), 4.0, 0.2);
    // A clip giving the output format locks the profile choice.
    click(d.window->fileListTableView->row(0)->defaultoutputformat);
    EXPECT_FALSE(d.formatChoiceEnabled());
    click(d.window->fileListTableView->row(0)->defaultoutputformat);
    EXPECT_TRUE(d.formatChoiceEnabled());
}

TEST(JoinWindow, TheSettingsWindowChangesTheJoinedFormat) {
    Driver d;
    d.addFile(testsupport::media("h264_aac.mp4"));
    d.chooseFormat("Video / mkv(H.264)");
    const QString before = d.window->fileList()[0]->targetData->metadata_vcodec;
    SettingWindowController* settings = d.openSettingsWithCodec("hevc");
    ASSERT_NE(settings, nullptr);
    settings->close();
    settle();
    EXPECT_NE(before, "hevc");
    EXPECT_EQ(d.window->fileList()[0]->targetData->metadata_vcodec, "hevc") << "each clip's target follows";
    const QString out = d.join();
    ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
    EXPECT_EQ(QFileInfo(out).suffix(), "mkv");
    EXPECT_EQ(testsupport::probeStream(out, "video")["codec_name"].toString(), "hevc");
}

TEST(JoinWindow, JoinsAClipOfAnotherSizeAndOneWithoutSound) {
    Driver d;
    d.addFile(testsupport::media("h264_aac.mp4"));
    d.addFile(testsupport::media("odd_321x241.mkv"));
    d.addFile(testsupport::media("no_audio.mp4"));
    ASSERT_EQ(d.window->fileList().size(), 3u);
    const double total = testsupport::probeDuration(testsupport::media("h264_aac.mp4")) +
                         testsupport::probeDuration(testsupport::media("odd_321x241.mkv")) +
                         testsupport::probeDuration(testsupport::media("no_audio.mp4"));
    const QString out = d.join();
    ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
    EXPECT_NEAR(testsupport::probeDuration(out), total, 0.3);
    const QJsonObject video = testsupport::probeStream(out, "video");
    EXPECT_EQ(video["width"].toInt(), 320);
    EXPECT_EQ(video["height"].toInt(), 240);
    // The clip without sound is silent, not missing: the sound runs to the end.
    ASSERT_EQ(testsupport::probeStreamCount(out, "audio"), 1);
    EXPECT_LT(testsupport::audioRms(out, total - 2.5, total - 0.5), 0.01);
    EXPECT_GT(testsupport::audioRms(out, 1.0, 2.0), 0.05);
}

TEST(JoinWindow, RangesAreRefusedOutsideTheClip) {
    Driver d;
    d.addFile(testsupport::media("h264_aac.mp4")); // 4 s
    SimpleData& clip = *d.window->fileList()[0];
    EXPECT_EQ(Driver::shown(d.window->startTimeRow), "00:00:00.00");
    EXPECT_EQ(Driver::shown(d.window->stopTimeRow), "00:00:04.00");

    Driver::type(d.window->stopTimeRow, "00:00:09.00");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime2")});
    EXPECT_FALSE(clip.hasCutRange());
    EXPECT_EQ(Driver::shown(d.window->stopTimeRow), "00:00:04.00");

    Driver::type(d.window->startTimeRow, "00:00:03.00");
    Driver::type(d.window->stopTimeRow, "00:00:02.00");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime3")});
    EXPECT_EQ(clip.cutTimeRange_start, 3000000);
    EXPECT_EQ(clip.cutTimeRange_stop, 4000000);
    Driver::type(d.window->startTimeRow, "00:00:04.00");
    EXPECT_EQ(answerAlerts(), QStringList{text("showmessageTime1")});
    Driver::type(d.window->startTimeRow, "-1");
    EXPECT_EQ(answerAlerts().size(), 1);
    EXPECT_EQ(clip.cutTimeRange_start, 3000000);

    // The trim bar shows the range and stores what its handles mark.
    EXPECT_NEAR(d.window->cutProgressView->lowerValue(), 0.75, 0.01);
    d.window->cutProgressView->delegate()->actionMouseMovedForCutProgressViewBlock(d.window->cutProgressView,
                                                                                   0.25f, 0.5f, 1);
    EXPECT_EQ(clip.cutTimeRange_start, 1000000);
    EXPECT_EQ(clip.cutTimeRange_stop, 2000000);
    EXPECT_EQ(Driver::shown(d.window->startTimeRow), "00:00:01.00");
    d.window->cutProgressView->delegate()->actionMouseMovedForCutProgressViewBlock(d.window->cutProgressView,
                                                                                   0.5f, 0.5f, 2);
    EXPECT_EQ(clip.cutTimeRange_stop, 2000000) << "an empty range is not stored";
    Driver::type(d.window->stopTimeRow, "00:00:04.00");
    Driver::type(d.window->startTimeRow, "00:00:03.00");
    EXPECT_TRUE(answerAlerts().isEmpty());

    // Remove mode keeps what lies outside the range; the row shows the range's length in
    // either mode. Reset returns to the whole clip.
    click(d.window->unSelectTimeBtn);
    EXPECT_TRUE(clip.isTrimFanxuan);
    EXPECT_EQ(d.window->fileListTableView->row(0)->cuttedTimeLabel->text(), "00:00:01.00");
    click(d.window->resetCutterBtn);
    EXPECT_FALSE(clip.isTrimFanxuan);
    EXPECT_FALSE(clip.hasCutRange());
    EXPECT_TRUE(d.window->selectTimeBtn->isChecked());
}

TEST(JoinWindow, TransitionsBlendTheSeam) {
    Driver d;
    d.addFile(testsupport::media("h264_aac.mp4"));
    d.addFile(testsupport::media("long_10s.mp4"));
    JoinnerCell* first = d.window->fileListTableView->row(0);
    first->effectBtn->setCurrentIndex(3);
    emit first->effectBtn->activated(3);
    EXPECT_EQ(d.window->fileList()[0]->transitionEffect, 3);
    // Apply to All gives the second clip the first one's range.
    d.selectRow(1);
    Driver::type(d.window->stopTimeRow, "00:00:04.00");
    Driver::type(d.window->startTimeRow, "00:00:01.00");
    click(d.window->applytoallBtn);
    EXPECT_EQ(d.window->fileList()[0]->cutTimeRange_start, 1000000);
    EXPECT_EQ(d.window->fileList()[0]->cutTimeRange_stop, 4000000);
    const QString out = d.join();
    ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
    // Two 3 s pieces overlap by the 1 s fade (a third of the shorter piece).
    EXPECT_NEAR(testsupport::probeDuration(out), 5.0, 0.15);
}

TEST(JoinWindow, ClipVolumeReachesTheJoinedSound) {
    Driver d;
    d.addFile(testsupport::media("h264_aac.mp4"));
    d.addFile(testsupport::media("h264_aac.mov"));
    d.selectRow(1);
    // The slider's travel is gain 0 to 2.
    d.setVolumeSlider(0.4);
    const double gain = d.window->fileList()[1]->volume;
    EXPECT_NEAR(gain, 0.8, 0.05);
    EXPECT_DOUBLE_EQ(gain, 2.0 * d.window->volumeSlider->progress());
    d.selectRow(0);
    EXPECT_FLOAT_EQ(d.window->volumeSlider->progress(), 0.5f);
    d.selectRow(1);
    EXPECT_NEAR(d.window->volumeSlider->progress(), gain / 2, 0.01);
    const QString out = d.join();
    ASSERT_NE(d.finishMessage(), nullptr);
    const double first = testsupport::audioRms(out, 1.0, 3.0);
    const double second = testsupport::audioRms(out, 5.0, 7.0);
    ASSERT_GT(first, 0.05);
    EXPECT_NEAR(second / first, gain, 0.05) << "0.8 is 80 percent, not silence";
}

TEST(JoinWindow, CancelLeavesNoOutput) {
    Driver d;
    d.addFile(testsupport::longClip());
    d.addFile(testsupport::longClip());
    d.chooseFormat("Video / mkv(HEVC)");
    click(d.window->startJoinnerBtn);
    ASSERT_TRUE(waitUntil([&] { return d.window->isJoining(); }, 60000));
    EXPECT_TRUE(d.window->addfileBtn->isEnabled()) << "files can be added for the next join";
    EXPECT_FALSE(d.window->removeBtn->isEnabled());
    EXPECT_FALSE(d.formatChoiceEnabled());
    // The keep/remove choice stays usable; it counts from the next join on.
    ASSERT_TRUE(d.window->unSelectTimeBtn->isEnabled());
    click(d.window->unSelectTimeBtn);
    EXPECT_TRUE(d.window->fileList()[size_t(d.window->fileListTableView->selectedIndex())]->isTrimFanxuan);
    EXPECT_TRUE(d.window->isJoining());
    settle(500);
    click(d.window->startJoinnerBtn); // reads as cancel
    ASSERT_TRUE(waitUntil([&] { return !d.window->isJoining(); }));
    settle(200);
    EXPECT_EQ(d.finishMessage(), nullptr);
    EXPECT_TRUE(answerAlerts().isEmpty()) << "a cancel is not an error";
    EXPECT_TRUE(outputs(d.out.path()).isEmpty());
    EXPECT_TRUE(d.window->startJoinnerBtn->isEnabled());
    EXPECT_TRUE(d.window->addfileBtn->isEnabled());
}

// A join takes its clips when it starts: a file added while it runs joins the list, not the
// running join, shows no progress of that join, and is joined by the next one.
TEST(JoinWindow, AFileAddedDuringAJoinWaitsForTheNextJoin) {
    Driver d;
    d.addFile(testsupport::longClip());
    d.chooseFormat("Video / mkv(H.264)");
    click(d.window->startJoinnerBtn);
    ASSERT_TRUE(waitUntil([&] { return d.window->isJoining(); }, 60000));
    ASSERT_TRUE(d.window->addfileBtn->isEnabled());
    d.addFile(testsupport::media("h264_aac.mp4"));
    ASSERT_EQ(d.window->fileList().size(), 2u);
    ASSERT_TRUE(d.window->isJoining()) << "the file was to be added while the join ran";
    EXPECT_FALSE(d.window->removeBtn->isEnabled()) << "the running join's list stays as it is";
    bool addedRowShowedProgress = false;
    ASSERT_TRUE(waitUntil(
        [&] {
            addedRowShowedProgress =
                addedRowShowedProgress || d.window->fileListTableView->row(1)->progress->isShown();
            return !d.window->isJoining();
        },
        240000));
    settle(100);
    EXPECT_FALSE(addedRowShowedProgress);
    ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
    const QString first = d.window->lastOutput();
    EXPECT_NEAR(testsupport::probeDuration(first), 60.0, 0.5) << "the long clip alone";
    d.closeFinishMessage();

    const QString second = d.join();
    ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
    EXPECT_NEAR(testsupport::probeDuration(second), 64.0, 0.5) << "the added clip after the long one";
}

TEST(JoinWindow, RefusedFilesStayOutOfTheList) {
    Driver d;
    d.addFile(testsupport::media("ac3_audio.mkv"));
    settle(100);
    EXPECT_TRUE(d.window->fileList().empty());
    // An AC-3 file has its own warning, and only that.
    EXPECT_EQ(answerAlerts(), QStringList{text("AAC3_Error_Message")});
    // Refused files of one add give one message naming them all, after the accepted ones.
    EXPECT_EQ(d.window->addFiles({testsupport::media("not_media.mp4"), testsupport::media("h264_aac.mp4"),
                                  testsupport::media("not_media.mp4"), testsupport::media("audio_only.m4a")}),
              2);
    EXPECT_EQ(answerAlerts(),
              QStringList{text("nonsupportfilesstringValue") + "not_media.mp4, not_media.mp4"});
    // A sound-only clip shows the sound icon in its row.
    EXPECT_TRUE(d.window->fileList()[0]->thumbImage != NSBundle::imageWithfileName("Cut/musicIconB.png"));
    EXPECT_EQ(d.window->fileList()[1]->thumbImage, NSBundle::imageWithfileName("Cut/musicIconB.png"));
    click(d.window->clearBtn);
    settle();
    // Start with no clips starts nothing and says why.
    click(d.window->startJoinnerBtn);
    EXPECT_FALSE(d.window->isJoining());
    EXPECT_EQ(answerAlerts(), QStringList{text("scrlabelplaceholderString")});
    EXPECT_TRUE(outputs(d.out.path()).isEmpty());
}

TEST(JoinWindow, TheSelectedClipsPictureHasItsDisplayShape) {
    Driver d;
    QTemporaryDir dir;
    // Square pixels stored 2:1 wide: shown at 640 x 240.
    const QString wide = testsupport::makeWithFfmpeg(
        dir.filePath("sar2.mp4"), {"-i", testsupport::media("h264_aac.mp4"), "-vf", "setsar=2", "-c:v",
                                   "libx264", "-preset", "veryfast", "-an"});
    ASSERT_FALSE(wide.isEmpty());
    d.addFile(testsupport::media("h264_aac.mp4"));
    d.addFile(testsupport::media("rotated_90.mp4"));
    d.addFile(wide);
    ASSERT_EQ(d.window->fileList().size(), 3u);
    const struct {
        int row;
        double ratio;
    } cases[] = {{0, 320.0 / 240}, {1, 240.0 / 320}, {2, 640.0 / 240}};
    QImage view;
    QRect picture;
    // The picture drawn in the preview: the part of the view that is not black.
    const auto drawn = [&] {
        view = d.window->playerView->grab().toImage();
        picture = QRect();
        for (int y = 0; y < view.height(); ++y)
            for (int x = 0; x < view.width(); ++x)
                if (qGray(view.pixel(x, y)) > 24)
                    picture |= QRect(x, y, 1, 1);
    };
    for (const auto& c : cases) {
        d.selectRow(c.row);
        // The selected clip's picture comes from the player's threads, later on a loaded machine.
        waitUntil([&] {
            drawn();
            return !picture.isEmpty() &&
                   std::abs(double(picture.width()) / picture.height() - c.ratio) < 0.05;
        });
        ASSERT_FALSE(picture.isEmpty()) << "row " << c.row;
        EXPECT_NEAR(double(picture.width()) / picture.height(), c.ratio, 0.05) << "row " << c.row;
        EXPECT_TRUE(std::abs(picture.width() - view.width()) <= 2 ||
                    std::abs(picture.height() - view.height()) <= 2)
            << "as large as fits";
    }
}

TEST(JoinWindow, AProfileSavedAsCustomIsListedAndChosenAtOnce) {
    QTemporaryDir custom;
    ProfileSet::setCustomFolders({custom.filePath("Custom")});
    {
        Driver d; // on "Video / Keep Original"
        d.addFile(testsupport::media("h264_aac.mp4"));
        SettingWindowController* settings = d.openSettingsWithCodec("hevc");
        ASSERT_NE(settings, nullptr);
        click(settings->createCustomBtn());
        InputFileNameWindowController* prompt = nullptr;
        ASSERT_TRUE(waitUntil(
            [&] {
                prompt = d.window->findChild<InputFileNameWindowController*>();
                return prompt && prompt->isVisible();
            },
            60000));
        QTest::keyClicks(prompt->nameNameField(), "my hevc");
        click(prompt->okBtn());
        settle();
        EXPECT_EQ(d.chosenFormat(), "Custom / my hevc");
        const QString path = custom.filePath("Custom/my hevc.pf");
        EXPECT_EQ(ProfileSet::joiner().profilePath(ProfileSet::kCustomCategory,
                                                   d.window->formatBrowser->chosenItem()),
                  path);
        EXPECT_EQ(profiles::readProfileValue(QString("Main"), QString("ExtName"), path).trimmed(), "mkv")
            << "a container, not blank";

        const QString out = d.join();
        ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
        EXPECT_EQ(QFileInfo(out).suffix(), "mkv");
        EXPECT_EQ(testsupport::probeStream(out, "video")["codec_name"].toString(), "hevc");
    }
    ProfileSet::setCustomFolders({});
}

// On 1280 x 720 and 1366 x 768 screens the window opens folded; unfolded, the band lies over the
// content above the export row, so that Start and the output folder stay in reach.
TEST(JoinWindow, OnALowScreenItOpensFoldedAndTheBandUnfoldsAboveTheExportRow) {
    for (const QSize screen : {QSize(1280, 720), QSize(1366, 768)}) {
        SCOPED_TRACE(screen.height());
        Driver d(/*keepFormat=*/false, screen);
        JoinnerWindowController& w = *d.window;
        FormatBrowser* band = w.formatBrowser;
        // Folded, the window fits the screen's height with its title bar, and no larger size is
        // forced on it.
        EXPECT_TRUE(band->isFolded());
        EXPECT_EQ(w.size(), QSize(1000, 680));
        EXPECT_EQ(w.minimumSize(), w.size());
        EXPECT_LE(w.height(), ScreenRoom::windowRoom(&w));
        EXPECT_TRUE(w.rect().contains(
            QRect(band->showFunctionBtn->mapTo(&w, QPoint()), band->showFunctionBtn->size())));

        // Unfolded, the window keeps its size and place; the band's tiles, Start and the output
        // folder's controls are each on top where they are, and a profile can be chosen and the
        // band folded again.
        const QRect frame = w.geometry();
        click(band->showFunctionBtn);
        settle();
        ASSERT_FALSE(band->isFolded());
        EXPECT_EQ(w.geometry(), frame);
        EXPECT_TRUE(w.rect().contains(QRect(w.formatBottomView->pos(), w.formatBottomView->size())));
        EXPECT_TRUE(band->functionItemScrollview->isVisible());
        const auto onTop = [&w](QWidget* control) {
            QWidget* top = w.childAt(control->mapTo(&w, control->rect().center()));
            return control->isVisible() && (top == control || control->isAncestorOf(top));
        };
        EXPECT_TRUE(onTop(band->functionItemBtn_Childs[0]));
        for (QWidget* control : std::initializer_list<QWidget*>{w.startJoinnerBtn, w.outputFolderBtn,
                                                                w.openOutputFolderBtn, w.addfileBtn})
            EXPECT_TRUE(onTop(control)) << control->metaObject()->className();
        d.chooseFormat("Video / mkv(H.264)");
        click(band->showFunctionBtn);
        settle();
        EXPECT_TRUE(band->isFolded());
        EXPECT_EQ(w.geometry(), frame);
    }

    // On a screen with room for it, the band opens with the window unfolded.
    Driver tall(/*keepFormat=*/false);
    EXPECT_FALSE(tall.window->formatBrowser->isFolded());
    EXPECT_EQ(tall.window->size(), QSize(1000, 820));
}

// MPEG recordings the engine reads through their index, each joined with itself: two recordings
// end to end, stretches of pictures an hour late, HEVC in open groups of pictures, a camera's
// interlaced fields, pictures without any time, a capture begun mid-stream and one across a
// programme change. Kept in their format or encoded by a profile,
// every picture of both clips comes once, in order, with the sound beside it all along.
TEST(JoinWindow, MpegRecordingsJoinedWithThemselvesKeepEveryPictureAndTheirSound) {
    QTemporaryDir dir;
    const QString mp4 =
        testsupport::makeCounterClip(dir.filePath("count.mp4"), 25, 8, 25, 3, "b-adapt=0:threads=1");
    const QString ts =
        testsupport::makeWithFfmpeg(dir.filePath("timed.ts"), {"-i", mp4, "-c:v", "copy", "-c:a", "mp2"});
    // The camera's AC-3 sound, which the window refuses, as MP2; its pictures' field packets kept.
    const QString camcorder = testsupport::makeWithFfmpeg(
        dir.filePath("camcorder.mts"),
        {"-i", CUTBENCH_SOURCE_DIR "/../shared/media/camcorder_1080i50_fields.mts", "-map", "0:v", "-map",
         "0:a", "-c:v", "copy", "-c:a", "mp2"});
    const QString shapes[] = {
        testsupport::retimed(ts, dir.filePath("restart.ts"),
                             [](int64_t t, bool) { return t >= 100 * 3600 ? t - 100 * 3600 : t; }),
        testsupport::retimed(ts, dir.filePath("late.ts"),
                             [](int64_t t, bool) {
                                 return t >= 100 * 3600 && t < 150 * 3600 ? t + int64_t(3600) * 90000 : t;
                             }),
        testsupport::hourLate(ts, dir.filePath("late3.ts"), {{30, 49}, {90, 109}, {150, 169}}),
        testsupport::makeWithFfmpeg(
            dir.filePath("hevc.ts"),
            {"-i", mp4, "-threads", "1", "-vf", "scale=320:180", "-c:v", "libx265", "-x265-params",
             "bframes=3:keyint=25:pools=1:frame-threads=1:log-level=error", "-c:a", "mp2"}),
        camcorder,
        testsupport::retimed(ts, dir.filePath("untimed.ts"), [](int64_t, bool) { return -1; }),
        testsupport::midStreamCapture(dir.path()),
        testsupport::programmeChange(mp4, dir.path())};
    for (const QString& src : shapes) {
        ASSERT_FALSE(src.isEmpty());
        const bool counted = src != camcorder;
        const int pictures = counted ? 200 : testsupport::probeFrameCount(src);
        // "Keep Original" copies; a clip marked as the output format gives its own settings.
        for (const QString format :
             {"Video / Keep Original", "marked", "Video / mp4(H.264)", "Video / mkv(H.264)"}) {
            SCOPED_TRACE((QFileInfo(src).fileName() + " into " + format).toStdString());
            Driver d;
            if (format != "marked")
                d.chooseFormat(format);
            d.addFile(src);
            d.addFile(src);
            if (format == "marked")
                click(d.window->fileListTableView->row(0)->defaultoutputformat);
            // Its length by its pictures: an hour-late stretch or no time at all lengthens or
            // shortens nothing.
            EXPECT_NEAR(Driver::shown(d.window->stopTimeRow).mid(6).toDouble(), pictures / 25.0, 0.02);
            const QString out = d.join();
            ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
            EXPECT_EQ(testsupport::decodeErrors(out), "");
            if (counted) {
                std::vector<int> twice(400);
                for (int n = 0; n < 400; ++n)
                    twice[size_t(n)] = n % 200;
                EXPECT_EQ(testsupport::decodedCounters(out), twice);
            } else {
                EXPECT_EQ(testsupport::probeFrameCount(out), 2 * pictures);
            }
            EXPECT_NEAR(testsupport::probeDuration(out), 2 * pictures / 25.0, 0.15);
            EXPECT_GE(testsupport::probeStream(out, "audio")["channels"].toInt(), 1);
            EXPECT_LT(picturesBeforeSound(out), 1.0);
        }
    }
}

// An HEVC capture begun and ended inside packets (its first keyframe's leading pictures lost with
// the group before it), kept and joined with itself: each copy shows its pictures once, in order.
TEST(JoinWindow, AnHevcCaptureKeptAndJoinedWithItselfShowsEachCopysPicturesInOrder) {
    QTemporaryDir dir;
    const QString capture = testsupport::hevcCapture(dir.path(), 230000);
    ASSERT_FALSE(capture.isEmpty());
    Driver d;
    d.chooseFormat("Video / Keep Original");
    d.addFile(capture);
    d.addFile(capture);
    const QString out = d.join();
    ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
    EXPECT_EQ(testsupport::decodeErrors(out), "");
    const std::vector<int> shown = testsupport::decodedCounters(out);
    const auto half = std::ptrdiff_t(shown.size() / 2);
    EXPECT_TRUE(half >= 25 && shown.size() == size_t(2 * half) &&
                std::equal(shown.begin(), shown.begin() + half, shown.begin() + half) &&
                std::adjacent_find(shown.begin(), shown.begin() + half,
                                   [](int a, int b) { return b != a + 1; }) == shown.begin() + half)
        << testing::PrintToString(shown);
}

// Keep Original keeps each sound stream's codec (AAC stereo and AC-3 5.1, two ranges of one
// Matroska), and a FLAC file whose picture starts 0.1 s after its sound joined with itself keeps
// the second copy's clicks (every whole second of its sound) within half a packet of its picture.
TEST(JoinWindow, KeepOriginalKeepsEachSoundCodecAndTheSoundInStep) {
    QTemporaryDir dir;
    const QString made =
        "-f lavfi -i testsrc2=size=320x180:rate=30 -f lavfi -i aevalsrc=0.1*sin(2*PI*440*t)+0.8*"
        "sin(2*PI*3000*t)*lt(mod(t\\,1)\\,0.004):s=44100 -t %1 -threads 1 -pix_fmt yuv420p -c:v "
        "libx264 -preset ultrafast -x264-params threads=1 %2";
    const QString flac = testsupport::makeWithFfmpeg(
        dir.filePath("late.mkv"), ("-itsoffset 0.1 " + made.arg(6).arg("-ac 2 -c:a flac")).split(' '));
    const QString two = testsupport::makeWithFfmpeg(
        dir.filePath("two.mkv"),
        made.arg(10)
            .arg("-map 0:v -map 1:a -map 1:a -ar 48000 -c:a:0 aac -ac:a:0 2 -c:a:1 ac3 -ac:a:1 6")
            .split(' '));
    for (const QString& src : {two, flac}) {
        Driver d;
        for (int row = 0; row < 2; ++row) {
            d.addFile(src);
            d.selectRow(row);
            if (src == two) {
                Driver::type(d.window->startTimeRow, 2.41 + row * 3.94);
                Driver::type(d.window->stopTimeRow, 5.2 + row * 3.9);
            }
        }
        const QString out = d.join();
        ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
        EXPECT_EQ(testsupport::decodeErrors(out), "");
        QStringList sounds;
        for (const QJsonValue s : testsupport::probe(out)["streams"].toArray())
            sounds << s["codec_name"].toString() + QString::number(s["channels"].toInt());
        EXPECT_EQ(sounds.join(' '), src == two ? "h2640 aac2 ac36" : "h2640 flac2");
        for (const double t : src == flac ? testsupport::clickTimes(testsupport::decodedSound(out), 0.3, 0.4f)
                                          : std::vector<double>{})
            EXPECT_NEAR(std::remainder(t + 0.1 - (t > 5.75 ? 5.9 : 0), 1), 0, 0.053) << t;
    }
}

// Started once the index is held but before the window has heard of it: the join waits for the
// window's move and joins the pictures the window showed in the clip's range.
TEST(JoinWindow, AStartBetweenTheIndexBeingReadAndTheWindowsMoveJoinsThePicturesShown) {
    QTemporaryDir dir;
    const QString ts = testsupport::largeTsJumpingAhead(dir.path());
    Driver d;
    MediaStopReading(1);
    d.addFile(ts);
    d.setRange(25, 27);
    MediaStopReading(0);
    ASSERT_TRUE(testsupport::indexHeldUnheard(ts, *d.window->preview()->player()));
    const QString out = d.join();
    EXPECT_TRUE(answerAlerts().contains(text("indexLineMovedString")));
    d.closeFinishMessage();
    EXPECT_EQ(testsupport::decodedCounters(out), tooltest::numbers(325, 375));
}
