// The announcement of a new user-made profile by the name prompt.
//
// Name "NSAddPfFileNotification"; sender: the prompt; values: "fileName" (the typed name, no
// extension) and "value" ("custom={<width>x<height>}" with the texts of the settings
// window's custom size fields). Delivered synchronously on the posting (GUI) thread.
#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

inline const QString NSAddPfFileNotification = QStringLiteral("NSAddPfFileNotification");

namespace profiles {

void postAddPfFileNotification(const QObject* sender, const QVariantMap& values);
// Calls `receiver` for every announcement from `sender` until `owner` is destroyed.
void observeAddPfFileNotification(const QObject* sender, std::function<void(const QVariantMap&)> receiver,
                                  QObject* owner);

} // namespace profiles
