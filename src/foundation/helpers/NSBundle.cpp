#include "foundation/helpers/NSBundle.h"

#include "foundation/helpers/StringsTable.h"
#include "platform/Alerts.h"
#include "platform/BundlePaths.h"
#include "platform/Log.h"
#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QThread>
#include <algorithm>
#include <array>
#include <memory>
#include <mutex>

namespace {

const QString kLanguageKey = QStringLiteral("AppLanguage");
const QString kEnglish = QStringLiteral("en");

struct BundleState {
    std::mutex mutex;
    int languageCount = 0; // 0 = not decided yet
    QHash<QString, std::shared_ptr<const StringsTable>> tables;
    QHash<QString, QImage> images;
};

BundleState& state() {
    static BundleState* s = new BundleState();
    return *s;
}

// Every plain alert's button reads "OK" in the interface language, whichever window shows it.
[[maybe_unused]] const bool kAlertButtonTitled = [] {
    Alerts::setButtonTitle([] { return NSBundle::localizedStringForKey(QStringLiteral("OKBtnTitle")); });
    return true;
}();

std::shared_ptr<const StringsTable> tableLocked(BundleState& s, const QString& code) {
    auto it = s.tables.constFind(code);
    if (it != s.tables.constEnd())
        return *it;
    const QString path = QDir(bundle::resourcePath()).filePath(code + QStringLiteral(".lproj/Main.strings"));
    auto table = std::make_shared<const StringsTable>(StringsTable::load(path));
    s.tables.insert(code, table);
    return table;
}

int languageCountLocked(BundleState& s) {
    if (s.languageCount == 0) {
        s.languageCount = tableLocked(s, kEnglish)->contains(QStringLiteral("LangeuageItem4")) ? 9 : 4;
        qCDebug(lcApp) << "interface languages offered:" << s.languageCount;
    }
    return s.languageCount;
}

int clampIndex(long long index) {
    return static_cast<int>(std::clamp<long long>(index, 0, 8));
}

QString codeFor(int count, int index) {
    static const std::array<const char*, 9> nine = {"en", "zh-Hans", "zh-Hant", "fr", "de",
                                                    "ja", "es",      "pt-PT",   "ar"};
    static const std::array<const char*, 9> four = {"en", "zh-Hant", "fr", "ja", "en",
                                                    "en", "en",      "en", "en"};
    const int i = clampIndex(index);
    return QString::fromLatin1(count == 4 ? four[i] : nine[i]);
}

} // namespace

QString NSBundle::localizedStringForKey(const QString& key) {
    return localizedStringForKey(key, QString());
}

QString NSBundle::localizedStringForKey(const QString& key, const QString& value) {
    const int index = languageIndex();
    BundleState& s = state();
    std::lock_guard lock(s.mutex);
    const QString code = codeFor(languageCountLocked(s), index);
    if (auto text = tableLocked(s, code)->value(key))
        return *text;
    if (code != kEnglish)
        if (auto text = tableLocked(s, kEnglish)->value(key))
            return *text;
    return value.isEmpty() ? key : value;
}

void NSBundle::setLanguage() {
    {
        BundleState& s = state();
        std::lock_guard lock(s.mutex);
        // Tables are read again so that a switch also picks up tables changed on disk.
        s.tables.clear();
        const int count = languageCountLocked(s);
        qCDebug(lcApp).noquote() << "interface language" << codeFor(count, languageIndex());
    }
    applyLayoutDirection();
}

void NSBundle::applyLayoutDirection() {
    // Arabic reads from the right: the windows made from now on are laid out mirrored, and
    // the ones open take the direction at once (what they place themselves, they place
    // again when they lay out).
    if (!qGuiApp || QThread::currentThread() != qGuiApp->thread())
        return;
    QGuiApplication::setLayoutDirection(currentLanguageCode() == QLatin1String("ar") ? Qt::RightToLeft
                                                                                     : Qt::LeftToRight);
}

bool NSBundle::isalaboLanguage() {
    return UserDefaults::standardUserDefaults().integerForKey(kLanguageKey) > 7;
}

QImage NSBundle::imageWithfileName(const QString& name) {
    if (name.isEmpty())
        return {};
    BundleState& s = state();
    std::lock_guard lock(s.mutex);
    auto it = s.images.constFind(name);
    if (it != s.images.constEnd())
        return *it;
    const QString path = QDir(bundle::settingsBundlePath()).filePath(name);
    QImage image;
    if (QFileInfo(path).isFile() && !image.load(path))
        qCWarning(lcApp).noquote() << "unreadable picture" << path;
    if (image.isNull())
        qCDebug(lcApp).noquote() << "no picture" << name;
    s.images.insert(name, image); // a missing picture is remembered too: it is asked for on every paint
    return image;
}

QString NSBundle::resourceBundle() {
    return bundle::settingsBundlePath();
}

int NSBundle::languageCount() {
    BundleState& s = state();
    std::lock_guard lock(s.mutex);
    return languageCountLocked(s);
}

int NSBundle::languageIndex() {
    return clampIndex(UserDefaults::standardUserDefaults().integerForKey(kLanguageKey));
}

QString NSBundle::languageCode(int index) {
    return codeFor(languageCount(), index);
}

QString NSBundle::currentLanguageCode() {
    return languageCode(languageIndex());
}

QString NSBundle::getCurrentBundleIdentifier() {
    return QStringLiteral("org.cutbench.Cutbench");
}

QString NSBundle::getCurrentVersion() {
    return QStringLiteral(CUTBENCH_VERSION);
}

void NSBundle::reloadForTesting() {
    BundleState& s = state();
    std::lock_guard lock(s.mutex);
    s.tables.clear();
    s.images.clear();
    s.languageCount = 0;
}
