#include "foundation/helpers/HelpClass.h"

#include <gtest/gtest.h>

TEST(TimeStrings, HundredthsAreNotLostToFloatingPoint) {
    EXPECT_EQ(HelpClass::returnTimeToStr(0), "00:00:00.00");
    EXPECT_EQ(HelpClass::returnTimeToStr(1.29), "00:00:01.29");
    EXPECT_EQ(HelpClass::returnTimeToStr(1.29f), "00:00:01.29"); // from a single-precision field
    EXPECT_EQ(HelpClass::returnTimeToStr(12.345f), "00:00:12.35");
    EXPECT_EQ(HelpClass::returnTimeToStr(59.99), "00:00:59.99");
    EXPECT_EQ(HelpClass::returnTimeToStr(59.999), "00:01:00.00"); // rounding carries into the minute
    EXPECT_EQ(HelpClass::returnTimeToStr(3661.5), "01:01:01.50");
    EXPECT_EQ(HelpClass::returnTimeToStr(360000.25), "100:00:00.25");
}

TEST(TimeStrings, NegativeAndNonFiniteTimesShowZero) {
    EXPECT_EQ(HelpClass::returnTimeToStr(-1.5), "00:00:00.00");
    EXPECT_EQ(HelpClass::returnTimeToStr(std::nan("")), "00:00:00.00");
    EXPECT_EQ(HelpClass::returnTimeToStr(-INFINITY), "00:00:00.00");
    EXPECT_EQ(HelpClass::returnTimeToCutFileName(-3), "000000.00");
    // Absurdly large values are capped instead of overflowing.
    EXPECT_FALSE(HelpClass::returnTimeToStr(INFINITY).contains('-'));
    EXPECT_FALSE(HelpClass::returnTimeToStr(1e300).contains('-'));
}

TEST(TimeStrings, CutFileNameAndParts) {
    EXPECT_EQ(HelpClass::returnTimeToCutFileName(3661.5), "010101.50");
    EXPECT_EQ(HelpClass::returnTimeToCutFileName(1.29f), "000001.29");
    EXPECT_EQ(HelpClass::retrnTimeToStr(1, 75, 3, 7), "01:75:03.07"); // not normalised
    EXPECT_EQ(HelpClass::retrnTimeToStr(-1, 2, -3, 123), "00:02:00.123");
    EXPECT_EQ(HelpClass::splitTime(3661.5), (HelpClass::TimeParts{1, 1, 1, 50}));
    EXPECT_DOUBLE_EQ(HelpClass::timeFromParts(1, 1, 1, 50), 3661.5);
}

TEST(TimeStrings, EveryDisplayedTimeReadsBackToItself) {
    // A field is shown, re-read for the export, shown again: nothing may drift.
    for (int cs = 0; cs < 400000; cs += 7) {
        const double t = cs / 100.0;
        const QString shown = HelpClass::returnTimeToStr(t);
        const auto back = HelpClass::parseTimeStr(shown);
        ASSERT_TRUE(back) << shown.toStdString();
        ASSERT_EQ(HelpClass::returnTimeToStr(*back), shown);
        ASSERT_EQ(std::llround(*back * 100), cs) << shown.toStdString();
        // Through single precision, as the records hold times.
        ASSERT_EQ(HelpClass::returnTimeToStr(static_cast<float>(*back)), shown) << shown.toStdString();
    }
}

TEST(TimeStrings, ParserAcceptsTimeShapesAndRefusesOthers) {
    EXPECT_DOUBLE_EQ(*HelpClass::parseTimeStr("01:01:01.50"), 3661.5);
    EXPECT_DOUBLE_EQ(*HelpClass::parseTimeStr("100:00:00.25"), 360000.25);
    EXPECT_DOUBLE_EQ(*HelpClass::parseTimeStr(" 02:03.5 "), 123.5);
    EXPECT_DOUBLE_EQ(*HelpClass::parseTimeStr("90"), 90);
    EXPECT_DOUBLE_EQ(*HelpClass::parseTimeStr("0.05"), 0.05);
    EXPECT_DOUBLE_EQ(*HelpClass::parseTimeStr("00:75:00.00"), 4500);
    for (const char* bad : {"", " ", "abc", "-1", "1:", ":1", "1::2", "1.2.3", "01:02:03:04", "1.", "1,5",
                            "1e3", "99999999999:00:00"})
        EXPECT_FALSE(HelpClass::parseTimeStr(bad)) << bad;
}

TEST(ColourWord, RedInTheTopByteAlphaIgnored) {
    EXPECT_EQ(HelpClass::retDwordColorVolue(QColor(33, 176, 235)), 0x21B0EB00u);
    EXPECT_EQ(HelpClass::retDwordColorVolue(QColor::fromRgbF(33 / 255.0f, 176 / 255.0f, 235 / 255.0f)),
              0x21B0EB00u);
    for (int alpha : {0, 1, 128, 255})
        EXPECT_EQ(HelpClass::retDwordColorVolue(QColor(33, 176, 235, alpha)), 0x21B0EB00u) << alpha;
    EXPECT_EQ(HelpClass::retDwordColorVolue(QColor::fromHsv(0, 255, 255)),
              0xFF000000u); // other colour models
    EXPECT_EQ(HelpClass::retDwordColorVolue(QColor()), 0u);
}

TEST(TextHeight, GrowsWithWrappedLinesAndDefaultsTo30) {
    const NSRect one = HelpClass::getHeightOfText("Word", 1000, 1000);
    const NSRect many = HelpClass::getHeightOfText("Word word word word word word word word", 60, 1000);
    EXPECT_GT(one.height, 30); // the 30-point system font plus the margin of 4
    EXPECT_GT(many.height, 2 * one.height - 4);
    QFont small = HelpClass::fontWithName("", 10);
    EXPECT_LT(HelpClass::getHeightOfText("Word", 1000, 1000, &small).height, one.height);
    EXPECT_GT(HelpClass::getHeightOfText(QString(), 100, 100).height, 0); // null text measured as empty
}
