#include "foundation/records/AudioStreamInfo.h"
#include "foundation/records/CutItem.h"
#include "foundation/records/FileData.h"
#include "foundation/records/MusicInfo.h"
#include "foundation/records/SimpleData.h"
#include "foundation/records/SubtitleParam.h"
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

TEST_F(Records, NewSimpleDataHasItsOwnNonNullParts) {
    SimpleData sd;
    EXPECT_DOUBLE_EQ(sd.volume, 1.0);
    EXPECT_TRUE(sd.selected);
    ASSERT_TRUE(sd.sourceData && sd.targetData && sd.waterParam && sd.subtitleParam);
    EXPECT_NE(sd.sourceData, sd.targetData);
    EXPECT_TRUE(sd.audioStreamInfos.empty());
    EXPECT_EQ(sd.cutTimeRange_start, 0);
    EXPECT_EQ(sd.cutTimeRange_stop, 0);
    EXPECT_FALSE(sd.hasCutRange());
    sd.cutTimeRange_start = 5'000'000; // a start alone does not make a range
    EXPECT_FALSE(sd.hasCutRange());
    EXPECT_EQ(sd.convertCropSize.left + sd.convertCropSize.top + sd.convertCropSize.right +
                  sd.convertCropSize.bottom,
              0);
    EXPECT_TRUE(sd.path.isNull());
    EXPECT_EQ(sd.transitionEffect, 0);

    SimpleData other; // records never share their parts
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
        EXPECT_EQ(fd->width, 1920);
        EXPECT_EQ(fd->height, 1080);
        EXPECT_EQ(fd->angle, 90);
        EXPECT_EQ(fd->exist, 1);
        EXPECT_EQ(fd->metadata_vcodec, "h264");
        EXPECT_EQ(fd->metadata_vcodecTag, "avc1");
        EXPECT_EQ(fd->metadata_title, "Kamera 1");
        EXPECT_EQ(fd->a_codec, "aac");
        EXPECT_EQ(fd->a_bitrate, 128);
        EXPECT_EQ(fd->a_samplerate, 48000);
        EXPECT_EQ(fd->a_channel, 2);
        EXPECT_EQ(fd->a_index, 1);
        EXPECT_EQ(fd->a_fmt, 8);
        EXPECT_EQ(fd->a_title, QString::fromUtf8("Ton – Stereo"));
        EXPECT_EQ(fd->a_lang, "deu");
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

TEST_F(Records, AudioStreamInfoKeepsBitsPerSecondAndNeverNullTexts) {
    AudioStreamInfo fresh;
    for (const QString* s : {&fresh.lang, &fresh.title, &fresh.psect, &fresh.codec}) {
        EXPECT_FALSE(s->isNull());
        EXPECT_TRUE(s->isEmpty());
    }
    MEDIA_AUDIO_STREAM_INFO a = audioRecord();
    mediarecords::writeText(a.lang, "");
    const auto info = AudioStreamInfo::fromEngine(a);
    EXPECT_EQ(info->bitrate, 128000);
    EXPECT_EQ(info->sample, 48000);
    EXPECT_EQ(info->index, 1);
    EXPECT_EQ(info->codec, "aac");
    EXPECT_FALSE(info->lang.isNull());
}

TEST_F(Records, WaterParamDefaultsAndArabicFont) {
    WaterParam wp;
    EXPECT_EQ(wp.waterType, 1);
    EXPECT_FLOAT_EQ(wp.waterFontSize, 30);
    EXPECT_EQ(wp.waterFontColor, QColor(0, 0, 255));
    EXPECT_EQ(wp.waterRect, NSZeroRect);
    EXPECT_EQ(wp.waterPercentClipRect, NSZeroRect);
    EXPECT_EQ(wp.waterFontName, ".AppleSystemUIFont");
    UserDefaults::standardUserDefaults().setInteger(8, "AppLanguage");
    EXPECT_EQ(WaterParam().waterFontName, "Muna");
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
        EXPECT_EQ(c->waterImagePath, "/tmp/logo.png");
        EXPECT_EQ(c->waterRect, wp.waterRect);
        EXPECT_EQ(c->waterPercentClipRect, wp.waterPercentClipRect);
        EXPECT_EQ(c->waterFontName, "DejaVu Sans");
        EXPECT_FLOAT_EQ(c->waterFontSize, 18);
        EXPECT_EQ(c->waterFontColor, QColor(10, 20, 30));
        EXPECT_FLOAT_EQ(c->waterViewFrameWidth, 640);
        EXPECT_EQ(c->startTime, 0);
        EXPECT_EQ(c->duration, 0);
        EXPECT_FALSE(c->isVideo);
        EXPECT_FALSE(c->selected);
        EXPECT_FALSE(c->keepaspectRatio);
        EXPECT_EQ(c->fileDuration, 0);
        EXPECT_EQ(c->fileStartTime, 0);
        EXPECT_EQ(c->fileEndTime, 0);
        EXPECT_TRUE(c->waterImage.isNull());
    }
    // The copy is independent: editing it leaves the original alone.
    auto c = wp.copy();
    c->waterText = "changed";
    EXPECT_EQ(wp.waterText, "Hallo");
}

