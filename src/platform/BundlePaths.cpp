#include "platform/BundlePaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace bundle {

QString executableDirectory() {
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QDir::currentPath();
}

namespace {
QString& overridePath() {
    static QString p;
    return p;
}
} // namespace

void setResourcePathForTesting(const QString& path) {
    overridePath() = path;
}

QString resourcePath() {
    if (!overridePath().isEmpty())
        return overridePath();
    static const QString path = [] {
        const QString env = qEnvironmentVariable("CUTBENCH_RESOURCE_DIR");
        if (!env.isEmpty() && QFileInfo(env).isDir())
            return QDir(env).absolutePath();
        const QString exe = executableDirectory();
        for (const QString& rel : {QStringLiteral("resources"), QStringLiteral("../resources"),
                                   QStringLiteral("../share/cutbench")}) {
            const QString p = QDir(exe).filePath(rel);
            if (QFileInfo(QDir(p).filePath("Settings.bundle")).isDir())
                return QDir(p).absolutePath();
        }
        return QStringLiteral(CUTBENCH_BUILD_RESOURCE_DIR);
    }();
    return path;
}

QString settingsBundlePath() {
    return QDir(resourcePath()).filePath(QStringLiteral("Settings.bundle"));
}

} // namespace bundle
