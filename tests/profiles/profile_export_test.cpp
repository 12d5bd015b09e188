// Every shipped profile exported for real: a one-second convert of a fixture clip with the
// profile's container, codecs, size, rate and bit rates through the engine, judged by ffprobe.
#include "TestSupport.h"
#include "mediacore/MediaCore.h"
#include "profiles/ProfileParameters.h"
#include "profiles/ProfileReader.h"
#include "profiles/ProfileSet.h"
#include "profiles/ProfileValueParser.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace profiles;

namespace {

// The chosen value as the browsers read it; empty when the source's value is kept.
QString chosen(const QString& path, const char* key) {
    const QString raw = readProfileValue(QStringLiteral("Parameter"), QString::fromLatin1(key), path);
    const QString value =
        ProfileValueParser::resultSelectItemTitleForContentStr(raw, ProfileValueParser::Style::Browser)
            .value_or(QString());
    return value == QLatin1String(" ") ? QString() : value;
}

// The container ffprobe names for an extension, and the stream codec for a profile codec.
QString containerFor(const QString& ext) {
    static const QMap<QString, QString> names{
        {"mp4", "mp4"},      {"mov", "mov"},   {"m4v", "mp4"}, {"3gp", "3gp"}, {"m4a", "m4a"},
        {"mkv", "matroska"}, {"webm", "webm"}, {"avi", "avi"}, {"wmv", "asf"}, {"wma", "asf"},
        {"flv", "flv"},      {"mpg", "mpeg"},  {"mp3", "mp3"}, {"wav", "wav"}, {"flac", "flac"},
        {"ogg", "ogg"},      {"opus", "ogg"}};
    return names.value(ext);
}
QString streamCodecFor(const QString& codec) {
    static const QMap<QString, QString> names{{"flv", "flv1"}};
    return names.value(codec, codec);
}

void exportAndCheck(const QString& path, bool audioOnly, const QString& outFolder) {
    SCOPED_TRACE(path.toStdString());
    // Sound formats start from a sound file: which streams a container keeps is the opener's
    // choice, not the profile's.
    const QString source = testsupport::media(audioOnly ? "audio_only.m4a" : "h264_aac.mp4");
    const bool keep = QFileInfo(path).completeBaseName() == ProfileSet::kKeepOriginal;
    QString ext = readProfileValue(QStringLiteral("Main"), QStringLiteral("ExtName"), path).trimmed();
    if (keep || ext.isEmpty())
        ext = QStringLiteral("mp4");
    const QString output =
        QDir(outFolder).filePath(QFileInfo(path).completeBaseName() + (audioOnly ? "-a." : "-v.") + ext);

    void* job = apiMediaConvertCreate();
    ASSERT_NE(job, nullptr);
    ASSERT_GE(apiMediaConvertSetInputMedia(job, source.toUtf8().constData()), 1);
    ASSERT_GE(apiMediaConvertSetOutputPath(job, output.toUtf8().constData()), 1);
    ASSERT_GE(apiMediaConvertSetCutTime(job, 0, 1000000), 1);
    const QString vcodec = chosen(path, "vcodec"), size = chosen(path, "s"), rate = chosen(path, "r"),
                  vbit = chosen(path, "b"), acodec = chosen(path, "acodec"), channels = chosen(path, "ac"),
                  samplerate = chosen(path, "ar"), abit = chosen(path, "ab");
    auto set = [](int result) { EXPECT_GE(result, 1); };
    if (!audioOnly) {
        if (!vcodec.isEmpty())
            set(apiMediaConvertSetVcodec(job, vcodec.toUtf8().constData()));
        if (!size.isEmpty())
            set(apiMediaConvertSetVideoFrameSize(job, leadingInt(size.section('x', 0, 0)),
                                                 leadingInt(size.section('x', -1))));
        if (!rate.isEmpty())
            set(apiMediaConvertSetVideoFps(job, rate.toDouble()));
        if (leadingInt(vbit) > 0)
            set(apiMediaConvertSetVideoBitrate(job, leadingInt(vbit)));
    }
    if (!acodec.isEmpty())
        set(apiMediaConvertSetAcodec(job, acodec.toUtf8().constData()));
    if (leadingInt(channels) > 0 && leadingInt(samplerate) > 0)
        set(apiMediaConvertSetAudioEncodeContext(job, leadingInt(channels), leadingInt(samplerate)));
    if (leadingInt(abit) > 0)
        set(apiMediaConvertSetAudioBitrate(job, leadingInt(abit)));
    const int result = apiMediaConvertStart(job);
    apiMediaConvertClose(job);
    ASSERT_GE(result, 1);

    const QJsonObject probe = testsupport::probe(output);
    ASSERT_FALSE(probe.isEmpty());
    const QStringList formats = probe["format"].toObject()["format_name"].toString().split(',');
    EXPECT_TRUE(formats.contains(containerFor(ext))) << formats.join(',').toStdString();
    const double duration = testsupport::probeDuration(output);
    EXPECT_GT(duration, 0.5);
    EXPECT_LT(duration, 1.6);

    const QJsonObject audio = testsupport::probeStream(output, "audio");
    EXPECT_EQ(audio["codec_name"].toString(), acodec.isEmpty() ? "aac" : streamCodecFor(acodec));
    if (leadingInt(channels) > 0) {
        EXPECT_EQ(audio["channels"].toInt(), leadingInt(channels));
    }
    if (leadingInt(samplerate) > 0) {
        EXPECT_EQ(audio["sample_rate"].toString().toInt(), leadingInt(samplerate));
    }
    if (audioOnly) {
        EXPECT_EQ(testsupport::probeStreamCount(output, "video"), 0);
        return;
    }
    const QJsonObject video = testsupport::probeStream(output, "video");
    EXPECT_EQ(video["codec_name"].toString(), vcodec.isEmpty() ? "h264" : streamCodecFor(vcodec));
    if (!size.isEmpty()) {
        EXPECT_EQ(QStringLiteral("%1x%2").arg(video["width"].toInt()).arg(video["height"].toInt()), size);
    } else {
        EXPECT_EQ(video["width"].toInt(), 320);
    }
    if (!rate.isEmpty()) {
        const QStringList fraction = video["avg_frame_rate"].toString().split('/');
        ASSERT_EQ(fraction.size(), 2);
        EXPECT_NEAR(fraction[0].toDouble() / fraction[1].toDouble(), rate.toDouble(), 0.05);
    }
}

} // namespace

TEST(ProfileExport, EveryShippedProfileConverts) {
    QTemporaryDir out;
    // The two sets may hold the same files; each distinct profile is exported once.
    QSet<QByteArray> seen;
    for (const ProfileSet& set : {ProfileSet::editor(), ProfileSet::joiner()}) {
        for (const QString& category : set.categories()) {
            for (const QString& item : set.items(category)) {
                const QString path = set.profilePath(category, item);
                QFile file(path);
                ASSERT_TRUE(file.open(QIODevice::ReadOnly));
                const QByteArray key = category.toUtf8() + '/' +
                                       QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha1);
                if (seen.contains(key))
                    continue;
                seen.insert(key);
                exportAndCheck(path, category == ProfileSet::kAudioCategory, out.path());
            }
        }
    }
    EXPECT_GE(seen.size(), 20);
}