TEST_F(Records, SubtitleParamDefaultsAndFullCopy) {
    SubtitleParam sp;
    EXPECT_EQ(sp.positon, -1);
    EXPECT_EQ(sp.shadow, 1);
    EXPECT_EQ(sp.fontSize, 30);
    EXPECT_EQ(sp.fontColor, QColor(255, 255, 255));
    EXPECT_DOUBLE_EQ(sp.subtitleAlph, 1.0);
    EXPECT_TRUE(sp.subtitlePath.isNull());

    sp.subtitleAlph = 0.5;
    sp.subtitlePath = "/tmp/a.srt";
    sp.shadow = 0;
    sp.positon = 200;
    sp.fontSize = 22;
    sp.fontColor = QColor(1, 2, 3);
    sp.fontPath = "/fonts/x.ttf";
    sp.fontPathList = {"/fonts/x.ttf", "/fonts/y.ttf"};
    sp.fontSelectIndex = 1;
    const auto c = sp.mutableCopy();
    EXPECT_DOUBLE_EQ(c->subtitleAlph, 0.5);
    EXPECT_EQ(c->subtitlePath, "/tmp/a.srt");
    EXPECT_EQ(c->shadow, 0);
    EXPECT_EQ(c->positon, 200);
    EXPECT_EQ(c->fontSize, 22);
    EXPECT_EQ(c->fontColor, QColor(1, 2, 3));
    EXPECT_EQ(c->fontPath, "/fonts/x.ttf");
    EXPECT_EQ(c->fontPathList, sp.fontPathList);
    EXPECT_EQ(c->fontSelectIndex, 1);
}

TEST_F(Records, MusicIsLimitedToTheVideoLength) {
    const auto longer = MusicInfo::loaded("/m/long.mp3", 200, 60);
    EXPECT_FLOAT_EQ(longer->duration, 60);
    EXPECT_FLOAT_EQ(longer->pruneDiration, 60);
    EXPECT_FLOAT_EQ(longer->positionEnd, 60);
    EXPECT_FLOAT_EQ(longer->volume, 0.5f);
    EXPECT_TRUE(longer->selected);
    EXPECT_EQ(longer->pruneStart, 0);
    EXPECT_FALSE(longer->fadeIn || longer->fadeOut || longer->repeat || longer->prune);

    const auto shorter = MusicInfo::loaded("/m/short.mp3", 20, 60);
    EXPECT_FLOAT_EQ(shorter->duration, 20);
    EXPECT_FLOAT_EQ(shorter->pruneDiration, 20);
    EXPECT_FLOAT_EQ(shorter->positionEnd, 60);

    const auto unreadable = MusicInfo::loaded("/m/bad.mp3", std::nan(""), 60);
    EXPECT_EQ(unreadable->duration, 0);
}

TEST_F(Records, CutItemStartsEmpty) {
    CutItem item;
    EXPECT_FALSE(item.selected);
    EXPECT_EQ(item.startTime, 0);
    EXPECT_EQ(item.endTime, 0);
    EXPECT_TRUE(item.thumbImage.isNull());
}
