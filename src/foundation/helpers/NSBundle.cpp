#include "foundation/helpers/NSBundle.h"

#include "platform/BundlePaths.h"

#include <QDir>

QString NSBundle::localizedStringForKey(const QString& key) { return localizedStringForKey(key, QString()); }

QString NSBundle::localizedStringForKey(const QString& key, const QString& value) {
    return value.isEmpty() ? key : value;
}

void NSBundle::setLanguage() {}

bool NSBundle::isalaboLanguage() { return false; }

QImage NSBundle::imageWithfileName(const QString& name) {
    if (name.isEmpty()) return {};
    return QImage(QDir(bundle::settingsBundlePath()).filePath(name));
}

QString NSBundle::resourceBundle() { return bundle::settingsBundlePath(); }
