// The editor's export on real clips, run on a job chain as the window runs it and judged with
// ffprobe and by pixels: the chosen format, a keep-format trim on its frames, a deleted middle
// section, names already taken, and cancelling each pass.
#include "../../tools/shared/ToolWindowDriver.h"
#include "EditorTestClips.h"
#include "editor/core/EditorExport.h"
#include "editor/core/EditorProfileChoice.h"
#include "editor/core/EditorSession.h"
#include "foundation/records/SimpleData.h"
#include "profiles/ProfileSet.h"
#include "tools/shared/JobChain.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>

using namespace tooltest;

namespace {

class EditorExportTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(out_.isValid()); }

    // Opens path and commits a range (seconds; stop 0 = whole file) in keep or delete mode.
    std::shared_ptr<SimpleData> record(const QString& path, double start = 0, double stop = 0,
                                       bool remove = false) {
        const EditorFileLoader::Result r = session_.openFile(path);
        EXPECT_TRUE(r.data != nullptr) << path.toStdString();
        EditState& st = session_.state();
        st.setTrimRange(start * 1e6, stop * 1e6);
        st.setRemoveSection(remove);
        st.writeInto(*session_.file().fileData);
        return session_.file().fileData;
    }
    EditorConvertJob::Settings settings(std::shared_ptr<SimpleData> rec) {
        EditorConvertJob::Settings s;
        s.record = std::move(rec);
        return s;
    }

    // Runs the plan's jobs; cancelIndex cancels that job once it has made some progress.
    JobChain::Outcome run(EditorExport& plan, int cancelIndex = -1) {
        JobChain chain;
        bool ended = false;
        JobChain::Outcome outcome = JobChain::Outcome::Failed;
        chain.progressChanged = [&](double overall) {
            progress_.push_back(overall);
            const double within = overall * chain.count() - chain.currentIndex();
            if (chain.currentIndex() == cancelIndex && within > 0.05 && !chain.isCancelling())
                chain.cancel();
        };
        chain.finished = [&](JobChain::Outcome o, int error) {
            outcome = o;
            error_ = error;
            plan.removeParts();
            ended = true;
        };
        EXPECT_TRUE(chain.start(plan.jobCount(), [&](int i, int* e) { return plan.makeJob(i, e); }));
        EXPECT_TRUE(waitUntil([&] { return ended; }, 300000));
        return outcome;
    }

    QStringList files() const { return QDir(out_.path()).entryList(QDir::Files | QDir::Hidden); }
    QString folder() const { return out_.path(); }

    editortest::ScratchDefaults defaults_;
    EditorSession session_;
    QTemporaryDir out_;
    std::vector<double> progress_;
    int error_ = 0;
};

double streamRate(const QJsonObject& s) {
    const QStringList r = s.value("r_frame_rate").toString().split('/');
    return r.size() == 2 && r[1].toDouble() > 0 ? r[0].toDouble() / r[1].toDouble() : 0;
}

// The frame of a 25 fps clip at frame number n, decoded by ffmpeg.
QImage frame(const QString& path, int n) {
    return testsupport::ffmpegFrameAt(path, (n - 0.25) / 25.0);
}

