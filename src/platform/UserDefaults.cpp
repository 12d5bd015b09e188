#include "platform/UserDefaults.h"

namespace {
QString& storePath() {
    static QString p;
    return p;
}
} // namespace

UserDefaults::UserDefaults() {
    if (storePath().isEmpty())
        settings_ =
            std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Cutbench", "Cutbench");
    else
        settings_ = std::make_unique<QSettings>(storePath(), QSettings::IniFormat);
}

UserDefaults& UserDefaults::standardUserDefaults() {
    static UserDefaults* instance = new UserDefaults();
    return *instance;
}

void UserDefaults::setStorePath(const QString& iniPath) {
    storePath() = iniPath;
    UserDefaults& d = standardUserDefaults();
    d.settings_->sync();
    if (iniPath.isEmpty())
        d.settings_ =
            std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Cutbench", "Cutbench");
    else
        d.settings_ = std::make_unique<QSettings>(iniPath, QSettings::IniFormat);
}

QVariant UserDefaults::objectForKey(const QString& key) const {
    return settings_->value(key);
}
QString UserDefaults::stringForKey(const QString& key) const {
    return settings_->value(key).toString();
}
long long UserDefaults::integerForKey(const QString& key) const {
    return settings_->value(key).toLongLong();
}
double UserDefaults::doubleForKey(const QString& key) const {
    return settings_->value(key).toDouble();
}
bool UserDefaults::boolForKey(const QString& key) const {
    return settings_->value(key).toBool();
}
bool UserDefaults::hasKey(const QString& key) const {
    return settings_->contains(key);
}
void UserDefaults::setObject(const QVariant& value, const QString& key) {
    settings_->setValue(key, value);
}
void UserDefaults::setInteger(long long value, const QString& key) {
    settings_->setValue(key, value);
}
void UserDefaults::setDouble(double value, const QString& key) {
    settings_->setValue(key, value);
}
void UserDefaults::setBool(bool value, const QString& key) {
    settings_->setValue(key, value);
}
void UserDefaults::removeObjectForKey(const QString& key) {
    settings_->remove(key);
}
void UserDefaults::synchronize() {
    settings_->sync();
}
