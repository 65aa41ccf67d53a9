#include "texts/code_pages.h"

#include <gtest/gtest.h>

#include "texts/text_record.h"

namespace orvane::texts {
namespace {

uint8_t windows(int variant) {
    return make_charset(charsets::kWindowsClass, variant);
}
uint8_t dos(int variant) {
    return make_charset(charsets::kDosClass, variant);
}

std::string converted(std::string_view utf8, uint8_t charset) {
    ConversionProblem problem;
    std::optional<std::string> out = from_utf8(utf8, charset, false, nullptr, &problem);
    EXPECT_TRUE(out) << "line " << problem.line << " column " << problem.column;
    return out.value_or("");
}

TEST(CodePagesTest, WestEastAndCyrillicTextRoundTripThroughTheirCodePages) {
    struct Case {
        const char* utf8;
        uint8_t charset;
        const char* bytes;
    } cases[] = {
        {"Sm\xC3\xB6rg\xC3\xA5sbord \xC3\xA9", windows(charsets::kWestVariant),
         "Sm\xF6rg\xE5sbord \xE9"},
        {"\xC5\x81\xC3\xB3"
         "d\xC5\xBA",
         windows(charsets::kEastVariant),
         "\xA3\xF3"
         "d\x9F"},
        {"\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82", windows(charsets::kCyrillicVariant),
         "\xCF\xF0\xE8\xE2\xE5\xF2"},
        {"\xD0\x9F\xD1\x80\xD0\xB8", dos(charsets::kCyrillicVariant), "\x8F\xE0\xA8"},
        {"plain ASCII", 0, "plain ASCII"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(converted(c.utf8, c.charset), c.bytes) << c.utf8;
        EXPECT_EQ(to_utf8(c.bytes, c.charset), c.utf8);
    }
}

TEST(CodePagesTest, ProblemsAreFoundWithTheirLineAndColumn) {
    ConversionProblem problem;
    EXPECT_FALSE(from_utf8("ok\nab\xFFz", windows(1), true, nullptr, &problem));
    EXPECT_EQ(problem.kind, ConversionProblem::Kind::kNotUtf8);
    EXPECT_EQ(problem.line, 2u);
    EXPECT_EQ(problem.column, 3u);
    for (const char* bad : {"\xC3", "\xC0\xAF", "\xED\xA0\x80", "\xF4\x90\x80\x80"})
        EXPECT_FALSE(from_utf8(bad, windows(1), true, nullptr, &problem)) << "overlong, cut, "
                                                                             "surrogate or too big";

    // "é" and then a Cyrillic letter that Windows west cannot hold.
    EXPECT_FALSE(from_utf8("\xC3\xA9 \xD0\x96", windows(1), false, nullptr, &problem));
    EXPECT_EQ(problem.kind, ConversionProblem::Kind::kNotInCodePage);
    EXPECT_EQ(problem.column, 3u) << "columns count characters, not bytes";
    EXPECT_EQ(problem.character, "\xD0\x96");

    std::vector<Replacement> replaced;
    std::optional<std::string> out =
        from_utf8("na\xC3\xAFve \xE2\x82\xAC \xD0\x96", windows(1), true, &replaced, &problem);
    ASSERT_TRUE(out);
    EXPECT_EQ(out->substr(0, 8), "na\xEFve \x80 ") << "what fits is kept as it is";
    ASSERT_EQ(replaced.size(), 1u);
    EXPECT_EQ(replaced[0].typed, "\xD0\x96");
}

TEST(CodePagesTest, BytesTheCodePageLeavesUndefinedShowAsReplacementCharacters) {
    EXPECT_EQ(to_utf8("a\x81z", windows(1)), "a\xEF\xBF\xBDz");
}

}  // namespace
}  // namespace orvane::texts
