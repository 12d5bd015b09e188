#include "profiles/ProfileSet.h"

#include "platform/BundlePaths.h"
#include "profiles/ProfileReader.h"
#include "profiles/ProfileValueParser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <algorithm>

namespace {

QStringList& customFolderOverride() {
    static QStringList folders;
    return folders;
}

QString besideExecutable() {
    return QDir(bundle::executableDirectory()).filePath(ProfileSet::kCustomCategory);
}

QString inUserData() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation))
        .filePath(ProfileSet::kCustomCategory);
}

// Profile names of one folder, sorted by name.
QStringList profileNames(const QString& folder) {
    QStringList names;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        {QStringLiteral("*.pf")}, QDir::Files | QDir::Readable, QDir::Name | QDir::IgnoreCase);
    for (const QFileInfo& entry : entries)
        if (entry.suffix() == QLatin1String("pf"))
            names << entry.completeBaseName();
    return names;
}

} // namespace

ProfileSet ProfileSet::editor() {
    return ProfileSet(QDir(bundle::settingsBundlePath()).filePath(QStringLiteral("functionFolder")));
}

ProfileSet ProfileSet::joiner() {
    return ProfileSet(QDir(bundle::settingsBundlePath()).filePath(QStringLiteral("pf_join")));
}

ProfileSet::ProfileSet(QString rootFolder) : root_(std::move(rootFolder)) {}

QString ProfileSet::indexPath() const {
    return QDir(root_).filePath(QStringLiteral("pf.dat"));
}

QString ProfileSet::defaultProfilePath() const {
    return QDir(root_).filePath(QStringLiteral("Video/mkv(HEVC).pf"));
}

QStringList ProfileSet::categories() const {
    // "Count" and every name it may reach come from one read of the index; a larger Count
    // (a damaged or hostile index) is cut to kMaxCategories.
    std::vector<std::string> keys{"Count"};
    for (int i = 1; i <= kMaxCategories; ++i)
        keys.push_back(std::string("Type").append(std::to_string(i)));
    const std::vector<std::string> values =
        profiles::readProfileValues("frmFormat", keys, QFile::encodeName(indexPath()).toStdString());
    const int count = std::min(QString::fromStdString(values[0]).trimmed().toInt(), kMaxCategories);
    QStringList names;
    for (int i = 1; i <= count; ++i) {
        const QString raw = QString::fromStdString(values[i]);
        const QString name = ProfileValueParser::new_startAndendnospaceString(raw).value_or(QString());
        // A category is a folder name: nothing empty and nothing that leaves the root.
        if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')))
            continue;
        names << name;
    }
    return names;
}

QStringList ProfileSet::items(const QString& category) const {
    QStringList names;
    if (category == kCustomCategory) {
        for (const QString& folder : customFolders())
            for (const QString& name : profileNames(folder))
                if (!names.contains(name))
                    names << name;
    } else if (!category.contains(QLatin1Char('/'))) {
        names = profileNames(QDir(root_).filePath(category));
    }
    if (names.removeAll(kKeepOriginal) > 0)
        names.prepend(kKeepOriginal);
    return names;
}

QString ProfileSet::profilePath(const QString& category, const QString& item) const {
    if (item.isEmpty() || item.contains(QLatin1Char('/')) || category.contains(QLatin1Char('/')))
        return {};
    const QString file = item + QStringLiteral(".pf");
    const QStringList folders =
        category == kCustomCategory ? customFolders() : QStringList{QDir(root_).filePath(category)};
    for (const QString& folder : folders) {
        QString path = QDir(folder).filePath(file);
        if (QFileInfo(path).isFile())
            return path;
    }
    return {};
}

QStringList ProfileSet::customFolders() {
    if (!customFolderOverride().isEmpty())
        return customFolderOverride();
    // The user's own folder first; a folder beside the executable, where earlier versions
    // wrote, is still read so that profiles saved there stay offered.
    return {inUserData(), besideExecutable()};
}

QString ProfileSet::customFolderForWriting() {
    if (!customFolderOverride().isEmpty())
        return customFolderOverride().constFirst();
    // The user's data folder ($XDG_DATA_HOME): the program's own folder is never written.
    return inUserData();
}

bool ProfileSet::customFolderHasEntries() {
    for (const QString& folder : customFolders())
        if (!QDir(folder).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot))
            return true;
    return false;
}

void ProfileSet::setCustomFolders(const QStringList& folders) {
    customFolderOverride() = folders;
}
