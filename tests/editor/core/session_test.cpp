// The editor's session without its window: the edit state travels into the open file's record
// and back, a refresh applies it to a real player on a real clip, and a refused file leaves
// the open file, its edit state and its player alone.
#include "../../libs/mediaplayer/PlayerTestUtil.h"
#include "EditorTestClips.h"
#include "editor/core/EditorSession.h"
#include "foundation/helpers/HelpClass.h"
#include "foundation/records/AudioStreamInfo.h"
#include "foundation/records/SubtitleParam.h"

#include <QJsonArray>
#include <atomic>
#include <cmath>
#include <gtest/gtest.h>

using playertest::snapshot;
using testsupport::media;

namespace {

const QRect kFrame(0, 0, 320, 240);

// One frame at `seconds` through an ffmpeg filter chain, by the command line.
QImage ffmpegFrame(const QString& path, double seconds, const QString& filters) {
    QTemporaryDir dir;
    const QString out = dir.filePath("frame.png");
    testsupport::run(FFMPEG_EXECUTABLE,
                     {"-v", "error", "-nostdin", "-y", "-ss", QString::number(seconds, 'f', 3), "-i", path,
                      "-vf", filters, "-frames:v", "1", out});
    return QImage(out).convertToFormat(QImage::Format_RGB32);
}

QImage shown(LxMoviePlayer& player, QSize size) {
    return snapshot(player, size.width(), size.height()).convertToFormat(QImage::Format_RGB32);
}

// A session with the player that the window's preview pane makes for each accepted file.
struct Editor {
    EditorSession session;
    std::unique_ptr<LxMoviePlayer> player;

    EditorFileLoader::Result open(const QString& path) {
        EditorFileLoader::Result r = session.openFile(path);
        if (r.data) {
            player = std::make_unique<LxMoviePlayer>(path, kFrame);
            player->seekTime(CMTimeMake(1, 30));
            EditorSession::installCallbacks(*player);
        }
        return r;
    }
    EditorSession::RefreshView refresh(double start, double stop) {
        return session.refreshPlayerView(player.get(), start, stop);
    }
};

} // namespace

TEST(EditorSession, EditStateRoundTripsThroughTheRecord) {
    EditState a;
    a.setTrimRange(1500000.7, 3250000.2);
    a.setRemoveSection(true);
    // Margins of 10, 170, 210 and 20 pixels on a picture of 320 x 240.
    a.setCrop(NSRect{10, 20, 100, 50}, QSizeF(320, 240));
    a.setTurns(270, 1, 1);
    a.setKeepAspectratio(true);
    a.setVolume(1.7);
    a.setAdjustment(-40, 25, -100);
    a.setEffect(5, true);
    a.setEffect(2, true);
    a.editSubtitle([](SubtitleParam& style) {
        style.subtitlePath = "/tmp/lines.srt";
        style.fontSize = 44;
        style.fontColor = QColor(10, 200, 30);
    });

    SimpleData record;
    a.writeInto(record);
    EXPECT_EQ(record.cutTimeRange_start, 1500000);
    EXPECT_EQ(record.cutTimeRange_stop, 3250000);
    EXPECT_NE(record.subtitleParam.get(), &a.subtitle()); // a copy, not shared
    EditState b;
    b.readFrom(record);
    EXPECT_EQ(b.cutTimeRange_start(), 1500000);
    EXPECT_EQ(b.cutTimeRange_stop(), 3250000);
    EXPECT_TRUE(b.isTrimFanxuan());
    EXPECT_EQ(b.editVideoClipRect(), a.editVideoClipRect());
    EXPECT_EQ(b.convertCropSize().top, 170);
    EXPECT_EQ(b.convertCropSize().right, 210);
    EXPECT_EQ(b.playerRotateAngle(), 270);
    EXPECT_EQ(b.hFlip() + b.vFlip(), 2);
    EXPECT_TRUE(b.keepAspectratio());
    EXPECT_DOUBLE_EQ(b.volume(), 1.7);
    EXPECT_EQ(b.brightness(), -40);
    EXPECT_EQ(b.contrast(), 25);
    EXPECT_EQ(b.saturation(), -100);
    EXPECT_EQ(b.selectedEffectTypeIndexs(), (std::vector<int>{2, 5}));
    EXPECT_NE(&b.subtitle(), record.subtitleParam.get());
    EXPECT_EQ(b.subtitle().subtitlePath, "/tmp/lines.srt");
    EXPECT_EQ(b.subtitle().fontSize, 44);
    EXPECT_EQ(b.subtitle().fontColor, QColor(10, 200, 30));

    // Times that are no number or negative never reach the record as one.
    a.setTrimRange(std::nan(""), -5);
    a.writeInto(record);
    EXPECT_EQ(record.cutTimeRange_start, 0);
    EXPECT_EQ(record.cutTimeRange_stop, 0);
}

