#include "foundation/controls/NamedImage.h"

#include "foundation/helpers/NSBundle.h"
#include "platform/Log.h"

#include <QHash>
#include <QSet>

namespace {

// Pictures are shared by many buttons; read each file once per run. Missing names are
// remembered so that each is reported once.
struct PictureCache {
    QHash<QString, QImage> loaded;
    QSet<QString> missing;
};

PictureCache& cache() {
    static PictureCache c;
    return c;
}

QImage load(const QString& name) {
    if (name.isEmpty())
        return {};
    auto& c = cache();
    if (auto it = c.loaded.constFind(name); it != c.loaded.constEnd())
        return *it;
    if (c.missing.contains(name))
        return {};
    QImage image = NSBundle::imageWithfileName(name);
    if (image.isNull()) {
        c.missing.insert(name);
        qCWarning(lcControls) << "missing picture" << name;
        return {};
    }
    c.loaded.insert(name, image);
    return image;
}

} // namespace

NamedImage::NamedImage(const QString& name) : m_name(name), m_image(load(name)) {}

NamedImage::NamedImage(const char* name) : NamedImage(QString::fromUtf8(name)) {}

NamedImage::NamedImage(const QImage& image) : m_image(image) {}

NamedImage::NamedImage(const QString& name, const QImage& image) : m_name(name), m_image(image) {}

QStringList NamedImage::missingNames() {
    QStringList names(cache().missing.begin(), cache().missing.end());
    names.sort();
    return names;
}
