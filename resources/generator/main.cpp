// Draws every interface picture of the program into a Settings.bundle folder.
//
//   cutbench_picturegen <bundle folder> [--category <folder>]... [--profile <file.pf>]...
//
// Category folders and profile files are given relative to the bundle ("functionFolder/
// Video", "pf_join/Audio/mp3.pf"); each category gets "Keep Original.png" and each
// profile a tile named after it. The build passes the profiles it finds in the sources,
// so an absent profile folder simply yields no profile tiles.
#include "Catalog.h"
#include "PictureFile.h"
#include "ProfilePictures.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSet>

#include <cstdio>

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args.isEmpty()) {
        std::fprintf(stderr,
                     "usage: cutbench_picturegen <bundle> [--category DIR]... [--profile FILE.pf]...\n");
        return 2;
    }
    const QDir bundle(args.first());
    QStringList categories;
    QStringList profiles;
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--category"))
            categories << args[i + 1];
        else if (args[i] == QLatin1String("--profile"))
            profiles << args[i + 1];
        else {
            std::fprintf(stderr, "unknown option %s\n", qPrintable(args[i]));
            return 2;
        }
    }
    // "Keep Original" of the user's "Custom" category is looked up in the bundle too.
    categories << QStringLiteral("functionFolder/Custom") << QStringLiteral("pf_join/Custom");

    int failures = 0;
    const Catalog catalog;
    for (const Catalog::Entry& e : catalog.entries())
        if (!PictureFile::save(e.make(), bundle.filePath(e.path), e.matte))
            ++failures;

    QSet<QString> done;
    for (const QString& pf : profiles) {
        const QFileInfo info(pf);
        categories << info.path();
        const QString png = info.path() + QLatin1Char('/') + info.completeBaseName() + QStringLiteral(".png");
        if (!PictureFile::save(
                ProfilePictures::tile(info.completeBaseName(), QFileInfo(info.path()).fileName()),
                bundle.filePath(png), {}))
            ++failures;
    }
    for (const QString& category : categories) {
        if (done.contains(category))
            continue;
        done.insert(category);
        const QString png =
            category + QLatin1Char('/') + ProfilePictures::kKeepOriginal + QStringLiteral(".png");
        if (!PictureFile::save(
                ProfilePictures::tile(ProfilePictures::kKeepOriginal, QFileInfo(category).fileName()),
                bundle.filePath(png), {}))
            ++failures;
    }
    return failures == 0 ? 0 : 1;
}