TEST(EditorSession, WithoutAFileNothingIsDoneAndNothingBreaks) {
    Editor e;
    EditorSession& session = e.session;
    EXPECT_FALSE(e.open(media("not_media.mp4")).data);
    const EditorSession::RefreshView view = e.refresh(1, 2);
    EXPECT_FALSE(session.rewindToRangeStart(nullptr));
    EXPECT_FALSE(view.trimUpper || view.playHead);
    EXPECT_TRUE(view.audioStreamTitles.isEmpty());
    EXPECT_FALSE(session.file().isOpen());
}

TEST(EditorSession, RefreshWithEmptyFieldsTakesTheWholeFileAndResetsTheAdjustments) {
    editortest::ScratchDefaults defaults;
    Editor e;
    EditorSession& session = e.session;
    const QString clip = media("long_10s.mp4");
    ASSERT_TRUE(e.open(clip).data);
    ASSERT_TRUE(e.player.get());
    session.state().setAdjustment(90, 0, 0);
    session.state().setVolume(0.2);
    const EditorSession::RefreshView view = e.refresh(0, 0);
    const double d = testsupport::probeDuration(clip);
    EXPECT_NEAR(view.durationSeconds, d, 0.1);
    EXPECT_DOUBLE_EQ(view.startSeconds, 0);
    EXPECT_DOUBLE_EQ(view.stopSeconds, view.durationSeconds);
    ASSERT_TRUE(view.trimLower && view.trimUpper && view.playHead);
    EXPECT_FLOAT_EQ(*view.trimLower, 0);
    EXPECT_FLOAT_EQ(*view.trimUpper, 1);
    EXPECT_FLOAT_EQ(*view.playHead, 0);
    EXPECT_FALSE(view.isTrimFanxuan);
    EXPECT_EQ(session.state().brightness(), 0);
    EXPECT_DOUBLE_EQ(session.state().volume(), 1.0);
    const SimpleData& record = *session.file().fileData;
    EXPECT_EQ(record.brightness, 0);
    EXPECT_DOUBLE_EQ(record.volume, 1.0);
    EXPECT_EQ(record.cutTimeRange_start, 0);
    // The record keeps the range as typed (0 = whole file); the window works on the whole file.
    EXPECT_EQ(record.cutTimeRange_stop, 0);
    EXPECT_NEAR(session.state().cutTimeRange_stop(), view.durationSeconds * 1e6, 1);

    // A range past the end of the file is not kept: the whole file is.
    const EditorSession::RefreshView past = e.refresh(4, 99);
    EXPECT_DOUBLE_EQ(past.startSeconds, 0);
    EXPECT_DOUBLE_EQ(past.stopSeconds, past.durationSeconds);
}

TEST(EditorSession, RefreshShowsTheKeptRotationAndMirrorAtTheRangeStart) {
    editortest::ScratchDefaults defaults;
    Editor e;
    EditorSession& session = e.session;
    const QString clip = media("long_10s.mp4");
    ASSERT_TRUE(e.open(clip).data);
    session.state().setTurns(90, 1, 0);
    const EditorSession::RefreshView view = e.refresh(6.0, 8.5);
    EXPECT_DOUBLE_EQ(view.startSeconds, 6.0);
    EXPECT_DOUBLE_EQ(view.stopSeconds, 8.5);
    ASSERT_TRUE(view.playHead);
    EXPECT_NEAR(*view.playHead, 0.6, 0.01);
    const SimpleData& record = *session.file().fileData;
    EXPECT_EQ(record.cutTimeRange_start, 6000000);
    EXPECT_EQ(record.cutTimeRange_stop, 8500000);
    EXPECT_EQ(record.convertRateAngle, 90);
    EXPECT_EQ(record.hFlip, 1);

    // The player shows the frame at 6 s mirrored, then turned a quarter clockwise, as the
    // ffmpeg command line makes it; not the frame merely turned, nor the one at the start.
    const QSize upright(240, 320);
    const QImage picture = shown(*e.player.get(), upright);
    ASSERT_EQ(picture.size(), upright);
    EXPECT_LT(testsupport::meanAbsDiff(picture, ffmpegFrame(clip, 6.0, "hflip,transpose=1")), 8);
    EXPECT_GT(testsupport::meanAbsDiff(picture, ffmpegFrame(clip, 6.0, "transpose=1")), 20);
    EXPECT_GT(testsupport::meanAbsDiff(picture, ffmpegFrame(clip, 0.0, "hflip,transpose=1")), 8);
}

