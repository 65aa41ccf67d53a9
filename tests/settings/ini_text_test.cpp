#include "settings/ini_text.h"

#include <gtest/gtest.h>

namespace orvane::settings {
namespace {

TEST(IniTextTest, LoadingNormalisesLineEndsAndAddsFinalLineFeed) {
    EXPECT_EQ(normalise_ini_text("[A]\r\nx=1\ry=2"), "[A]\nx=1\ny=2\n");
    EXPECT_EQ(normalise_ini_text(""), "");
    // Nothing is cut, however long.
    std::string long_text(100000, 'a');
    std::string loaded = normalise_ini_text(long_text);
    EXPECT_EQ(loaded.size(), long_text.size() + 1);
    EXPECT_EQ(loaded.back(), '\n');
}

TEST(IniTextTest, ValuesAreFoundWithoutRegardToCaseAndFirstSectionWins) {
    std::string text = "[Options]\nRight Margin=70\n\n[options]\nRight Margin=50\nOther=1\n";
    EXPECT_EQ(ini_value(text, "OPTIONS", "right margin", 100), "70");
    EXPECT_EQ(ini_value(text, "Options", "Other", 100), std::nullopt);
    EXPECT_EQ(ini_value(text, "Missing", "Other", 100), std::nullopt);
}

TEST(IniTextTest, QuotesKeepBlanksAndUnquotedValuesLoseTrailingBlanks) {
    std::string text =
        "[S]\nQuoted=  \"  a b  \"\nPlain=  a b   \nCut=abcdefgh\nKey With Space =x\n;Comment=1\n";
    EXPECT_EQ(ini_value(text, "S", "Quoted", 100), "  a b  ");
    EXPECT_EQ(ini_value(text, "S", "Plain", 100), "a b");
    EXPECT_EQ(ini_value(text, "S", "Cut", 3), "abc");
    EXPECT_EQ(ini_value(text, "S", "Key With Space", 100), std::nullopt);
    EXPECT_EQ(ini_keys(text, "S"),
              (std::vector<std::string>{"Quoted", "Plain", "Cut", "Key With Space "}));
}

TEST(IniTextTest, NewKeysGoAfterTheLastLineOfTheirSection) {
    std::string text = "[A]\nx=1\n\n\n[B]\ny=2\n";
    EXPECT_TRUE(ini_set(&text, "a", "z", "3"));
    EXPECT_EQ(text, "[A]\nx=1\nz=3\n\n\n[B]\ny=2\n");
    EXPECT_TRUE(ini_set(&text, "B", "Y", "4"));
    EXPECT_EQ(text, "[A]\nx=1\nz=3\n\n\n[B]\nY=4\n");
    EXPECT_FALSE(ini_set(&text, "B", "Y", "4"));
}

TEST(IniTextTest, MissingSectionIsAppendedAfterAnEmptyLine) {
    std::string text = "[A]\nx=1\n\n \n";
    EXPECT_TRUE(ini_set(&text, "New", "k", "v"));
    EXPECT_EQ(text, "[A]\nx=1\n\n[New]\nk=v\n");
    std::string empty;
    EXPECT_TRUE(ini_set(&empty, "S", "k", "v"));
    EXPECT_EQ(empty, "[S]\nk=v\n");
}

TEST(IniTextTest, DeletingKeysAndSections) {
    std::string text = "[A]\nx=1\ny=2\n\n[B]\nz=3\n[C]\nw=4\n";
    EXPECT_TRUE(ini_delete_key(&text, "A", "X"));
    EXPECT_FALSE(ini_delete_key(&text, "A", "x"));
    EXPECT_TRUE(ini_delete_section(&text, "b"));
    EXPECT_EQ(text, "[A]\ny=2\n\n[C]\nw=4\n");
    EXPECT_FALSE(ini_delete_section(&text, "B"));
}

TEST(IniTextTest, WrittenValuesCannotAddLinesOrBreakTheLayout) {
    std::string text = "[A]\nx=1\n";
    EXPECT_TRUE(ini_set(&text, "A", "x", "1\n[Evil]\ny=2"));
    EXPECT_FALSE(ini_has_section(text, "Evil"));
    EXPECT_EQ(ini_value(text, "A", "x", 100), "1 [Evil] y=2");
    EXPECT_FALSE(ini_set(&text, "A", "a=b", "1"));
    EXPECT_FALSE(ini_set(&text, "A]", "a", "1"));
    EXPECT_FALSE(ini_set(&text, "A", "", "1"));
}

}  // namespace
}  // namespace orvane::settings