TEST_F(EditorExportTest, AChosenProfileGivesItsContainerCodecsSizeRateAndBitRate) {
    // The shipped avi profile, with a frame size and rate chosen in its settings window.
    auto rec = record(testsupport::media("h264_aac.mp4"));
    const ProfileSet set = ProfileSet::editor();
    EditorOutputChoices chosen;
    EditorProfileChoice::choose("Video", "avi", set.profilePath("Video", "avi"), chosen, rec.get());
    EXPECT_EQ(rec->targetData->extension, "avi");
    EXPECT_EQ(rec->targetData->bitrate, 3000);
    UserDefaults& d = UserDefaults::standardUserDefaults();
    EXPECT_EQ(d.stringForKey("vcodec_SelectTitle"), "mpeg4");
    EXPECT_FALSE(d.hasKey("resolution_SelectTitle")); // the profile keeps the source's size
    d.setObject("Custom", "resolution_SelectTitle");
    d.setInteger(640, "resolutionSelectCustom-Width");
    d.setInteger(360, "resolutionSelectCustom-Height");
    EditorProfileChoice::settingChanged(2, chosen, *rec);
    EXPECT_EQ(chosen.resolution, "640x360");
    EXPECT_EQ(rec->targetData->width, 640);
    d.setObject("30", "framerate_SelectTitle");
    d.setObject("1500", "bitate_SelectTitle");
    d.setObject("1", "achannel_SelectTitle");
    d.setObject("48000", "asamplerate_SelectTitle");
    d.setObject("96", "abitate_SelectTitle");
    EditorProfileChoice::settingsRestored(chosen, *rec);
    EXPECT_EQ(rec->targetData->bitrate, 1500);
    EXPECT_EQ(rec->targetData->a_samplerate, 48000);

    EditorConvertJob::Settings s = settings(rec);
    s.choices = EditorOutputChoices::fromUserDefaults();
    s.customWidth = int(d.integerForKey("resolutionSelectCustom-Width"));
    s.customHeight = int(d.integerForKey("resolutionSelectCustom-Height"));
    EXPECT_FALSE(EditorConvertJob::isPlainCut(s));
    EditorExport plan(s, folder());
    ASSERT_EQ(plan.jobCount(), 1);
    ASSERT_EQ(run(plan), JobChain::Outcome::Completed) << error_;
    ASSERT_EQ(files(), QStringList{"h264_aac.avi"});

    const QString out = folder() + "/h264_aac.avi";
    EXPECT_EQ(testsupport::probe(out).value("format").toObject().value("format_name").toString(), "avi");
    const QJsonObject v = testsupport::probeStream(out, "video");
    EXPECT_EQ(v.value("codec_name").toString(), "mpeg4");
    EXPECT_EQ(v.value("width").toInt(), 640);
    EXPECT_EQ(v.value("height").toInt(), 360);
    EXPECT_NEAR(streamRate(v), 30.0, 0.01);
    const QJsonObject a = testsupport::probeStream(out, "audio");
    EXPECT_EQ(a.value("codec_name").toString(), "mp3");
    EXPECT_EQ(a.value("channels").toInt(), 1);
    EXPECT_EQ(a.value("sample_rate").toString(), "48000");
    EXPECT_NEAR(a.value("bit_rate").toString().toDouble(), 96000, 8000);
    // The whole file's rate: about the chosen video and audio rates together.
    const double total =
        testsupport::probe(out).value("format").toObject().value("bit_rate").toString().toDouble();
    EXPECT_GT(total, 0.6 * 1596000);
    EXPECT_LT(total, 1.4 * 1596000);
    EXPECT_NEAR(testsupport::probeDuration(out), 4.0, 0.15);
}

TEST_F(EditorExportTest, KeepOriginalReadsNoFileAndClearsTheStoredFormat) {
    auto rec = record(testsupport::media("h264_aac.mp4"));
    EditorOutputChoices chosen;
    const ProfileSet set = ProfileSet::editor();
    EditorProfileChoice::choose("Video", "mp4(HEVC)", set.profilePath("Video", "mp4(HEVC)"), chosen,
                                rec.get());
    ASSERT_TRUE(UserDefaults::standardUserDefaults().hasKey("vcodec_SelectTitle"));
    // Even with a path of another profile, the name decides.
    EditorProfileChoice::choose("Video", "Keep Original", set.defaultProfilePath(), chosen, rec.get());
    for (const char* key : {"extName_SelectTitle", "vcodec_SelectTitle", "resolution_SelectTitle",
                            "framerate_SelectTitle", "bitate_SelectTitle", "acodec_SelectTitle",
                            "achannel_SelectTitle", "asamplerate_SelectTitle", "abitate_SelectTitle"})
        EXPECT_FALSE(UserDefaults::standardUserDefaults().hasKey(key)) << key;
    EXPECT_EQ(rec->targetData->extension, rec->sourceData->extension);
    EXPECT_EQ(rec->targetData->metadata_vcodec, rec->sourceData->metadata_vcodec);
    EditorConvertJob::Settings s = settings(rec);
    s.choices = EditorOutputChoices::fromUserDefaults();
    EXPECT_TRUE(EditorConvertJob::isPlainCut(s));
    // The sound category's keeps the sound alone, in a file of its kind.
    EditorProfileChoice::choose("Audio", "Keep Original", set.profilePath("Audio", "Keep Original"), chosen,
                                rec.get());
    EXPECT_EQ(rec->targetData->extension, "m4a");
}

