#include "profiles/ProfileValueParser.h"

#include <gtest/gtest.h>

using P = ProfileValueParser;
using Style = ProfileValueParser::Style;

namespace {
std::optional<QString> chosen(const QString& v, Style s = Style::SettingsWindow) {
    return P::resultSelectItemTitleForContentStr(v, s);
}
std::optional<QStringList> options(const QString& v, Style s = Style::SettingsWindow) {
    return P::resultContentStrForArr(v, s);
}
} // namespace

TEST(ProfileValues, ChosenValueAndOptions) {
    EXPECT_EQ(chosen("h264, {h264,mpeg4}"), "h264");
    EXPECT_EQ(options("h264, {h264,mpeg4}"), (QStringList{"h264", "mpeg4"}));
    EXPECT_EQ(chosen("h264,{h264,mpeg4}"), "h264");
    // Quotes anywhere are ignored.
    EXPECT_EQ(chosen("\"h264\", {\"h264\",\"mpeg4\"}"), "h264");
    EXPECT_EQ(options("\"h264\", {\"h264\",\"mpeg4\"}"), (QStringList{"h264", "mpeg4"}));
    // The blank after "=" in front of a chosen value is trimmed.
    EXPECT_EQ(chosen(" 128, {96,128}"), "128");
}

TEST(ProfileValues, NothingChosen) {
    // The settings window falls back to the first option; the browsers choose nothing.
    EXPECT_EQ(chosen(", {h264,mpeg4}"), "h264");
    EXPECT_EQ(chosen(",{ h264 ,mpeg4}"), "h264");
    EXPECT_EQ(chosen(", {h264,mpeg4}", Style::Browser), QString());
    // One blank chosen: the source's value is kept in both.
    EXPECT_EQ(chosen(" , {h264,mpeg4}"), std::nullopt);
    EXPECT_EQ(chosen(" ,{h264,mpeg4}"), std::nullopt);
    EXPECT_EQ(chosen(" , {h264,mpeg4}", Style::Browser), QString());
    // A quoted single blank: no options and no chosen value.
    EXPECT_EQ(options("\" \""), std::nullopt);
    EXPECT_EQ(chosen("\" \""), std::nullopt);
    EXPECT_EQ(options(""), std::nullopt);
    EXPECT_EQ(chosen("\"\""), std::nullopt);
    // Nothing chosen and no options at all.
    EXPECT_EQ(chosen(", {}"), std::nullopt);
}

TEST(ProfileValues, ValuesWithoutBraces) {
    // Two numbers and no braces: the second is both the choice and the only option.
    EXPECT_EQ(chosen("25,30"), "30");
    EXPECT_EQ(options("25,30"), QStringList{"30"});
    EXPECT_EQ(chosen("mkv"), "mkv");
    EXPECT_EQ(options(" 2 (Stereo)"), QStringList{"2(Stereo)"});
    EXPECT_EQ(options(" 2 (Stereo) ", Style::Browser), QStringList{"2 (Stereo)"});
    EXPECT_EQ(options("25,"), std::nullopt);
    // Two or more items before the braces: the last one, untrimmed.
    EXPECT_EQ(chosen("a, b , {x}"), " b ");
}

TEST(ProfileValues, OptionLists) {
    // Blanks around options and empty options go in the settings window.
    EXPECT_EQ(options("1, { 1 ,, 2 (Stereo) ,}"), (QStringList{"1", "2(Stereo)"}));
    // The browsers keep blanks inside options but still drop empty ones.
    EXPECT_EQ(options("1, { 1 ,, 2 (Stereo)}", Style::Browser), (QStringList{" 1 ", " 2 (Stereo)"}));
    // A "}" before the "{" is no list.
    EXPECT_EQ(options("a}, {b"), QStringList{"{b"});
}

TEST(ProfileValues, TrimSpacesOnly) {
    EXPECT_EQ(P::new_startAndendnospaceString("  a b  "), "a b");
    EXPECT_EQ(P::new_startAndendnospaceString("\ta\t"), "\ta\t");
    EXPECT_EQ(P::new_startAndendnospaceString("   "), std::nullopt);
    EXPECT_EQ(P::new_startAndendnospaceString(""), QString(""));
}
