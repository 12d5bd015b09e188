// The two profile sets that ship in the resource bundle: their index, their categories and
// every value of every profile, read with the same reader and parsers the windows use.
#include "TestSupport.h"
#include "profiles/ProfileReader.h"
#include "profiles/ProfileSet.h"
#include "profiles/ProfileValueParser.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>

using P = ProfileValueParser;

namespace {

const QStringList kVideoKeys{"vcodec", "s", "r", "b"};
const QStringList kAudioKeys{"acodec", "ac", "ar", "ab"};

// Codec names of the profiles as the engine maps them to FFmpeg encoders.
QString encoderFor(const QString& codec) {
    static const QMap<QString, QString> aliases{{"h264", "libx264"},   {"hevc", "libx265"},
                                                {"vp9", "libvpx-vp9"}, {"mp3", "libmp3lame"},
                                                {"opus", "libopus"},   {"vorbis", "libvorbis"}};
    return aliases.value(codec.toLower(), codec);
}

QStringList ffmpegEncoders() {
    QByteArray out;
    testsupport::run(FFMPEG_EXECUTABLE, {"-hide_banner", "-encoders"}, &out);
    QStringList names;
    for (const QByteArray& line : out.split('\n')) {
        const QList<QByteArray> cols = line.simplified().split(' ');
        if (cols.size() > 1 && cols[0].size() == 6)
            names << QString::fromUtf8(cols[1]);
    }
    return names;
}

bool isNumber(const QString& s) {
    bool ok = false;
    s.toDouble(&ok);
    return ok;
}

void checkValue(const QString& path, const QString& key, const QStringList& encoders) {
    SCOPED_TRACE(key.toStdString());
    const QString raw = profiles::readProfileValue(QStringLiteral("Parameter"), key, path);
    const bool keep = QFileInfo(path).completeBaseName() == ProfileSet::kKeepOriginal;
    const std::optional<QStringList> options = P::resultContentStrForArr(raw);
    if (key == "ab" && raw.isEmpty())
        return; // lossless formats name no audio bit rate
    ASSERT_TRUE(options.has_value());
    ASSERT_FALSE(options->isEmpty());
    // The browsers read the same value with their own rules; both give the same options.
    ASSERT_EQ(P::resultContentStrForArr(raw, P::Style::Browser), options);
    const std::optional<QString> choice = P::resultSelectItemTitleForContentStr(raw);
    if (keep) {
        EXPECT_EQ(choice, std::nullopt); // every value keeps the source's
    } else if (choice) {
        EXPECT_TRUE(options->contains(*choice)) << choice->toStdString();
    } else {
        // Only frame size and rate keep the source's value in the shipped profiles.
        EXPECT_TRUE(key == "s" || key == "r");
    }
    for (const QString& option : *options) {
        if (key == "vcodec" || key == "acodec") {
            EXPECT_TRUE(encoders.contains(encoderFor(option))) << option.toStdString();
        } else if (key == "s") {
            static const QRegularExpression size(QStringLiteral("^[1-9][0-9]*x[1-9][0-9]*$"));
            EXPECT_TRUE(size.match(option).hasMatch()) << option.toStdString();
        } else if (key == "ac") {
            EXPECT_GT(QString(option).remove(QStringLiteral("(Stereo)")).toInt(), 0) << option.toStdString();
        } else {
            EXPECT_TRUE(isNumber(option) && option.toDouble() > 0) << option.toStdString();
        }
    }
}

} // namespace

TEST(ShippedProfiles, BothSetsListVideoAndAudio) {
    for (const ProfileSet& set : {ProfileSet::editor(), ProfileSet::joiner()}) {
        SCOPED_TRACE(set.rootFolder().toStdString());
        EXPECT_EQ(set.categories(), (QStringList{"Video", "Audio"}));
        EXPECT_TRUE(QFileInfo(set.defaultProfilePath()).isFile());
        EXPECT_EQ(set.profilePath("Video", "mkv(HEVC)"), set.defaultProfilePath());
        for (const QString& category : set.categories()) {
            const QStringList items = set.items(category);
            ASSERT_GE(items.size(), 6);
            EXPECT_EQ(items.first(), ProfileSet::kKeepOriginal);
            EXPECT_EQ(items.count(ProfileSet::kKeepOriginal), 1);
        }
        EXPECT_TRUE(set.items("Video").contains("mkv(HEVC)"));
    }
}

TEST(ShippedProfiles, EveryProfileParses) {
    const QStringList encoders = ffmpegEncoders();
    ASSERT_TRUE(encoders.contains("libx264"));
    int count = 0;
    for (const ProfileSet& set : {ProfileSet::editor(), ProfileSet::joiner()}) {
        for (const QString& category : set.categories()) {
            for (const QString& item : set.items(category)) {
                const QString path = set.profilePath(category, item);
                SCOPED_TRACE(path.toStdString());
                ASSERT_FALSE(path.isEmpty());
                ++count;
                const QString ext =
                    profiles::readProfileValue(QStringLiteral("Main"), QStringLiteral("ExtName"), path);
                if (item == ProfileSet::kKeepOriginal)
                    EXPECT_EQ(ext, " ");
                else
                    EXPECT_TRUE(QRegularExpression("^[a-z0-9]+$").match(ext).hasMatch()) << ext.toStdString();
                for (const QString& key : kAudioKeys)
                    checkValue(path, key, encoders);
                if (category == ProfileSet::kAudioCategory) {
                    for (const QString& key : kVideoKeys)
                        EXPECT_TRUE(
                            profiles::readProfileValue(QStringLiteral("Parameter"), key, path).isEmpty());
                } else {
                    for (const QString& key : kVideoKeys)
                        checkValue(path, key, encoders);
                }
            }
        }
    }
    EXPECT_GE(count, 40);
}
