#include "profiles/AddPfFileNotification.h"

#if __has_include("platform/NotificationCenter.h")
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

#else
// Until the platform's notification centre is available: the same contract, for this one name.
#include <QPointer>
#include <vector>

namespace profiles {
namespace {
struct Observer {
    const QObject* sender;
    std::function<void(const QVariantMap&)> receiver;
    QPointer<QObject> owner;
};
std::vector<Observer>& observers() {
    static std::vector<Observer> list;
    return list;
}
} // namespace

void postAddPfFileNotification(const QObject* sender, const QVariantMap& values) {
    const std::vector<Observer> now = observers();
    for (const Observer& o : now)
        if (o.owner && (!o.sender || o.sender == sender))
            o.receiver(values);
}

void observeAddPfFileNotification(const QObject* sender, std::function<void(const QVariantMap&)> receiver,
                                  QObject* owner) {
    std::erase_if(observers(), [](const Observer& o) { return !o.owner; });
    observers().push_back({sender, std::move(receiver), owner});
}

} // namespace profiles
#endif
