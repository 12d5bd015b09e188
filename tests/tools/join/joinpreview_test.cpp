// The join window's preview, strip and per-clip parts on real clips: the default-format clip's
// whole format, transitions after removed ranges,
// the rows' export bars and snapshots of the frame shown.
#include "JoinDriver.h"
#include "TestSupport.h"
#include "foundation/controls/LxCutProgressView.h"
#include "foundation/controls/NSProgressView.h"
#include "foundation/controls/ZylButton.h"
#include "foundation/records/SimpleData.h"
#include "platform/Workspace.h"
#include "tools/shared/JoinnerCell.h"
#include "tools/shared/JoinnerTableView.h"
#include "tools/shared/PreviewPane.h"
#include "tools/shared/RowProgress.h"

#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QUrl>
#include <gtest/gtest.h>

using namespace jointest;

namespace {
double rate(const QJsonObject& stream) {
    const QStringList r = stream["avg_frame_rate"].toString().split('/');
    return r.size() == 2 && r[1].toDouble() > 0 ? r[0].toDouble() / r[1].toDouble() : 0;
}

void chooseTransition(JoinnerCell* row, int effect) {
    row->effectBtn->setCurrentIndex(effect);
    emit row->effectBtn->activated(effect);
    settle();
}
} // namespace

TEST(JoinPreview, TheDefaultFormatClipGivesItsCodecSizeAndRate) {
    Driver d;
    d.addFile(testsupport::media("mpeg4_mp3.avi"));
    d.addFile(testsupport::media("ntsc_29_97.mp4"));
    d.chooseFormat("Video / mp4(H.264)");
    click(d.window->fileListTableView->row(1)->defaultoutputformat);
    ASSERT_TRUE(d.window->fileList()[1]->defaultFormat);
    EXPECT_FALSE(d.formatChoiceEnabled()) << "the clip's own format locks the browser";
    const QString out = d.join();
    ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
    EXPECT_EQ(QFileInfo(out).suffix(), "mp4");
    const QJsonObject v = testsupport::probeStream(out, "video");
    EXPECT_EQ(v["codec_name"].toString(), "h264");
    EXPECT_EQ(v["width"].toInt(), 320);
    EXPECT_EQ(v["height"].toInt(), 240);
    EXPECT_NEAR(rate(v), 30000.0 / 1001.0, 0.05) << "29.97 stays 29.97";
    const QJsonObject a = testsupport::probeStream(out, "audio");
    EXPECT_EQ(a["codec_name"].toString(), "aac");
    EXPECT_EQ(a["sample_rate"].toString(), "44100");
    EXPECT_NEAR(testsupport::probeDuration(out), 8.0, 0.3);
}

TEST(JoinPreview, ATransitionAfterARemovedRangeLastsOneSecond) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    d.addFile(testsupport::media("h264_aac.mp4"));
    d.selectRow(0);
    // The last row has no transition into a next clip.
    EXPECT_TRUE(d.window->fileListTableView->row(1)->effectBtn->isHidden());
    EXPECT_FALSE(d.window->fileListTableView->row(0)->effectBtn->isHidden());
    Driver::type(d.window->startTimeRow, "00:00:02.00");
    Driver::type(d.window->stopTimeRow, "00:00:05.00");
    click(d.window->unSelectTimeBtn);
    chooseTransition(d.window->fileListTableView->row(0), 3);
    ASSERT_EQ(d.window->fileList()[0]->transitionEffect, 3);
    const QString out = d.join();
    ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
    // 2 s + 5 s kept of the first clip and 4 s of the second, overlapping by the 1 s fade.
    EXPECT_NEAR(testsupport::probeDuration(out), 10.0, 0.2);
}

TEST(JoinPreview, EachRowShowsItsShareOfTheJoinWhileItRuns) {
    Driver d;
    d.addFile(testsupport::longClip());
    d.addFile(testsupport::media("h264_aac.mp4"));
    RowProgress* first = d.window->fileListTableView->row(0)->progress;
    EXPECT_FALSE(first->isShown()) << "no bar while idle";
    click(d.window->startJoinnerBtn);
    std::vector<double> seen;
    waitUntil(
        [&] {
            if (first->isShown() && (seen.empty() || first->value() != seen.back()))
                seen.push_back(first->value());
            return !d.window->isJoining();
        },
        120000);
    settle(100);
    ASSERT_NE(d.finishMessage(), nullptr);
    ASSERT_GE(seen.size(), 2u) << "the first row's bar moved during the join";
    EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
    EXPECT_GT(seen.back(), seen.front());
    EXPECT_FALSE(first->isShown()) << "hidden again at the end";
}

