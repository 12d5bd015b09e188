#include "PictureFile.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>

#include <cstdio>

bool PictureFile::save(const QImage& image, const QString& path, const QColor& matte) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        std::fprintf(stderr, "cannot create folder %s\n", qPrintable(info.absolutePath()));
        return false;
    }
    bool ok = false;
    if (info.suffix().compare(QStringLiteral("bmp"), Qt::CaseInsensitive) == 0) {
        QImage flat(image.size(), QImage::Format_RGB32);
        flat.fill(matte.isValid() ? matte : QColor(Qt::white));
        {
            QPainter p(&flat);
            p.drawImage(0, 0, image);
        }
        ok = flat.convertToFormat(QImage::Format_RGB888).save(path, "BMP");
    } else {
        ok = image.convertToFormat(QImage::Format_ARGB32).save(path, "PNG");
    }
    if (!ok)
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return ok;
}
