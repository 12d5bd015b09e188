#include "foundation/records/AudioStreamInfo.h"
#include "foundation/records/CutItem.h"
#include "foundation/records/FileData.h"
#include "foundation/records/MusicInfo.h"
#include "foundation/records/SimpleData.h"
#include "foundation/records/WaterParam.h"
#include "platform/UserDefaults.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <type_traits>

static_assert(!std::is_copy_constructible_v<SimpleData> && !std::is_copy_constructible_v<FileData> &&
              !std::is_copy_constructible_v<CutItem> && !std::is_copy_constructible_v<MusicInfo> &&
              !std::is_copy_constructible_v<AudioStreamInfo>);

namespace {

MEDIA_VIDEO_STREAM_INFO videoRecord() {
    MEDIA_VIDEO_STREAM_INFO v{};
    v.exist = 1;
    v.index = 0;
    mediarecords::writeText(v.codec, "h264");
    mediarecords::writeText(v.codecTag, "avc1");
    v.width = 1920;
    v.height = 1080;
    v.fps = 30000.0 / 1001.0;
    v.bitrate = 1999999;
    v.aspect = 16.0 / 9.0;
    v.angle = 90;
    mediarecords::writeText(v.lang, "und");
    mediarecords::writeText(v.title, "Kamera 1");
    return v;
}

MEDIA_AUDIO_STREAM_INFO audioRecord(const char* codec = "aac") {
    MEDIA_AUDIO_STREAM_INFO a{};
    a.exist = 1;
    a.index = 1;
    mediarecords::writeText(a.codec, codec);
    a.samplerate = 48000;
    a.channel = 2;
    a.bitrate = 128000;
    a.fmt = 8;
    mediarecords::writeText(a.lang, "deu");
    mediarecords::writeText(a.title, "Ton – Stereo");
    return a;
}

class Records : public ::testing::Test {
protected:
    void SetUp() override {
        UserDefaults::setStorePath(dir.filePath("defaults.ini"));
        UserDefaults::standardUserDefaults().setInteger(0, "AppLanguage");
    }
    void TearDown() override { UserDefaults::setStorePath(QString()); }
    QTemporaryDir dir;
};

} // namespace

TEST_F(Records, RecordsNeverShareTheirPartsAndAStartAloneIsNoRange) {
    SimpleData sd, other;
    sd.cutTimeRange_start = 5'000'000;
    EXPECT_FALSE(sd.hasCutRange());
    EXPECT_NE(sd.sourceData, sd.targetData);
    EXPECT_NE(other.waterParam, sd.waterParam);
    EXPECT_NE(other.sourceData, sd.sourceData);
}

TEST_F(Records, ProbeFillsSourceAndTargetAlikeAndKeepsTheExactFrameRate) {
    const QString path = dir.filePath("clip.mov");
    {
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(1'500'000, 'x'));
    }
    const auto v = videoRecord();
    const auto a = audioRecord();
    SimpleData sd;
    sd.fillFromProbe(path, 90'500'000, &a, &v);
    EXPECT_EQ(sd.path, path);
    EXPECT_EQ(sd.name, "clip.mov");
    for (const auto& fd : {sd.sourceData, sd.targetData}) {
        EXPECT_EQ(fd->extension, "mov");
        EXPECT_FLOAT_EQ(fd->fileSize, 1.5f);
        EXPECT_FLOAT_EQ(fd->duration, 90.5f);
        EXPECT_NEAR(fd->fps, 29.97, 0.001); // not cut to 29: a join taking this format keeps the rate
        EXPECT_EQ(fd->wholeFps(), 29);      // labels show whole frames
        EXPECT_EQ(fd->bitrate, 1999);
        EXPECT_EQ(fd->angle, 90);
        EXPECT_EQ(fd->metadata_vcodec, "h264");
        EXPECT_EQ(fd->metadata_title, "Kamera 1");
        EXPECT_EQ(fd->a_bitrate, 128); // kbit/s from bit/s
        EXPECT_EQ(fd->a_title, QString::fromUtf8("Ton – Stereo"));
    }
}