TEST(JoinPreview, ASnapshotIsTheFrameShown) {
    Driver d;
    const QString clip = testsupport::media("long_10s.mp4");
    d.addFile(clip);
    ASSERT_NE(d.window->preview()->player(), nullptr);
    // The play head dragged to the middle of the clip.
    d.window->cutProgressView->delegate()->actionSeekToTimeForCutProgressViewBlock(d.window->cutProgressView,
                                                                                   0.5f);
    settle(200);
    EXPECT_NEAR(d.window->preview()->currentTime(), 5.0, 0.05);
    EXPECT_EQ(d.window->leftTimeLabel->text(), "00:00:05.00");

    // The format pop-up: shown by its button, hidden again by a choice.
    click(d.window->cutcoverStyleBtn);
    ASSERT_FALSE(d.window->coverStylePopBtn->isHidden());
    EXPECT_GT(d.window->volumeBtn->x(), d.window->coverStylePopBtn->geometry().right());
    const int jpg = d.window->coverStylePopBtn->findData("jpg");
    ASSERT_GE(jpg, 0);
    d.window->coverStylePopBtn->setCurrentIndex(jpg);
    emit d.window->coverStylePopBtn->activated(jpg);
    EXPECT_TRUE(d.window->coverStylePopBtn->isHidden());

    click(d.window->cutCoverBtn);
    // The picture is saved once the player hands it over, later on a loaded machine.
    QStringList shots;
    waitUntil([&] {
        shots = QDir(d.window->outputPath()).entryList({"*.jpg"}, QDir::Files);
        return !shots.isEmpty() && !QImage(QDir(d.window->outputPath()).filePath(shots.front())).isNull();
    });
    ASSERT_EQ(shots.size(), 1);
    QImage shot(QDir(d.window->outputPath()).filePath(shots.front()));
    ASSERT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(320, 240));
    shot = shot.convertToFormat(QImage::Format_RGB32);
    const double same = testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, 5.0));
    const double other = testsupport::meanAbsDiff(shot, testsupport::ffmpegFrameAt(clip, 2.0));
    EXPECT_LT(same, other / 2) << same << " vs " << other;
}

TEST(JoinPreview, ThePlayHeadSetsTheRangeAndMuteLeavesTheClipsVolume) {
    Driver d;
    d.addFile(testsupport::media("long_10s.mp4"));
    LxCutProgressViewDelegate* bar = d.window->cutProgressView->delegate();
    SimpleData& clip = *d.window->fileList()[0];
    bar->actionSeekToTimeForCutProgressViewBlock(d.window->cutProgressView, 0.5f);
    settle(100);
    click(d.window->startCutTimeBtn);
    EXPECT_EQ(clip.cutTimeRange_start, 5000000);
    EXPECT_EQ(Driver::shown(d.window->startTimeRow), "00:00:05.00");
    // A stop before the start takes the start back to the beginning.
    bar->actionSeekToTimeForCutProgressViewBlock(d.window->cutProgressView, 0.2f);
    settle(100);
    click(d.window->stopCutTimeBtn);
    EXPECT_EQ(clip.cutTimeRange_start, 0);
    EXPECT_EQ(clip.cutTimeRange_stop, 2000000);
    EXPECT_EQ(d.window->fileListTableView->row(0)->cuttedTimeLabel->text(), "00:00:02.00");

    // Play runs the play head; stop rewinds the player.
    click(d.window->playBtn);
    EXPECT_TRUE(d.window->preview()->isPlaying());
    EXPECT_TRUE(d.window->playBtn->selected());
    click(d.window->stopBtn);
    EXPECT_FALSE(d.window->preview()->isPlaying());
    EXPECT_FALSE(d.window->playBtn->selected());
    EXPECT_NEAR(d.window->preview()->currentTime(), 0.0, 0.05);

    d.setVolumeSlider(0.75);
    const double gain = clip.volume;
    EXPECT_NEAR(gain, 1.5, 0.05);
    click(d.window->volumeBtn);
    EXPECT_TRUE(d.window->preview()->isMuted());
    click(d.window->volumeBtn);
    EXPECT_FALSE(d.window->preview()->isMuted());
    EXPECT_DOUBLE_EQ(d.window->preview()->volume(), gain) << "unmuting gives the clip's gain back";
    EXPECT_DOUBLE_EQ(clip.volume, gain);
}

TEST(JoinPreview, TheMailIconWritesToSupport) {
    Driver d;
    QUrl opened;
    Workspace::setOpenHandlerForTesting([&](const QUrl& url) {
        opened = url;
        return true;
    });
    ASSERT_TRUE(d.window->emailIconView->isVisible());
    EXPECT_EQ(d.window->email_addressLabel->text(), text("email_address"));
    click(d.window->emailIconView);
    settle();
    Workspace::setOpenHandlerForTesting(nullptr);
    EXPECT_EQ(opened.scheme(), "mailto");
    EXPECT_TRUE(opened.toString(QUrl::FullyEncoded).contains("Subject=%20&body=%20"))
        << opened.toString().toStdString();
    d.addFile(testsupport::media("h264_aac.mp4"));
    EXPECT_FALSE(d.window->emailIconView->isVisible()) << "only in the empty list";
}

