// The words each field of a text gives the search index, and the folding
// tables for the bytes above 0x7F.
#include "cabinet/search_words.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>

#include "cabinet/search_folding.h"
#include "tests/cabinet/search_fixture.h"

namespace orvane::cabinet {
namespace {

using texts::HeaderCode;
using texts::TextRecord;
using Keys = std::vector<std::string>;

bool has(const Keys& keys, const std::string& key) {
    return std::binary_search(keys.begin(), keys.end(), key);
}

TEST(SearchWordsTest, BodyWordsAreFoldedAndSeparatedByEveryOtherAsciiByte) {
    TextRecord text;
    text.body = "Hello, WORLD\nit's 2024_07 x-ray\n";
    EXPECT_EQ(index_keys(text, false),
              (Keys{"07", "2024", "hello", "it", "ray", "s", "world", "x"}));
}

TEST(SearchWordsTest, EachFieldHasItsPrefixAndItsCharacters) {
    TextRecord text;
    text.author = {3, "Anna.Berg@TELVA"};
    text.receivers.push_back(testing::receiver_named("QOR.general"));
    text.receivers.push_back(testing::receiver_named("Carl Dahl"));
    text.subject = "Re: Meeting notes";
    text.fields.push_back({HeaderCode::kAttached, "My_Report.v2.TXT"});
    text.fields.push_back({HeaderCode::kRemark, "not indexed"});
    const Keys keys = index_keys(text, false);
    EXPECT_TRUE(has(keys, "<anna.berg@telva")) << "one word with '.' and '@'";
    EXPECT_FALSE(has(keys, "<anna"));
    EXPECT_TRUE(has(keys, ">qor.general"));
    EXPECT_TRUE(has(keys, ">carl"));
    EXPECT_TRUE(has(keys, ">dahl"));
    for (const char* word : {"re", "meeting", "notes"}) {
        EXPECT_TRUE(has(keys, std::string(":") + word)) << word;
        EXPECT_TRUE(has(keys, word)) << "subject words also without prefix: " << word;
    }
    // The file name with '.', again with '.' and '_', and its extension.
    EXPECT_TRUE(has(keys, ";my"));
    EXPECT_TRUE(has(keys, ";report.v2.txt"));
    EXPECT_TRUE(has(keys, ";my_report.v2.txt"));
    EXPECT_TRUE(has(keys, ";txt"));
    EXPECT_FALSE(has(keys, "indexed"));
    EXPECT_FALSE(has(keys, ";v2")) << "'.' keeps the name together";

    // "Remove Re" leaves the prefixes out of the subject's words.
    const Keys without_re = index_keys(text, true);
    EXPECT_FALSE(has(without_re, ":re"));
    EXPECT_FALSE(has(without_re, "re"));
    EXPECT_TRUE(has(without_re, ":meeting"));
}

TEST(SearchWordsTest, WordsLongerThanTheirLimitAreNotIndexedAtAll) {
    TextRecord text;
    const std::string w31(31, 'a'), w32(32, 'b'), w40(40, 'c'), n253(253, 'd'), n254(254, 'e');
    text.body = w31 + " " + w32 + " " + w40;
    text.author = {0, w40};
    text.receivers.push_back(testing::receiver_named(n253));
    text.receivers.push_back(testing::receiver_named(n254));
    const Keys keys = index_keys(text, false);
    EXPECT_TRUE(has(keys, w31));
    EXPECT_FALSE(has(keys, w32));
    EXPECT_FALSE(has(keys, std::string(31, 'b'))) << "not cut to the limit either";
    EXPECT_FALSE(has(keys, w40));
    EXPECT_TRUE(has(keys, "<" + w40)) << "a 40-character author is indexed";
    EXPECT_TRUE(has(keys, ">" + n253));
    EXPECT_FALSE(has(keys, ">" + n254));
}

TEST(SearchWordsTest, BytesAboveAsciiFollowTheTextsCodePage) {
    TextRecord text;
    text.charset =
        texts::make_charset(texts::charsets::kWindowsClass, texts::charsets::kWestVariant);
    text.body = "\xC4RGER \xE4rger \xD7 na\xEFve \x80uro";  // ÄRGER ärger × naïve €uro
    Keys keys = index_keys(text, false);
    EXPECT_TRUE(has(keys, "\xE4rger")) << "upper and lower case give one word";
    EXPECT_EQ(std::count(keys.begin(), keys.end(), "\xE4rger"), 1);
    EXPECT_TRUE(has(keys, "na\xEFve"));
    EXPECT_TRUE(has(keys, "uro")) << "the euro sign separates";

    text.charset =
        texts::make_charset(texts::charsets::kDosClass, texts::charsets::kCyrillicVariant);
    text.body = "\x8F\x90\x88\x82\x85\x92 \xAF\xE0\xA8\xA2\xA5\xE2";  // ПРИВЕТ привет in CP866
    keys = index_keys(text, false);
    EXPECT_EQ(keys, Keys{"\xAF\xE0\xA8\xA2\xA5\xE2"});

    // Names do not use the code page, and a character set without a table
    // makes every high byte a separator.
    text.author = {0, "M\xFCller"};
    text.charset = texts::make_charset(4, 1);
    text.body = "gr\xFC\xDF";
    keys = index_keys(text, false);
    EXPECT_TRUE(has(keys, "<m"));
    EXPECT_TRUE(has(keys, "<ller"));
    EXPECT_TRUE(has(keys, "gr"));
}

TEST(SearchWordsTest, TablesMatchTheCodePagesAsIconvGivesThem) {
    const std::string command =
        std::string("python3 '") + ORVANE_TEST_TOOLS + "/folding_tables.py' --hex";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::string output;
    char buffer[4096];
    while (size_t got = fread(buffer, 1, sizeof buffer, pipe)) output.append(buffer, got);
    ASSERT_EQ(pclose(pipe), 0) << output;

    std::istringstream lines(output);
    size_t index = 0;
    for (std::string name, page, hex; lines >> name >> page >> hex; ++index) {
        ASSERT_LT(index, kFoldingTableCount);
        const FoldingTable& table = kFoldingTables[index];
        EXPECT_EQ(name, std::string(1, table.class_letter) + std::to_string(table.variant));
        EXPECT_EQ(page, table.code_page);
        ASSERT_EQ(hex.size(), 256u);
        for (size_t i = 0; i < 128; ++i)
            EXPECT_EQ(std::stoi(hex.substr(i * 2, 2), nullptr, 16), table.fold[i])
                << page << " byte " << std::hex << 0x80 + i;
    }
    EXPECT_EQ(index, kFoldingTableCount);

    // Each table is found by its charset byte; other character sets have none.
    for (const FoldingTable& table : kFoldingTables) {
        const int char_class =
            static_cast<int>(texts::charsets::kClassLetters.find(table.class_letter));
        EXPECT_EQ(folding_table(texts::make_charset(char_class, table.variant)), &table);
    }
    EXPECT_EQ(folding_table(texts::make_charset(texts::charsets::kWindowsClass, 3)), nullptr);
    EXPECT_EQ(folding_table(0), nullptr);
}

TEST(SearchWordsTest, FileExtensionIsTheWordAfterTheLastDot) {
    EXPECT_EQ(file_extension("a.tar.gz"), "gz");
    EXPECT_EQ(file_extension("README"), "");
    EXPECT_EQ(file_extension("name. txt"), "");
    EXPECT_EQ(shown_key("<anna"), "from:anna");
    EXPECT_EQ(shown_key("word"), "word");
}

}  // namespace
}  // namespace orvane::cabinet
