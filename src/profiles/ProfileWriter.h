// Writes user-made output profiles: one line and LF per entry, so that readProfileValue
// reads every value back exactly. Failures are logged and reported to the caller; nothing
// is half-written (the file is written aside and then moved into place) and an existing
// profile is replaced only when the caller says that the user agreed.
//
// GUI thread.
#pragma once

#include <QString>
#include <QStringList>

class ProfileWriter {
public:
    static constexpr qsizetype kMaxLineBytes = 255; // a written line with its LF
    static constexpr qsizetype kMaxNameBytes = 250; // the name, so that "<name>.pf" fits a file name

    enum class Existing { Refuse, Replace };
    enum class Result { Written, InvalidName, InvalidLine, Exists, FolderFailed, WriteFailed };

    // A name the user typed is usable as a profile file name: not empty, no "/", not starting
    // with ".", no "..", no control characters, not too long.
    static bool isValidProfileName(const QString& name);

    // Writes "<name>.pf" with `lines` into `folder` (created with its parents when missing).
    static Result save(const QStringList& lines, const QString& name, const QString& folder,
                       Existing existing = Existing::Refuse);
};

// Writes the profile "<fileName>.pf" into the user-made folder (ProfileSet::customFolderForWriting).
// False when it was not written (the reason is logged).
bool saveSettingForpf(const QStringList& lines, const QString& fileName,
                      ProfileWriter::Existing existing = ProfileWriter::Existing::Refuse);
