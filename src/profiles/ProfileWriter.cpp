#include "profiles/ProfileWriter.h"

#include "platform/Log.h"
#include "profiles/ProfileSet.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

bool ProfileWriter::isValidProfileName(const QString& name) {
    if (name.isEmpty() || name.startsWith(QLatin1Char('.')) || name.contains(QLatin1String("..")) ||
        name.contains(QLatin1Char('/')))
        return false;
    for (const QChar c : name)
        if (c.category() == QChar::Other_Control || c.category() == QChar::Other_Format ||
            c.category() == QChar::Separator_Line || c.category() == QChar::Separator_Paragraph)
            return false;
    return name.toUtf8().size() <= kMaxNameBytes;
}

ProfileWriter::Result ProfileWriter::save(const QStringList& lines, const QString& name,
                                          const QString& folder, Existing existing) {
    if (!isValidProfileName(name)) {
        qCWarning(lcProfiles) << "profile name refused:" << name;
        return Result::InvalidName;
    }
    QByteArray content;
    for (const QString& line : lines) {
        const QByteArray bytes = line.toUtf8();
        if (bytes.size() + 1 > kMaxLineBytes || bytes.contains('\n') || bytes.contains('\r')) {
            qCWarning(lcProfiles) << "profile line refused (too long or holds a line end):" << line.left(40);
            return Result::InvalidLine;
        }
        content += bytes;
        content += '\n';
    }
    if (!QDir().mkpath(folder)) {
        qCWarning(lcProfiles) << "cannot create the profile folder" << folder;
        return Result::FolderFailed;
    }
    const QString path = QDir(folder).filePath(name + QStringLiteral(".pf"));
    if (QFileInfo::exists(path) && existing == Existing::Refuse) {
        qCWarning(lcProfiles) << "profile exists, not replaced:" << path;
        return Result::Exists;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        qCWarning(lcProfiles) << "cannot write the profile" << path << file.errorString();
        return Result::WriteFailed;
    }
    qCDebug(lcProfiles) << "profile saved" << path;
    return Result::Written;
}

bool saveSettingForpf(const QStringList& lines, const QString& fileName, ProfileWriter::Existing existing) {
    return ProfileWriter::save(lines, fileName, ProfileSet::customFolderForWriting(), existing) ==
           ProfileWriter::Result::Written;
}
