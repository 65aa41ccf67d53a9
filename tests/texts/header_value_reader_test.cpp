#include "texts/header_value_reader.h"

#include <gtest/gtest.h>

#include "tests/texts/test_helpers.h"

namespace orvane::texts {
namespace {

using testing::VectorLineSource;

std::vector<std::string> all_items(HeaderValueReader& reader) {
    std::vector<std::string> items;
    while (auto item = reader.next_item()) items.push_back(*item);
    return items;
}

TEST(HeaderValueReader, CommasPartItemsOutsideParenthesesAndQuotes) {
    HeaderValueReader reader(R"(  A, B (x, y), "C, D")", nullptr, kListDepth);
    EXPECT_EQ(all_items(reader), (std::vector<std::string>{"A", "B (x, y)", R"("C, D")"}));
}

TEST(HeaderValueReader, NestedParenthesesAndStrayClosers) {
    HeaderValueReader nested("A (b (c, d), e), F", nullptr, kListDepth);
    EXPECT_EQ(all_items(nested), (std::vector<std::string>{"A (b (c, d), e)", "F"}));
    // A ')' too many does not let the next '(' protect less.
    HeaderValueReader stray("A), B (c, d)", nullptr, kListDepth);
    EXPECT_EQ(all_items(stray), (std::vector<std::string>{"A)", "B (c, d)"}));
    // Quotes protect inside parentheses' reach too.
    HeaderValueReader quoted(R"("A (x", B)", nullptr, kListDepth);
    EXPECT_EQ(all_items(quoted), (std::vector<std::string>{R"("A (x")", "B"}));
}

TEST(HeaderValueReader, StartingDepths) {
    HeaderValueReader subject("Hello, world (really, yes)", nullptr,
                              start_depth_for(HeaderCode::kSubject));
    EXPECT_EQ(all_items(subject), (std::vector<std::string>{"Hello, world (really, yes)"}));
    HeaderValueReader files("a (1, 2).zip, b.txt", nullptr, start_depth_for(HeaderCode::kAttached));
    EXPECT_EQ(all_items(files), (std::vector<std::string>{"a (1", "2).zip", "b.txt"}));
    EXPECT_EQ(start_depth_for(HeaderCode::kCc), kListDepth);
    EXPECT_EQ(start_depth_for(HeaderCode::kComment), kListDepth);
}

TEST(HeaderValueReader, BlanksCollapseAndEmptyItems) {
    HeaderValueReader reader("\tA  \t B ,, C   ", nullptr, kListDepth);
    EXPECT_EQ(all_items(reader), (std::vector<std::string>{"A B", "", "C"}));
    HeaderValueReader empty("   ", nullptr, kListDepth);
    EXPECT_FALSE(empty.next_item());
    HeaderValueReader trailing_comma("A,", nullptr, kListDepth);
    EXPECT_EQ(all_items(trailing_comma), (std::vector<std::string>{"A"}));
}

TEST(HeaderValueReader, ContinuesOnIndentedLinesOnly) {
    VectorLineSource more(
        {"   the second line,", "\tthird", "Date: 15-Jan-99 10:20", "  not reached"});
    HeaderValueReader reader("A first line", &more, kListDepth);
    EXPECT_EQ(all_items(reader),
              (std::vector<std::string>{"A first line the second line", "third"}));
    // The next header line is left for whoever reads on.
    EXPECT_EQ(more.lines_taken(), 2u);
    EXPECT_EQ(more.peek_line(), "Date: 15-Jan-99 10:20");
}

TEST(HeaderValueReader, SubjectOverSeveralLines) {
    VectorLineSource more({"    continued here,", "  and here", ""});
    HeaderValueReader reader("A long subject,", &more, start_depth_for(HeaderCode::kSubject));
    EXPECT_EQ(reader.next_item(), "A long subject, continued here, and here");
    EXPECT_FALSE(reader.next_item());
    EXPECT_EQ(more.lines_taken(), 2u);  // the empty line ends the header block; it stays
}

TEST(HeaderValueReader, ValueEndsAtEmptyOrMissingLine) {
    VectorLineSource none({});
    HeaderValueReader reader("A,", &none, kListDepth);
    EXPECT_EQ(all_items(reader), (std::vector<std::string>{"A"}));
    // An item that starts on the next line.
    VectorLineSource more({"  B"});
    HeaderValueReader split("A,", &more, kListDepth);
    EXPECT_EQ(all_items(split), (std::vector<std::string>{"A", "B"}));
}

TEST(HeaderValueReader, ItemsAreCapped) {
    const std::string long_name(3000, 'x');
    VectorLineSource more({"  " + long_name});
    const std::string first_line = long_name + ", B";
    HeaderValueReader reader(first_line, &more, kListDepth);
    const auto first = reader.next_item();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->size(), HeaderValueReader::kMaxItemLength);
    EXPECT_EQ(reader.next_item(),
              "B " + long_name.substr(0, HeaderValueReader::kMaxItemLength - 2));
    EXPECT_FALSE(reader.next_item());
}

}  // namespace
}  // namespace orvane::texts
