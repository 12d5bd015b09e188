#include "editor/core/SaveImage.h"

#include "platform/Log.h"

#include <QDir>
#include <QSaveFile>

namespace {

QString expandTilde(const QString& path) {
    if (path == QLatin1String("~"))
        return QDir::homePath();
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

} // namespace

bool saveImage(const QImage& image, const QString& path) {
    const QString target = expandTilde(path);
    bool ok = false;
    if (!image.isNull() && !target.isEmpty()) {
        QSaveFile file(target);
        ok = file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
        if (!ok)
            qCWarning(lcEditor) << "cannot write" << target << ":" << file.errorString();
    }
    qCInfo(lcEditor, "Save Image: %d", ok ? 1 : 0);
    return ok;
}
