// What the join job is given: engine clips, transition lengths, volume percent, and the
// encoding and extension of a profile.
#include "TestSupport.h"
#include "foundation/records/SimpleData.h"
#include "platform/BundlePaths.h"
#include "tools/join/JoinFormat.h"
#include "tools/join/JoinPlan.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {
std::shared_ptr<SimpleData> clip(const QString& path, double seconds, int64_t start = 0, int64_t stop = 0) {
    auto c = std::make_shared<SimpleData>();
    c->path = path;
    c->sourceData->duration = float(seconds);
    c->targetData->width = 1920;
    c->targetData->height = 1080;
    c->targetData->bitrate = 4000;
    c->cutTimeRange_start = start;
    c->cutTimeRange_stop = stop;
    return c;
}
QString joinProfile(const QString& category, const QString& item) {
    return bundle::resourcePath() + "/Settings.bundle/pf_join/" + category + "/" + item + ".pf";
}
} // namespace

TEST(JoinPlan, TransitionsTakeAThirdOfTheShorterPieceUpToThreeSeconds) {
    auto a = clip("a.mp4", 4), b = clip("b.mp4", 10);
    a->transitionEffect = 3;
    b->transitionEffect = 1; // the last clip's transition is never passed
    auto clips = JoinPlan::clips({a, b});
    ASSERT_EQ(clips.size(), 2u);
    EXPECT_EQ(clips[0].transition, 3);
    EXPECT_EQ(clips[0].transitionUs, 1333333);
    EXPECT_EQ(clips[1].transition, 0);

    a = clip("a.mp4", 1.2);
    a->transitionEffect = 2;
    EXPECT_EQ(JoinPlan::clips({a, b})[0].transition, 0) << "0.4 s is too short";
    a = clip("a.mp4", 20);
    a->transitionEffect = 2;
    EXPECT_EQ(JoinPlan::clips({a, clip("c.mp4", 30)})[0].transitionUs, 3000000);
}

TEST(JoinPlan, RemoveClipsKeepWhatLiesAroundTheirRange) {
    auto r = clip("r.mp4", 12, 2000000, 5000000);
    r->isTrimFanxuan = true;
    auto k = clip("k.mp4", 20);
    k->transitionEffect = 1;
    auto clips = JoinPlan::clips({k, r});
    ASSERT_EQ(clips.size(), 3u);
    EXPECT_EQ(clips[0].startUs, 0);
    EXPECT_EQ(clips[0].endUs, 0) << "the whole file";
    EXPECT_EQ(clips[0].transitionUs, 3000000) << "9 s follow";
    EXPECT_EQ(clips[1].startUs, 0);
    EXPECT_EQ(clips[1].endUs, 2000000);
    EXPECT_EQ(clips[2].startUs, 5000000);
    EXPECT_EQ(clips[2].endUs, 12000000);

    // A range touching an end leaves one piece, never an empty one that would mean "all".
    auto edge = clip("e.mp4", 12, 0, 5000000);
    edge->isTrimFanxuan = true;
    clips = JoinPlan::clips({edge});
    ASSERT_EQ(clips.size(), 1u);
    EXPECT_EQ(clips[0].startUs, 5000000);
    EXPECT_EQ(clips[0].endUs, 12000000);
    // After a remove clip the transition lasts one second, whatever the pieces' lengths, and
    // must be taken (a refusal fails the join); after a keep clip it is only asked for.
    r->transitionEffect = 2;
    clips = JoinPlan::clips({r, clip("short.mp4", 1.2)});
    ASSERT_EQ(clips.size(), 3u);
    EXPECT_EQ(clips[0].transition, 0) << "no transition inside a clip";
    EXPECT_EQ(clips[1].transition, 2);
    EXPECT_EQ(clips[1].transitionUs, 1000000);
    EXPECT_TRUE(clips[1].transitionRequired);
    EXPECT_FALSE(JoinPlan::clips({k, r})[0].transitionRequired);

    auto whole = clip("w.mp4", 12, 0, 12000000);
    whole->isTrimFanxuan = true;
    EXPECT_TRUE(JoinPlan::clips({whole}).empty());
}

