// Where the output profiles live and how their categories and items are listed.
//
//   <root>/pf.dat                    [frmFormat] Count=N, Type1..TypeN = category names
//   <root>/<category>/<item>.pf      one profile per output format
//   <root>/<category>/<item>.png     its picture in the browsers
//
// Two sets ship in the resource bundle: the editor's ("Settings.bundle/functionFolder") and
// the joiner's ("Settings.bundle/pf_join"). User-made profiles form the category "Custom":
// they are written to "Custom" in the user's data folder ($XDG_DATA_HOME/...); a "Custom"
// folder beside the executable, where earlier versions wrote, is still read after it.
//
// GUI thread (the folder override is not guarded).
#pragma once

#include <QString>
#include <QStringList>

class ProfileSet {
public:
    static inline const QString kKeepOriginal = QStringLiteral("Keep Original");
    static inline const QString kCustomCategory = QStringLiteral("Custom");
    static inline const QString kAudioCategory = QStringLiteral("Audio");
    // The most categories an index lists; no browser shows more.
    static constexpr int kMaxCategories = 64;

    // The editor's and the joiner's shipped sets.
    static ProfileSet editor();
    static ProfileSet joiner();
    explicit ProfileSet(QString rootFolder);

    const QString& rootFolder() const { return root_; }
    QString indexPath() const;
    // "<root>/Video/mkv(HEVC).pf": read when no profile is given.
    QString defaultProfilePath() const;

    // The categories of pf.dat in index order (names trimmed; empty ones skipped; at most
    // kMaxCategories). Empty when the index is missing.
    QStringList categories() const;
    // The item names of a category: "Keep Original" first, then the other profiles by name.
    // "Custom" lists the user-made folders.
    QStringList items(const QString& category) const;
    // The file of an item; empty when there is none.
    QString profilePath(const QString& category, const QString& item) const;

    // The folders of user-made profiles, in reading order.
    static QStringList customFolders();
    // The folder new profiles are written to (not created here).
    static QString customFolderForWriting();
    // True when any user-made folder lists an entry: the browsers then show "Custom".
    static bool customFolderHasEntries();
    // Replaces the default user-made folders (the first one is written to); an empty list
    // restores the defaults. For tests and for a portable set-up.
    static void setCustomFolders(const QStringList& folders);

private:
    QString root_;
};
