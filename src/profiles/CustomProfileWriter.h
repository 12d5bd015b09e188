// Turns the name prompt's announcement (NSAddPfFileNotification) into a profile file in the
// user-made folder, so that the browsers list it under "Custom".
//
// The new profile is the profile the settings window showed, with the choices the user made
// there (the stored keys of the opener's family) as its chosen values, the custom frame size
// of the announcement and the custom bit rate where "Custom" was chosen; its option lists
// are those of that profile. The prompt asks before a name is reused, so an existing
// profile is replaced. Beside it goes a tile picture of its container.
//
// After writing it posts NSPfFileWrittenNotification (value: "path" of the new profile), so
// that open windows list it at once.
//
// Owned by the prompt it listens to (a child QObject). GUI thread only.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>

inline const QString NSPfFileWrittenNotification = QStringLiteral("NSPfFileWrittenNotification");

class CustomProfileWriter : public QObject {
    Q_OBJECT
public:
    CustomProfileWriter(QObject* prompt, bool joinner, QString templatePath, bool audioOnly);

    // The lines of a profile made from `templatePath` and the stored choices.
    static QStringList profileLines(bool joinner, const QString& templatePath, bool audioOnly,
                                    const QString& customValue);
    // Writes the profile "<name>.pf" (and its picture); false when it could not be written.
    bool write(const QString& name, const QString& customValue) const;

private:
    void received(const QVariantMap& values) const;

    bool joinner_;
    QString templatePath_;
    bool audioOnly_;
};
