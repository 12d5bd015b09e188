// Opening a file in the editor: the probe into a new record, the sound streams it lists, the
// thumbnail, the output values from the stored format choice, and the files it refuses
// without disturbing the file already open.
#include "EditorTestClips.h"
#include "editor/core/EditorFileLoader.h"
#include "foundation/helpers/NSBundle.h"
#include "foundation/records/AudioStreamInfo.h"
#include "platform/Alerts.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QWidget>
#include <gtest/gtest.h>

using testsupport::media;

namespace {

QString text(const char* key) {
    return NSBundle::localizedStringForKey(key);
}

// The sound streams ffprobe finds that are not AC-3, in file order.
QJsonArray playableSoundStreams(const QString& path) {
    QJsonArray out;
    for (const auto& s : testsupport::probe(path).value("streams").toArray())
        if (s.toObject().value("codec_type") == "audio" && s.toObject().value("codec_name") != "ac3")
            out.append(s);
    return out;
}

// Closes every open alert, returning the informative texts in the order they showed.
QStringList answerAlerts() {
    QStringList seen;
    for (int guard = 0; guard < 10; ++guard) {
        QCoreApplication::processEvents();
        QMessageBox* box = Alerts::currentAlert();
        if (!box)
            break;
        seen << box->text() + "|" + box->informativeText();
        box->done(QMessageBox::Ok);
        QCoreApplication::processEvents();
    }
    return seen;
}

} // namespace

TEST(EditorFileLoading, AcceptedFilesAcrossContainersGiveARecordAndAThumbnail) {
    editortest::ScratchDefaults defaults;
    struct Case {
        const char* clip;
        int width, height, thumbWidth;
    };
    for (const Case& c : {Case{"h264_aac.mp4", 320, 240, 240}, Case{"h264_aac.mov", 320, 240, 240},
                          Case{"mpeg4_mp3.avi", 320, 240, 240}, Case{"vp9_opus.webm", 320, 240, 240},
                          Case{"odd_321x241.mkv", 321, 241, 239}, Case{"ntsc_29_97.mp4", 320, 240, 240},
                          Case{"no_audio.mp4", 320, 240, 240}}) {
        SCOPED_TRACE(c.clip);
        const QString path = media(c.clip);
        const EditorFileLoader::Result r = EditorFileLoader::probe(path);
        ASSERT_TRUE(r.data);
        EXPECT_EQ(r.refusal, EditorFileLoader::Refusal::None);
        const FileData& s = *r.data->sourceData;
        EXPECT_EQ(s.width, c.width);
        EXPECT_EQ(s.height, c.height);
        EXPECT_NEAR(s.duration, testsupport::probeDuration(path), 0.1);
        EXPECT_EQ(r.data->path, path);
        EXPECT_EQ(r.data->thumbImage.size(), QSize(c.thumbWidth, 180));
        EXPECT_EQ(int(r.data->audioStreamInfos.size()), playableSoundStreams(path).size());
        // Nothing chosen yet: the output is the source's.
        EXPECT_EQ(r.data->targetData->width, c.width);
        EXPECT_EQ(r.data->targetData->extension, s.extension);
    }
    // The exact rate stays (29.97, not 29).
    EXPECT_NEAR(EditorFileLoader::probe(media("ntsc_29_97.mp4")).data->sourceData->fps, 29.97, 0.01);
}

