// The user-defaults store: QSettings behind the keys the windows use, unchanged.
// Values persist across runs; tests point the store at a scratch file with setStorePath().
#pragma once

#include <QSettings>
#include <QString>
#include <QVariant>
#include <memory>

class UserDefaults {
public:
    static UserDefaults& standardUserDefaults();

    QVariant objectForKey(const QString& key) const;
    QString stringForKey(const QString& key) const;    // empty when missing
    long long integerForKey(const QString& key) const; // 0 when missing
    double doubleForKey(const QString& key) const;
    bool boolForKey(const QString& key) const;
    bool hasKey(const QString& key) const;

    void setObject(const QVariant& value, const QString& key);
    void setInteger(long long value, const QString& key);
    void setDouble(double value, const QString& key);
    void setBool(bool value, const QString& key);
    void removeObjectForKey(const QString& key);
    void synchronize();

    // Re-opens the store at an INI file (tests) or, with an empty path, at the default place.
    static void setStorePath(const QString& iniPath);

private:
    UserDefaults();
    std::unique_ptr<QSettings> settings_;
};