TEST_F(EditorExportTest, AKeepFormatTrimStartsAndEndsOnTheRequestedFrames) {
    const QString src = testsupport::media("long_10s.mp4");
    // Frames 32 to 84: both ends inside a group of pictures (a keyframe every 50 frames).
    auto rec = record(src, 1.28, 3.4);
    EditorConvertJob::Settings s = settings(rec);
    ASSERT_TRUE(EditorConvertJob::isPlainCut(s));
    EditorExport plan(s, folder());
    ASSERT_EQ(plan.jobCount(), 1);
    ASSERT_EQ(run(plan), JobChain::Outcome::Completed) << error_;
    const QString out = folder() + "/long_10s.mp4";
    ASSERT_EQ(files(), QStringList{"long_10s.mp4"});
    EXPECT_EQ(testsupport::probeStream(out, "video").value("codec_name").toString(), "h264");
    EXPECT_EQ(testsupport::probeFrameCount(out), 53);
    EXPECT_LT(testsupport::meanAbsDiff(frame(out, 0), frame(src, 32)), 4.0);
    EXPECT_GT(testsupport::meanAbsDiff(frame(out, 0), frame(src, 31)), 4.0);
    EXPECT_LT(testsupport::meanAbsDiff(frame(out, 52), frame(src, 84)), 4.0);
    EXPECT_GT(testsupport::meanAbsDiff(frame(out, 52), frame(src, 85)), 4.0);
}

