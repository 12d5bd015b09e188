#include "platform/NotificationCenter.h"

#include <QObject>
#include <gtest/gtest.h>
#include <memory>

namespace {
NotificationCenter& nc() {
    return NotificationCenter::defaultCenter();
}
} // namespace

TEST(NotificationCenter, ObserversAreFilteredByNameAndSender) {
    int windowA = 0, windowB = 0;
    int fromA = 0, fromAny = 0, allNames = 0;
    const auto t1 =
        nc().addObserver("WillCloseNotification", &windowA, [&](const Notification&) { ++fromA; });
    const auto t2 =
        nc().addObserver("WillCloseNotification", nullptr, [&](const Notification&) { ++fromAny; });
    const auto t3 = nc().addObserver(QString(), &windowB, [&](const Notification&) { ++allNames; });

    nc().postNotificationName("WillCloseNotification", &windowB);
    EXPECT_EQ(fromA, 0);
    EXPECT_EQ(fromAny, 1);
    EXPECT_EQ(allNames, 1);

    nc().postNotificationName("WillCloseNotification", &windowA);
    EXPECT_EQ(fromA, 1);
    EXPECT_EQ(fromAny, 2);
    EXPECT_EQ(allNames, 1);

    nc().postNotificationName("OtherNotification", &windowA);
    EXPECT_EQ(fromA, 1);
    EXPECT_EQ(fromAny, 2);
    for (auto t : {t1, t2, t3})
        nc().removeObserver(t);
}

TEST(NotificationCenter, NotificationCarriesNameSenderAndValuesUntilTheObserverIsRemoved) {
    Notification got;
    int sender = 0, calls = 0;
    const auto t = nc().addObserver("NSAddPfFileNotification", nullptr, [&](const Notification& n) {
        got = n;
        ++calls;
    });
    nc().postNotificationName("NSAddPfFileNotification", &sender, {{"fileName", "mine"}, {"value", "v=1"}});
    EXPECT_EQ(got.name, "NSAddPfFileNotification");
    EXPECT_EQ(got.object, &sender);
    EXPECT_EQ(got.userInfo.value("fileName").toString(), "mine");
    EXPECT_EQ(got.userInfo.value("value").toString(), "v=1");
    nc().removeObserver(t);
    nc().removeObserver(t); // twice is harmless
    nc().postNotificationName("NSAddPfFileNotification");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, ObserverRemovedDuringAPostIsSkipped) {
    int second = 0;
    NotificationCenter::Token t2 = 0;
    const auto t1 = nc().addObserver("N", nullptr, [&](const Notification&) { nc().removeObserver(t2); });
    t2 = nc().addObserver("N", nullptr, [&](const Notification&) { ++second; });
    nc().postNotificationName("N");
    EXPECT_EQ(second, 0);
    nc().removeObserver(t1);
}

TEST(NotificationCenter, ObserverGoesAwayWithItsOwner) {
    const auto before = nc().observerCount();
    int calls = 0;
    {
        QObject owner;
        nc().addObserver(
            "N", nullptr, [&](const Notification&) { ++calls; }, &owner);
        nc().postNotificationName("N");
    }
    nc().postNotificationName("N");
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(nc().observerCount(), before);
}
