// The pictures of Settings.bundle in the build tree: every name the windows ask for
// exists, opens as an image, is stored in the format its name says, and every button
// shows a different picture in each of its looks.
#include "Contrast.h"
#include "ResourceInventory.h"

#include "foundation/helpers/NSBundle.h"
#include "platform/BundlePaths.h"

#include <QFileInfo>
#include <QImageReader>
#include <gtest/gtest.h>

namespace {

QString bundlePath(const QString& name) {
    return QDir(bundle::settingsBundlePath()).filePath(name);
}

void expectPicture(const QString& name, const char* where) {
    const QString path = bundlePath(name);
    ASSERT_TRUE(QFileInfo::exists(path)) << where << ": missing " << name.toStdString();
    const QImage img = NSBundle::imageWithfileName(name);
    ASSERT_FALSE(img.isNull()) << where << ": does not open " << name.toStdString();
    EXPECT_GT(img.width(), 0);
    EXPECT_GT(img.height(), 0);
    // The reader must agree with the extension: a PNG named .bmp would open here but not
    // in every viewer.
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    EXPECT_EQ(QString::fromLatin1(reader.format()), QFileInfo(name).suffix().toLower()) << name.toStdString();
}

} // namespace

TEST(Pictures, EveryInventoryPictureExistsAndOpens) {
    const QStringList names = inventory::firstColumn(QStringLiteral("images.tsv"));
    ASSERT_GT(names.size(), 200);
    for (const QString& name : names)
        expectPicture(name, "inventory");
}

TEST(Pictures, EveryPictureNamedInTheSourcesExists) {
    for (const QString& name : inventory::picturesInSources())
        expectPicture(name, "sources");
}

TEST(Pictures, PngPicturesKeepTheirTransparency) {
    // Round buttons and icons lie on panels of several colours: their corners must be clear.
    for (const char* name : {"Join/btnPlay_Normal.png", "Cut/btnOpenVolume_Normal.png", "im/app_Icon.png",
                             "Main/btnAbout_Normal.png"}) {
        const QImage img = NSBundle::imageWithfileName(name);
        ASSERT_TRUE(img.hasAlphaChannel()) << name;
        EXPECT_EQ(qAlpha(img.pixel(0, 0)), 0) << name;
    }
}

TEST(Pictures, EachLookOfAButtonIsItsOwnPictureOfOneSize) {
    const QStringList names = inventory::firstColumn(QStringLiteral("images.tsv"));
    // Families by the part of the name before the look: "_Normal", "_On", "__On", "_1", ...
    static const QRegularExpression look(
        QStringLiteral("^(.*?)_{1,2}(Normal|On|Down|Disable|1|3|4)\\.(bmp|png)$"));
    QMap<QString, QStringList> families;
    for (const QString& name : names) {
        const auto m = look.match(name);
        if (m.hasMatch())
            families[m.captured(1) + QLatin1Char('.') + m.captured(3)] << name;
    }
    ASSERT_GT(families.size(), 50);
    int compared = 0;
    for (auto it = families.begin(); it != families.end(); ++it) {
        const QStringList& members = it.value();
        for (int a = 0; a < members.size(); ++a)
            for (int b = a + 1; b < members.size(); ++b) {
                const QImage ia =
                    NSBundle::imageWithfileName(members[a]).convertToFormat(QImage::Format_ARGB32);
                const QImage ib =
                    NSBundle::imageWithfileName(members[b]).convertToFormat(QImage::Format_ARGB32);
                ASSERT_FALSE(ia.isNull() || ib.isNull());
                // A button that changes size between looks would jump under the pointer.
                EXPECT_EQ(ia.size(), ib.size())
                    << members[a].toStdString() << " / " << members[b].toStdString();
                EXPECT_NE(ia, ib) << members[a].toStdString() << " looks like " << members[b].toStdString();
                ++compared;
            }
    }
    EXPECT_GT(compared, 150);
}

TEST(Pictures, EveryProfileHasATileAndEveryCategoryKeepOriginal) {
    const QString sourceBundle = QStringLiteral(CUTBENCH_SOURCE_DIR "/resources/Settings.bundle");
    for (const char* root : {"functionFolder", "pf_join"}) {
        const QDir rootDir(QDir(sourceBundle).filePath(QLatin1String(root)));
        for (const QString& category : rootDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QString rel = QStringLiteral("%1/%2/").arg(QLatin1String(root), category);
            expectPicture(rel + QStringLiteral("Keep Original.png"), "category");
            for (const QString& pf :
                 QDir(rootDir.filePath(category)).entryList({QStringLiteral("*.pf")}, QDir::Files))
                expectPicture(rel + QFileInfo(pf).completeBaseName() + QStringLiteral(".png"), "profile");
        }
        // The user's own category takes "Keep Original" from the bundle too.
        expectPicture(QStringLiteral("%1/Custom/Keep Original.png").arg(QLatin1String(root)), "custom");
    }
}

// The reveal-folder button lies on the brand-blue export row: its picture must stand out there.
TEST(Pictures, TheRevealFolderPictureReadsOnTheBlueRow) {
    const QColor band(33, 176, 235);
    const QImage img =
        NSBundle::imageWithfileName("SubFun/btnBrowse_Down.png").convertToFormat(QImage::Format_ARGB32);
    ASSERT_FALSE(img.isNull());
    int readable = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            readable +=
                testsupport::contrastRatio(testsupport::over(img.pixelColor(x, y), band), band) >= 2.0;
    // Most of the button differs clearly from the row it lies on.
    EXPECT_GT(readable, img.width() * img.height() / 2);
}