TEST(JoinPlan, VolumeIsPassedInPercent) {
    EXPECT_EQ(JoinPlan::volumePercent(0.8), 80);
    EXPECT_EQ(JoinPlan::volumePercent(1.5), 150);
    EXPECT_EQ(JoinPlan::volumePercent(0.0), 0);
    EXPECT_EQ(JoinPlan::volumePercent(5.0), 200);
    EXPECT_EQ(JoinPlan::volumePercent(std::nan("")), 100);
    auto a = clip("a.mp4", 4);
    a->volume = 0.8;
    EXPECT_EQ(JoinPlan::clips({a})[0].volumePercent, 80);
}

TEST(JoinFormat, ProfilesGiveTheEncoding) {
    const JoinFormat mkv = JoinFormat::fromProfile(joinProfile("Video", "mkv(H.264)"));
    EXPECT_EQ(mkv.extName, "mkv");
    const EngineJoin::Encoding e = mkv.encoding(nullptr);
    EXPECT_EQ(e.videoCodec, "h264");
    EXPECT_EQ(e.audioCodec, "aac");
    EXPECT_EQ(e.videoKbps, 4000);
    EXPECT_EQ(e.audioKbps, 128);
    EXPECT_EQ(e.channels, 2);
    EXPECT_EQ(e.sampleRate, 44100);
    EXPECT_EQ(e.width, 0) << "the frame size is kept";
    EXPECT_EQ(e.fps, 0);

    // "Keep Original" asks for nothing: its blanks are not codec names.
    const JoinFormat keep = JoinFormat::fromProfile(joinProfile("Video", "Keep Original"));
    const EngineJoin::Encoding k = keep.encoding(nullptr);
    EXPECT_TRUE(k.videoCodec.isEmpty());
    EXPECT_TRUE(k.audioCodec.isEmpty());
    EXPECT_EQ(k.videoKbps, 0);
    EXPECT_EQ(k.channels, 0);
    // A default-format clip gives its size and bit rate, and its container.
    auto ref = clip("/x/ref.mov", 4);
    const EngineJoin::Encoding r = keep.encoding(ref.get());
    EXPECT_EQ(r.width, 1920);
    EXPECT_EQ(r.height, 1080);
    EXPECT_EQ(r.videoKbps, 4000);
    auto first = clip("/x/first.mkv", 4);
    EXPECT_EQ(keep.extensionFor(ref.get(), *first), "mov");
    EXPECT_EQ(keep.extensionFor(nullptr, *first), "mkv");
    // Sound kept as it is goes into its own container, never into the film's.
    first->sourceData->a_codec = "mp3";
    EXPECT_EQ(keep.extensionFor(nullptr, *first, true), "mp3");
    first->sourceData->a_codec = "aac";
    EXPECT_EQ(keep.extensionFor(nullptr, *first, true), "m4a");
}

TEST(JoinFormat, QuotedExtensionsAndSizesAreRead) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/q.pf";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(
        "[Main]\nExtName=\"mp4\"\n[Parameter]\nvcodec= hevc , {h264,hevc}\ns=1280x720, {1280x720}\n"
        "r=29.97, {29.97}\nb= , {1000}\nacodec= , {aac}\nac=1, {1,2(Stereo)}\nar= , {44100}\nab= , {128}\n");
    f.close();
    const JoinFormat q = JoinFormat::fromProfile(path);
    EXPECT_EQ(q.extName, "mp4");
    const EngineJoin::Encoding e = q.encoding(nullptr);
    EXPECT_EQ(e.videoCodec, "hevc");
    EXPECT_EQ(e.width, 1280);
    EXPECT_EQ(e.height, 720);
    EXPECT_DOUBLE_EQ(e.fps, 29.97);
    EXPECT_EQ(e.channels, 1);
    EXPECT_EQ(e.videoKbps, 0);
    EXPECT_TRUE(e.audioCodec.isEmpty());
}
