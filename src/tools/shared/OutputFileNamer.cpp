#include "tools/shared/OutputFileNamer.h"

#include "foundation/helpers/HelpClass.h"

#include <QFileInfo>
#include <QHash>

namespace {
QString withExtension(const QString& stem, const QString& extension) {
    return extension.isEmpty() ? stem : stem + "." + extension;
}
bool taken(const QString& path) {
    // A dangling symbolic link also counts as taken: writing through it would create a file
    // somewhere the user did not choose.
    QFileInfo info(path);
    return info.exists() || info.isSymLink();
}
} // namespace

QString OutputFileNamer::freePath(const QString& folder, const QString& name, const QString& extension) {
    QString first = withExtension(folder + "/" + name, extension);
    if (!taken(first))
        return first;
    for (long n = 2;; ++n) {
        QString candidate = withExtension(QString("%1/%2(%3)").arg(folder, name).arg(n), extension);
        if (!taken(candidate))
            return candidate;
    }
}

QString OutputFileNamer::extensionOf(const QString& path) {
    const QString last = QFileInfo(path).fileName();
    const qsizetype dot = last.lastIndexOf('.');
    return dot <= 0 ? QString() : last.mid(dot + 1);
}

QString OutputFileNamer::freeTimestampPath(const QString& folder, const QString& extension) {
    return freePath(folder, HelpClass::createFilename(), extension);
}

QString OutputFileNamer::soundExtensionFor(const QString& codec) {
    static const QHash<QString, QString> kContainers = {
        {"mp3", "mp3"},   {"flac", "flac"},     {"vorbis", "ogg"},    {"opus", "opus"},    {"wmav2", "wma"},
        {"wmav1", "wma"}, {"pcm_s16le", "wav"}, {"pcm_s24le", "wav"}, {"pcm_f32le", "wav"}};
    return kContainers.value(codec.toLower(), QStringLiteral("m4a"));
}
