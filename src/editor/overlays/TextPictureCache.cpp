#include "editor/overlays/TextPictureCache.h"

#include "editor/overlays/MarkText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>

QImage drawTextPicture(const TextPicture& p) {
    if (p.size.width() <= 0 || p.size.height() <= 0 || p.size.width() > 16384 || p.size.height() > 16384)
        return {};
    QImage image(p.size, QImage::Format_RGBA8888_Premultiplied);
    image.fill(Qt::transparent);
    if (p.text.trimmed().isEmpty() || p.pixelSize <= 0)
        return image;
    QPainter painter(&image);
    QColor colour = p.colour.isValid() ? p.colour : QColor(Qt::white);
    colour.setAlpha(255);
    paintMarkText(painter, MarkText{p.text, p.fontName, double(std::max(1, int(p.pixelSize))), colour},
                  QRectF(QPointF(0, 0), QSizeF(p.size)));
    return image;
}

TextPictureCache::TextPictureCache() = default;

TextPictureCache::~TextPictureCache() = default; // the temporary folder removes itself

QString TextPictureCache::cacheRoot() {
    return QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
}

QString TextPictureCache::folder() const {
    return dir_ ? dir_->path() : QString();
}

// Folders of runs that ended without removing theirs (a crash, a killed process). A folder
// still in use is touched at every drawing, so only one untouched for a day is taken.
static void removeAbandonedFolders(const QString& root) {
    const QDateTime dayAgo = QDateTime::currentDateTimeUtc().addDays(-1);
    const QFileInfoList old =
        QDir(root).entryInfoList({QStringLiteral("textmarks-*")}, QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo& f : old)
        if (f.lastModified().toUTC() < dayAgo)
            QDir(f.absoluteFilePath()).removeRecursively();
}

bool TextPictureCache::ensureFolder(QString* error) {
    if (dir_ && dir_->isValid())
        return true;
    const QString root = cacheRoot();
    if (root.isEmpty() || !QDir().mkpath(root)) {
        if (error)
            *error = QStringLiteral("cannot make the cache folder %1").arg(root);
        return false;
    }
    removeAbandonedFolders(root);
    // A free name of its own: two windows (or two runs) never share or overwrite pictures.
    dir_ = std::make_unique<QTemporaryDir>(QDir(root).filePath(QStringLiteral("textmarks-XXXXXX")));
    if (!dir_->isValid()) {
        if (error)
            *error = dir_->errorString();
        dir_.reset();
        return false;
    }
    return true;
}

QString TextPictureCache::pathFor(const void* key, const TextPicture& picture, QString* error) {
    const QString signature = QStringLiteral("%1|%2|%3|%4|%5x%6")
                                  .arg(picture.text, picture.fontName)
                                  .arg(picture.pixelSize)
                                  .arg(picture.colour.name(QColor::HexArgb))
                                  .arg(picture.size.width())
                                  .arg(picture.size.height());
    auto it = files_.find(key);
    if (it != files_.end() && it->second.signature == signature && QFile::exists(it->second.path))
        return it->second.path;
    if (!ensureFolder(error))
        return {};
    const QImage image = drawTextPicture(picture);
    if (image.isNull()) {
        if (error)
            *error = QStringLiteral("the text mark has no size");
        return {};
    }
    // A new name for each drawing: a player or an export still reading the old picture is
    // never handed a half-written file.
    QString path = QDir(dir_->path()).filePath(QStringLiteral("water_%1.png").arg(next_++));
    if (!image.save(path, "PNG")) {
        if (error)
            *error = QStringLiteral("cannot write %1").arg(path);
        QFile::remove(path);
        return {};
    }
    if (it != files_.end()) {
        QFile::remove(it->second.path);
        it->second = {path, signature};
    } else {
        files_.emplace(key, Entry{path, signature});
    }
    return path;
}

std::map<const void*, TextPictureCache::Entry>::iterator
TextPictureCache::removeEntry(std::map<const void*, Entry>::iterator it) {
    QFile::remove(it->second.path);
    return files_.erase(it);
}