TEST(EditorSession, AtTheEndOfPlayThePlayerGoesBackToTheRangeStart) {
    editortest::ScratchDefaults defaults;
    Editor e;
    EditorSession& session = e.session;
    ASSERT_TRUE(e.open(media("h264_aac.mp4")).data);
    const EditorSession::RefreshView view = e.refresh(1.5, 3.0);
    std::atomic<bool> ended{false};
    e.player.get()->setPlayerDidEndBlock([&ended] { ended = true; });
    e.player.get()->seekTime(CMTimeMakeWithSeconds(3.7, 1000000000));
    e.player.get()->play();
    ASSERT_TRUE(playertest::waitFor([&] { return ended.load(); }, 60000));
    const std::optional<float> head = session.rewindToRangeStart(e.player.get());
    ASSERT_TRUE(head);
    EXPECT_NEAR(*head, 1.5 / view.durationSeconds, 1e-4);
    EXPECT_EQ(e.player.get()->playerStatus(), 0);
    EXPECT_NEAR(CMTimeGetSeconds(e.player.get()->currentTime()), 1.5, 0.01);
    const QImage atStart = shown(*e.player.get(), QSize(320, 240));
    EXPECT_LT(testsupport::meanAbsDiff(atStart, testsupport::ffmpegFrameAt(media("h264_aac.mp4"), 1.5)), 6);
}

TEST(EditorSession, ANewFileKeepsRotationButDropsWhatBelongedToTheOldOne) {
    editortest::ScratchDefaults defaults;
    Editor e;
    EditorSession& session = e.session;
    ASSERT_TRUE(e.open(media("h264_aac.mp4")).data);
    e.refresh(0, 0);
    EditState& s = session.state();
    s.setTurns(180, 0, 1);
    s.setRemoveSection(true);
    s.setEffect(3, true);
    s.editSubtitle([](SubtitleParam& style) { style.subtitlePath = "/tmp/old.srt"; });
    s.setCrop(NSRect{20, 20, 280, 200}, QSizeF(320, 240));

    ASSERT_TRUE(e.open(media("long_10s.mp4")).data);
    const EditorSession::RefreshView view = e.refresh(0, 0);
    EXPECT_NEAR(view.durationSeconds, 10, 0.1);
    EXPECT_EQ(s.playerRotateAngle(), 180);
    EXPECT_EQ(s.vFlip(), 1);
    EXPECT_FALSE(s.isTrimFanxuan());
    EXPECT_TRUE(s.selectedEffectTypeIndexs().empty());
    EXPECT_TRUE(s.subtitle().subtitlePath.isEmpty());
    EXPECT_EQ(s.convertCropSize().left + s.convertCropSize().top + s.convertCropSize().right +
                  s.convertCropSize().bottom,
              0);
    EXPECT_TRUE(session.file().fileData->effectTypes.empty());
    EXPECT_EQ(session.file().fileData->convertRateAngle, 180);
}

TEST(EditorSession, SoundStreamMenuNamesEachPlayableStream) {
    editortest::ScratchDefaults defaults;
    Editor e;
    const QString clip = editortest::multiSoundClip();
    ASSERT_TRUE(e.open(clip).data);
    const QStringList titles = e.refresh(0, 0).audioStreamTitles;
    QJsonObject mp3;
    for (const auto& s : testsupport::probe(clip).value("streams").toArray())
        if (s.toObject().value("codec_name") == "mp3")
            mp3 = s.toObject();
    ASSERT_FALSE(mp3.isEmpty());
    EXPECT_EQ(titles, QStringList({"Commentary(2 44100)",
                                   "fra " + mp3.value("sample_fmt").toString() + "(1 48000)"}));
}
