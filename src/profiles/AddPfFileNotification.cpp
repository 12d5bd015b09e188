#include "profiles/AddPfFileNotification.h"

#include "platform/NotificationCenter.h"

namespace profiles {

void postAddPfFileNotification(const QObject* sender, const QVariantMap& values) {
    NotificationCenter::defaultCenter().postNotificationName(NSAddPfFileNotification, sender, values);
}

void observeAddPfFileNotification(const QObject* sender, std::function<void(const QVariantMap&)> receiver,
                                  QObject* owner) {
    NotificationCenter::defaultCenter().addObserver(
        NSAddPfFileNotification, sender,
        [receiver = std::move(receiver)](const Notification& n) { receiver(n.userInfo); }, owner);
}

} // namespace profiles
