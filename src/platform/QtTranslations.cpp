#include "platform/QtTranslations.h"

#include "platform/Log.h"

#include <QCoreApplication>
#include <QHash>
#include <QLibraryInfo>
#include <QTranslator>
#include <memory>

namespace qttranslations {

QString qtLanguageName(const QString& languageCode) {
    static const QHash<QString, QString> names{{"zh-Hans", "zh_CN"}, {"zh-Hant", "zh_TW"}, {"fr", "fr"},
                                               {"de", "de"},         {"ja", "ja"},         {"es", "es"},
                                               {"pt-PT", "pt_BR"},   {"ar", "ar"}};
    return names.value(languageCode);
}

bool install(const QString& languageCode) {
    static QTranslator* current = nullptr;
    if (current) {
        QCoreApplication::removeTranslator(current);
        delete current;
        current = nullptr;
    }
    const QString name = qtLanguageName(languageCode);
    if (name.isEmpty() || !QCoreApplication::instance())
        return false;
    auto translator = std::make_unique<QTranslator>();
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (!translator->load(QStringLiteral("qtbase_") + name, folder)) {
        qCWarning(lcApp) << "no Qt translation for" << languageCode << "in" << folder;
        return false;
    }
    current = translator.release();
    QCoreApplication::installTranslator(current);
    return true;
}

} // namespace qttranslations