TEST(EditorFileLoading, ThumbnailIsTheFirstFrameAsShownAndItsWidthIsBounded) {
    EXPECT_EQ(EditorFileLoader::thumbnailSize(1920, 1080), QSize(320, 180));
    EXPECT_EQ(EditorFileLoader::thumbnailSize(1080, 1920), QSize(101, 180));
    EXPECT_EQ(EditorFileLoader::thumbnailSize(8192, 1), QSize(1024, 180));
    EXPECT_EQ(EditorFileLoader::thumbnailSize(1, 8192), QSize(1, 180));
    EXPECT_TRUE(EditorFileLoader::thumbnailSize(0, 1080).isEmpty());

    // A clip turned by its display rotation gets an upright thumbnail in upright proportions.
    const QString rotated = media("rotated_90.mp4");
    const EditorFileLoader::Result r = EditorFileLoader::probe(rotated);
    ASSERT_TRUE(r.data);
    ASSERT_EQ(r.data->thumbImage.size(), QSize(135, 180));
    const QImage upright = testsupport::ffmpegFrameAt(rotated, 0)
                               .scaled(135, 180, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    EXPECT_LT(testsupport::meanAbsDiff(r.data->thumbImage.convertToFormat(QImage::Format_RGB32), upright),
              12);
}

TEST(EditorFileLoading, OutputValuesComeFromTheStoredFormatChoice) {
    editortest::ScratchDefaults defaults;
    UserDefaults& d = UserDefaults::standardUserDefaults();
    d.setObject("1280x720", "resolution_SelectTitle");
    d.setObject("2000", "bitate_SelectTitle");
    d.setObject("128", "abitate_SelectTitle");
    d.setObject("29.97", "framerate_SelectTitle");
    d.setObject("libx265", "vcodec_SelectTitle");
    d.setObject("mkv", "extName_SelectTitle");
    const QString path = media("long_10s.mp4");
    EditorFileLoader::Result r = EditorFileLoader::probe(path);
    ASSERT_TRUE(r.data);
    const FileData& t = *r.data->targetData;
    EXPECT_EQ(t.width, 1280);
    EXPECT_EQ(t.height, 720);
    EXPECT_EQ(t.bitrate, 2000);
    EXPECT_EQ(t.a_bitrate, 128);
    EXPECT_NEAR(t.fps, 29.97, 1e-9);
    EXPECT_EQ(t.metadata_vcodec, "libx265");
    EXPECT_EQ(t.extension, "mkv");
    EXPECT_FLOAT_EQ(t.duration, r.data->sourceData->duration);
    EXPECT_FLOAT_EQ(t.fileSize, std::floor(r.data->sourceData->duration * 2128 * 0.125));

    // A blank choice or one that is no number keeps the source's value.
    d.setObject(" ", "resolution_SelectTitle");
    d.setObject("auto", "bitate_SelectTitle");
    d.setObject(" ", "extName_SelectTitle");
    d.setObject(" ", "vcodec_SelectTitle");
    r = EditorFileLoader::probe(path);
    ASSERT_TRUE(r.data);
    EXPECT_EQ(r.data->targetData->width, 320);
    EXPECT_EQ(r.data->targetData->height, 240);
    EXPECT_EQ(r.data->targetData->bitrate, r.data->sourceData->bitrate);
    EXPECT_EQ(r.data->targetData->extension, "mp4");
    EXPECT_EQ(r.data->targetData->metadata_vcodec, r.data->sourceData->metadata_vcodec);
}

TEST(EditorFileLoading, EverySoundStreamIsListedAndAc3OnesAreLeftOutWithAWarningEach) {
    const QString path = editortest::multiSoundClip();
    ASSERT_EQ(testsupport::probeStreamCount(path, "audio"), 4);
    EditorOpenFile file;
    const EditorFileLoader::Result r = EditorFileLoader::open(path, file);
    ASSERT_TRUE(r.data);
    EXPECT_EQ(r.skippedAc3Streams, 2);
    const QJsonArray expected = playableSoundStreams(path);
    ASSERT_EQ(int(r.data->audioStreamInfos.size()), 2);
    ASSERT_EQ(expected.size(), 2);
    for (int i = 0; i < 2; ++i) {
        const QJsonObject e = expected[i].toObject();
        const AudioStreamInfo& s = *r.data->audioStreamInfos[size_t(i)];
        EXPECT_EQ(s.index, e.value("index").toInt()) << i;
        EXPECT_EQ(s.codec, e.value("codec_name").toString()) << i;
        EXPECT_EQ(s.channel, e.value("channels").toInt()) << i;
        EXPECT_EQ(s.sample, e.value("sample_rate").toString().toInt()) << i;
    }
    EXPECT_EQ(r.data->audioStreamInfos[0]->title, "Commentary");
    EXPECT_EQ(r.data->audioStreamInfos[1]->lang, "fra");

    // A file whose only sound is AC-3 still opens, with no stream to choose.
    const EditorFileLoader::Result ac3 = EditorFileLoader::probe(media("ac3_audio.mkv"));
    ASSERT_TRUE(ac3.data);
    EXPECT_TRUE(ac3.data->audioStreamInfos.empty());
    EXPECT_EQ(ac3.skippedAc3Streams, 1);

    QWidget window;
    window.setWindowTitle("Editor");
    window.show();
    EditorFileLoader::showOutcome(&window, r, path);
    const QString warning = text("error") + "|" + text("AAC3_Error_Message");
    EXPECT_EQ(answerAlerts(), QStringList({warning, warning}));
}

TEST(EditorFileLoading, ARefusedFileKeepsTheOpenFileAndSaysWhy) {
    editortest::ScratchDefaults defaults;
    EditorOpenFile file;
    ASSERT_TRUE(EditorFileLoader::open(media("h264_aac.mp4"), file).data);
    const std::shared_ptr<SimpleData> record = file.fileData;
    const std::shared_ptr<WaterParam> water = file.waterParam;
    const QString openPath = file.filePath;

    QWidget window;
    window.setWindowTitle("Editor");
    window.show();
    struct Case {
        const char* clip;
        EditorFileLoader::Refusal refusal;
    };
    for (const Case& c : {Case{"not_media.mp4", EditorFileLoader::Refusal::NotMedia},
                          Case{"zero_bytes.mp4", EditorFileLoader::Refusal::NotMedia},
                          Case{"missing_file.mp4", EditorFileLoader::Refusal::NotMedia},
                          Case{"audio_only.mp3", EditorFileLoader::Refusal::NoPicture},
                          Case{"audio_only.m4a", EditorFileLoader::Refusal::NoPicture}}) {
        SCOPED_TRACE(c.clip);
        UserDefaults::standardUserDefaults().setObject("1280x720", "resolution_SelectTitle");
        const QString path = media(c.clip);
        const EditorFileLoader::Result r = EditorFileLoader::open(path, file);
        EXPECT_FALSE(r.data);
        EXPECT_EQ(r.refusal, c.refusal);
        EXPECT_EQ(file.fileData, record);
        EXPECT_EQ(file.waterParam, water);
        EXPECT_EQ(file.filePath, openPath);
        EXPECT_EQ(record->targetData->width, 320); // the open record is not re-read either
        EXPECT_TRUE(file.choices.resolution.isEmpty());

        EditorFileLoader::showOutcome(&window, r, path);
        const QStringList shown = answerAlerts();
        ASSERT_EQ(shown.size(), 1);
        if (c.refusal == EditorFileLoader::Refusal::NoPicture)
            EXPECT_EQ(shown[0], "Editor|" + text("Pleaseselectedvideo'sfilestring"));
        else
            EXPECT_TRUE(shown[0].contains(QFileInfo(path).fileName())) << shown[0].toStdString();
    }
}