TEST_F(Records, AudioOnlyFileKeepsVideoFieldsEmpty) {
    MEDIA_VIDEO_STREAM_INFO noVideo{}; // present word 0
    noVideo.width = 640;               // whatever else the record holds is ignored
    const auto a = audioRecord("mp3");
    FileData fd;
    FileData::fillFromProbe(fd, dir.filePath("missing.mp3"), 1'000'000, &a, &noVideo);
    EXPECT_EQ(fd.width, 0);
    EXPECT_EQ(fd.height, 0);
    EXPECT_EQ(fd.fps, 0);
    EXPECT_EQ(fd.bitrate, 0);
    EXPECT_TRUE(fd.metadata_vcodec.isNull());
    EXPECT_EQ(fd.fileSize, 0.0f); // unreadable size reads as 0
    EXPECT_EQ(fd.extension, "mp3");
    EXPECT_EQ(fd.a_codec, "mp3");

    FileData none;
    FileData::fillFromProbe(none, "x.wav", -5, nullptr, nullptr);
    EXPECT_EQ(none.duration, 0.0f);
}

TEST_F(Records, EngineFrameRateThatIsNotANumberIsStoredAsZero) {
    auto v = videoRecord();
    v.fps = std::nan("");
    FileData fd;
    fd.setVideoStream(v);
    EXPECT_EQ(fd.fps, 0);
    EXPECT_EQ(fd.wholeFps(), 0);
}

TEST_F(Records, WaterParamCopyCarriesStyleAndPlacementButNotPictureFlagsOrTiming) {
    WaterParam wp;
    wp.waterType = WaterParam::kTypeText;
    wp.waterAlph = 40;
    wp.waterText = "Hallo";
    wp.waterImagePath = "/tmp/logo.png";
    wp.waterRect = {1, 2, 3, 4};
    wp.waterPercentClipRect = {0.1, 0.2, 0.3, 0.4};
    wp.waterFontName = "DejaVu Sans";
    wp.waterFontSize = 18;
    wp.waterFontColor = QColor(10, 20, 30);
    wp.waterViewFrameWidth = 640;
    wp.startTime = 5;
    wp.duration = 3;
    wp.isVideo = true;
    wp.selected = true;
    wp.keepaspectRatio = true;
    wp.fileDuration = 9;
    wp.fileStartTime = 1;
    wp.fileEndTime = 2;
    wp.waterImage = QImage(4, 4, QImage::Format_ARGB32);

    for (const auto& c : {wp.copy(), wp.mutableCopy()}) {
        ASSERT_NE(c.get(), &wp);
        EXPECT_EQ(c->waterType, 4);
        EXPECT_EQ(c->waterAlph, 40);
        EXPECT_EQ(c->waterText, "Hallo");
        EXPECT_EQ(c->waterPercentClipRect, wp.waterPercentClipRect);
        EXPECT_EQ(c->waterFontColor, QColor(10, 20, 30));
        EXPECT_FLOAT_EQ(c->waterViewFrameWidth, 640);
        EXPECT_EQ(c->startTime, 0);
        EXPECT_FALSE(c->isVideo);
        EXPECT_EQ(c->fileEndTime, 0);
        EXPECT_TRUE(c->waterImage.isNull());
    }
    // The copy is independent: editing it leaves the original alone.
    UserDefaults::standardUserDefaults().setInteger(8, "AppLanguage");
    EXPECT_EQ(WaterParam().waterFontName, "Muna") << "Arabic text needs a font that has its glyphs";
    auto c = wp.copy();
    c->waterText = "changed";
    EXPECT_EQ(wp.waterText, "Hallo");
}

TEST_F(Records, MusicIsLimitedToTheVideoLength) {
    const auto longer = MusicInfo::loaded("/m/long.mp3", 200, 60);
    EXPECT_FLOAT_EQ(longer->duration, 60);
    EXPECT_FLOAT_EQ(longer->pruneDiration, 60);
    EXPECT_FLOAT_EQ(longer->positionEnd, 60);

    const auto shorter = MusicInfo::loaded("/m/short.mp3", 20, 60);
    EXPECT_FLOAT_EQ(shorter->duration, 20);
    EXPECT_FLOAT_EQ(shorter->pruneDiration, 20);
    EXPECT_FLOAT_EQ(shorter->positionEnd, 60);

    const auto unreadable = MusicInfo::loaded("/m/bad.mp3", std::nan(""), 60);
    EXPECT_EQ(unreadable->duration, 0);
}