TEST(JoinPreview, TheRevealButtonShowsTheOutputFolder) {
    Driver d;
    ASSERT_NE(d.window->openOutputFolderBtn, nullptr);
    const QRect reveal = d.window->openOutputFolderBtn->geometry();
    // Between the folder pop-up and the progress label.
    EXPECT_GE(reveal.left(), d.window->outputFolderBtn->geometry().right());
    EXPECT_LE(reveal.right(), d.window->joinnerProgressView->geometry().left());
    QUrl opened;
    Workspace::setOpenHandlerForTesting([&](const QUrl& url) {
        opened = url;
        return true;
    });
    click(d.window->openOutputFolderBtn);
    settle();
    Workspace::setOpenHandlerForTesting(nullptr);
    EXPECT_EQ(opened, QUrl::fromLocalFile(d.window->outputPath()));
}

TEST(JoinPreview, TheListsExportBarsFollowTheirRows) {
    Driver d;
    d.addFile(testsupport::media("h264_aac.mp4"));
    d.addFile(testsupport::media("long_10s.mp4"));
    JoinnerTableView* list = d.window->fileListTableView;
    // The clip added last (10 s) is in the preview; a suppressed selection keeps it there.
    ASSERT_NEAR(d.window->preview()->duration(), 10.0, 0.1);
    list->setDisabelSelectBlock(true);
    list->showProgress(0);
    EXPECT_EQ(list->selectedIndex(), 0);
    EXPECT_NEAR(d.window->preview()->duration(), 10.0, 0.1);
    EXPECT_TRUE(list->row(0)->progress->isShown());
    list->setExportProgress(0.5);
    EXPECT_TRUE(list->row(0)->progress->isShown());
    EXPECT_DOUBLE_EQ(list->row(0)->progress->value(), 0.5);
    list->setExportProgress(1.0);
    EXPECT_FALSE(list->row(0)->progress->isShown()) << "a finished file shows no bar";
    list->showProgress(1);
    list->hiddenProgress(1);
    EXPECT_FALSE(list->row(1)->progress->isShown());
    list->showProgress(7); // no such row: nothing
    EXPECT_EQ(list->selectedIndex(), 1);
    // A click clears the suppression: the clicked clip plays in the preview.
    d.selectRow(0);
    EXPECT_FALSE(list->disabelSelectBlock());
    waitUntil([&] { return std::abs(d.window->preview()->duration() - 4.0) < 0.1; });
    EXPECT_NEAR(d.window->preview()->duration(), 4.0, 0.1);
}

TEST(JoinPreview, RowsTheirBoxAndRemoveAsTheListDrawsThem) {
    Driver d;
    const QStringList four(4, testsupport::media("h264_aac.mp4"));
    ASSERT_EQ(d.window->addFiles(four), 4);
    d.selectRow(2);
    JoinnerTableView* list = d.window->fileListTableView;
    auto fill = [&](int i) { return list->row(i)->grab().toImage().pixelColor(1, 1); };
    EXPECT_EQ(fill(2), QColor(90, 216, 238));
    EXPECT_EQ(fill(1), QColor(237, 237, 237));
    // The box is a picture button showing the ticked picture while the clip gives the format.
    ZylButton* box = list->row(1)->defaultoutputformat;
    EXPECT_EQ(box->currentImageName(), "Join/CheckBox_NoCheck.bmp");
    click(box);
    EXPECT_TRUE(box->selected());
    EXPECT_TRUE(d.window->fileList()[1]->defaultFormat);
    EXPECT_EQ(box->currentImageName(), "Join/CheckBox_Checked.bmp");
    // Removing the selected third clip of four selects the first.
    click(d.window->removeBtn);
    ASSERT_EQ(d.window->fileList().size(), 3u);
    EXPECT_EQ(list->selectedIndex(), 0);
}

TEST(JoinPreview, SoundFormatsWriteSoundOnlyWhateverTheTransition) {
    for (const char* format : {"Audio / mp3", "Audio / m4a", "Audio / Keep Original"}) {
        SCOPED_TRACE(format);
        Driver d;
        d.addFile(testsupport::media("h264_aac.mp4"));
        d.addFile(testsupport::media("h264_aac.mp4"));
        chooseTransition(d.window->fileListTableView->row(0), 1);
        d.chooseFormat(format);
        const QString out = d.join();
        ASSERT_NE(d.finishMessage(), nullptr) << answerAlerts().join(";").toStdString();
        EXPECT_EQ(testsupport::probeStreamCount(out, "video"), 0);
        EXPECT_EQ(testsupport::probeStreamCount(out, "audio"), 1);
    }
}
