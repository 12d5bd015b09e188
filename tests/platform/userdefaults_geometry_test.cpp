#include "platform/Geometry.h"
#include "platform/UserDefaults.h"

#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

TEST(UserDefaults, ValuesSurviveReopeningTheStore) {
    QTemporaryDir dir;
    const QString ini = dir.filePath("defaults.ini");
    UserDefaults::setStorePath(ini);
    auto& d = UserDefaults::standardUserDefaults();
    EXPECT_FALSE(d.hasKey("AppLanguage"));
    EXPECT_EQ(d.integerForKey("AppLanguage"), 0); // missing reads as 0
    d.setInteger(8, "AppLanguage");
    d.setObject(QString("H.264 / AVC"), "vcodec_SelectTitle");
    d.setDouble(29.97, "framerate");
    d.setBool(true, "flag");
    d.synchronize();

    UserDefaults::setStorePath(dir.filePath("other.ini"));
    EXPECT_FALSE(UserDefaults::standardUserDefaults().hasKey("AppLanguage"));

    UserDefaults::setStorePath(ini);
    auto& again = UserDefaults::standardUserDefaults();
    EXPECT_EQ(again.integerForKey("AppLanguage"), 8);
    EXPECT_EQ(again.stringForKey("vcodec_SelectTitle"), "H.264 / AVC");
    EXPECT_DOUBLE_EQ(again.doubleForKey("framerate"), 29.97);
    EXPECT_TRUE(again.boolForKey("flag"));
    again.removeObjectForKey("flag");
    EXPECT_FALSE(again.hasKey("flag"));
    UserDefaults::setStorePath(QString());
}

TEST(Geometry, BottomLeftFramesRoundTripThroughQt) {
    const NSRect r{10, 20, 100, 50};
    const QRectF q = geometry::toQt(r, 300);
    EXPECT_EQ(q, QRectF(10, 230, 100, 50));
    EXPECT_EQ(geometry::fromQt(q, 300), r);
    const NSPoint p{5, 7};
    EXPECT_EQ(geometry::pointFromQt(geometry::pointToQt(p, 40), 40), p);
}

TEST(Geometry, WidgetFramesAreBottomLeftInTheirParent) {
    QWidget parent;
    parent.resize(400, 300);
    QWidget child(&parent);
    geometry::setFrame(&child, NSMakeRect(10, 20, 100, 50));
    EXPECT_EQ(child.geometry(), QRect(10, 230, 100, 50)); // y = 300 - 20 - 50
    EXPECT_EQ(geometry::frame(&child), NSMakeRect(10, 20, 100, 50));
    EXPECT_EQ(geometry::bounds(&child), NSMakeRect(0, 0, 100, 50));
}