TEST_F(EditorExportTest, DeletingAMiddleSectionJoinsTheOuterPartsAndLeavesOtherFilesAlone) {
    const QString src = testsupport::media("long_10s.mp4");
    // Files already named as the parts and the final file would be: none may be touched.
    for (const char* name : {"befor_long_10s.mp4", "behand_long_10s.mp4", "long_10s.mp4"}) {
        QFile f(folder() + "/" + QString(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("not a video, the user's own file");
    }
    // Frames 77 to 154 go; 0..76 and 155..249 stay.
    auto rec = record(src, 3.08, 6.2, true);
    EditorExport plan(settings(rec), folder());
    ASSERT_EQ(plan.jobCount(), 3);
    EXPECT_EQ(plan.finalPath(), folder() + "/long_10s(2).mp4");
    for (const QString& part : plan.partPaths())
        EXPECT_FALSE(QFileInfo::exists(part)) << part.toStdString();

    ASSERT_EQ(run(plan), JobChain::Outcome::Completed) << error_;
    QStringList expected{"befor_long_10s.mp4", "behand_long_10s.mp4", "long_10s(2).mp4", "long_10s.mp4"};
    EXPECT_EQ(files(), expected);
    for (const char* name : {"befor_long_10s.mp4", "behand_long_10s.mp4", "long_10s.mp4"}) {
        QFile f(folder() + "/" + QString(name));
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        EXPECT_EQ(f.readAll(), QByteArray("not a video, the user's own file"));
    }
    // Progress moved through the thirds of two passes and the join.
    ASSERT_FALSE(progress_.empty());
    EXPECT_GT(progress_.back(), 2.0 / 3.0);

    const QString out = folder() + "/long_10s(2).mp4";
    EXPECT_EQ(testsupport::probeFrameCount(out), 77 + 95);
    EXPECT_NEAR(testsupport::probeDuration(out), 172 / 25.0, 0.1);
    EXPECT_LT(testsupport::meanAbsDiff(frame(out, 76), frame(src, 76)), 4.0);
    // The frame after the seam is the source's frame after the section.
    EXPECT_LT(testsupport::meanAbsDiff(frame(out, 77), frame(src, 155)), 4.0);
    EXPECT_GT(testsupport::meanAbsDiff(frame(out, 77), frame(src, 154)), 4.0);
}

TEST_F(EditorExportTest, ASectionTouchingAnEndGivesOnePassAndTheWholeFileCannotGo) {
    const QString src = testsupport::media("long_10s.mp4");
    auto rec = record(src, 0, 4.0, true);
    {
        EditorExport plan(settings(rec), folder());
        ASSERT_EQ(plan.jobCount(), 1);
        EXPECT_TRUE(plan.partPaths().isEmpty());
        ASSERT_EQ(run(plan), JobChain::Outcome::Completed) << error_;
    }
    EXPECT_EQ(files(), QStringList{"long_10s.mp4"});
    const QString out = folder() + "/long_10s.mp4";
    EXPECT_EQ(testsupport::probeFrameCount(out), 150);
    EXPECT_LT(testsupport::meanAbsDiff(frame(out, 0), frame(src, 100)), 4.0);

    const auto tail = EditorExport::keptRanges(*record(src, 6.0, 10.0, true));
    ASSERT_EQ(tail.size(), 1u);
    EXPECT_EQ(tail[0].startUs, 0);
    EXPECT_EQ(tail[0].endUs, 6000000);
    EXPECT_TRUE(EditorExport::keptRanges(*record(src, 0, 10.0, true)).empty());
    // What rounding leaves of a section meant to reach an end is no part of its own.
    EXPECT_EQ(EditorExport::keptRanges(*record(src, 0.005, 4.0, true)).size(), 1u);
    EXPECT_FALSE(EditorExport(settings(record(src, 0, 10.0, true)), folder()).isValid());
}

TEST_F(EditorExportTest, CancellingEitherPassLeavesNothingBehind) {
    // A clip whose cuts re-encode (one keyframe only), so each pass runs long enough to stop.
    const QString src = testsupport::longClip();
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        auto rec = record(src, 20.0, 30.0, true);
        EditorExport plan(settings(rec), folder());
        ASSERT_EQ(plan.jobCount(), 3);
        EXPECT_EQ(run(plan, pass), JobChain::Outcome::Cancelled);
        EXPECT_TRUE(files().isEmpty()) << files().join(", ").toStdString();
    }
}

TEST(EditorConvertJobRules, FrameSizeAndSoundLevelFromTheStoredFormat) {
    editortest::ScratchDefaults defaults;
    EditorSession session;
    ASSERT_TRUE(session.openFile(testsupport::media("h264_aac.mp4")).data);
    EditorConvertJob::Settings s;
    s.record = session.file().fileData;
    s.choices.resolution = "1280x720";
    EXPECT_EQ(EditorConvertJob::chosenFrameSize(s), (std::pair{1280, 720}));
    s.choices.resolution = "Custom";
    s.customWidth = 1280;
    EXPECT_EQ(EditorConvertJob::chosenFrameSize(s), (std::pair{1280, s.record->targetData->height}));
    s.choices.resolution = " ";
    EXPECT_EQ(EditorConvertJob::chosenFrameSize(s), (std::pair{0, 0}));
    // The adjust panel's volume and the music panel's level of the file's own sound multiply.
    session.file().fileData->volume = 1.5;
    s.originalSoundLevel = 0.5;
    EXPECT_DOUBLE_EQ(EditorConvertJob::mainAudioVolume(s), 0.75);
    EXPECT_FALSE(EditorConvertJob::isPlainCut(s));
}

} // namespace
