#include "texts/header_values.h"

#include <gtest/gtest.h>

#include "tests/texts/test_helpers.h"

namespace orvane::texts {
namespace {

using testing::TestNameLookup;
using testing::TestNodes;
using testing::VectorLineSource;

class HeaderValues : public ::testing::Test {
  protected:
    bool read(std::string_view line, LineSource* more = nullptr) {
        return read_header_line(text, line, more, context, reverse_links);
    }

    TestNodes nodes;
    TestNameLookup names;
    HeaderContext context{nodes, names, 'T'};
    TextRecord text;
    std::vector<ReverseLink> reverse_links;
};

TEST_F(HeaderValues, NamesInAnyCase) {
    EXPECT_TRUE(read("FROM: Anna Berg"));
    EXPECT_EQ(text.author, (KindedName{1, "Anna Berg"}));
    EXPECT_TRUE(read("receiver: Bo"));
    EXPECT_TRUE(read("Single Copy: Cy"));
    ASSERT_EQ(text.receivers.size(), 2u);
    EXPECT_EQ(text.receivers[0].code, HeaderCode::kTo);
    EXPECT_EQ(text.receivers[1].code, HeaderCode::kScc);
}

TEST_F(HeaderValues, UnknownOrMalformedLinesChangeNothing) {
    EXPECT_FALSE(read("X-Mailer: Something"));
    EXPECT_FALSE(read("No colon here"));
    EXPECT_FALSE(read("Subtract: Anna"));
    EXPECT_EQ(text, TextRecord{});
}

TEST_F(HeaderValues, ReceiverListWithQuotesAndParentheses) {
    EXPECT_TRUE(read(R"(To: A, B (x, y), "C, D")"));
    ASSERT_EQ(text.receivers.size(), 3u);
    EXPECT_EQ(text.receivers[0].name.text, "A");
    EXPECT_EQ(text.receivers[1].name.text, "B (x, y)");
    EXPECT_EQ(text.receivers[2].name.text, R"("C, D")");
    for (const ReceiverEntry& receiver : text.receivers) {
        EXPECT_EQ(receiver.code, HeaderCode::kTo);
        EXPECT_EQ(receiver.previous_code, HeaderCode::kTo);  // came from the server
        EXPECT_EQ(receiver.name_type, 2);
    }
}

TEST_F(HeaderValues, ReceiverItemsWithDatesAndSenders) {
    VectorLineSource more({"     Bo Ek [3]", "Subject: next"});
    EXPECT_TRUE(read("Cc-For: Anna (sent: 15-Jan-99 10:20 EST) (sender: Carl),", &more));
    ASSERT_EQ(text.receivers.size(), 2u);
    EXPECT_EQ(text.receivers[0].name.text, "Anna");
    EXPECT_EQ(text.receivers[0].sender, "Carl");
    EXPECT_EQ(text.receivers[0].date, 916413640u);  // 15:20:40 UTC, date_vectors.py
    EXPECT_EQ(text.receivers[0].code, HeaderCode::kCcFor);
    EXPECT_EQ(text.receivers[1].name.text, "Bo Ek");
    EXPECT_EQ(text.receivers[1].number, 3u);
    EXPECT_EQ(more.peek_line(), "Subject: next");

    context.colon_form = true;
    EXPECT_TRUE(read("To: Dan -- posted: 15-Jan-99 10:20 Sender: Eva"));
    ASSERT_EQ(text.receivers.size(), 3u);
    EXPECT_EQ(text.receivers[2].name.text, "Dan");
    EXPECT_EQ(text.receivers[2].sender, "Eva");
    EXPECT_EQ(text.receivers[2].date_kind, DateKind::kPosted);
}

TEST_F(HeaderValues, SubjectKeepsCommasAndContinues) {
    VectorLineSource more({"   the rest, too", "From: Anna"});
    EXPECT_TRUE(read("Subject: Apples, pears,", &more));
    EXPECT_EQ(text.subject, "Apples, pears, the rest, too");
    EXPECT_EQ(text.charset, 0);

    context.char_class = charsets::kWindowsClass;
    context.variant = charsets::kEastVariant;
    EXPECT_TRUE(read("Subject: B\xe9la"));
    EXPECT_EQ(text.charset, make_charset(2, 2));
}

TEST_F(HeaderValues, SingleValuesKeepTheirCommas) {
    EXPECT_TRUE(read("From: Berg, Anna (Sales, north)"));
    EXPECT_EQ(text.author.text, "Berg, Anna (Sales, north)");
    EXPECT_TRUE(read("Remark: one, two"));
    ASSERT_EQ(text.fields.size(), 1u);
    EXPECT_EQ(text.fields[0], (TextField{HeaderCode::kRemark, "one, two"}));
    EXPECT_TRUE(read("Via: Gate"));
    EXPECT_EQ(text.by.text, "Gate");
    EXPECT_TRUE(text.via);
    EXPECT_TRUE(read("By: Clerk"));
    EXPECT_FALSE(text.via);
}

TEST_F(HeaderValues, Dates) {
    EXPECT_TRUE(read("Date: 15-Jan-99 10:20 EDT"));
    EXPECT_EQ(text.date, 916410038u);
    EXPECT_TRUE(read("Date: not a date"));  // reads as today without a reference day: no date
    EXPECT_EQ(text.date, 916410038u);
    context.reference_day = CivilDate{2024, 1, 1};
    EXPECT_TRUE(read("Date: yesterday 23:59"));
    EXPECT_EQ(text.date, 1704067170u);
}

TEST_F(HeaderValues, LinksGetTheContextNodeAndAReverseLink) {
    EXPECT_TRUE(read("Reference: Text 1234 Anna Berg"));
    EXPECT_TRUE(read("Comment: Text KOMNET:77"));
    EXPECT_TRUE(read("Comment: Text 88, Text 89 Bo"));
    ASSERT_EQ(text.links.size(), 4u);
    EXPECT_EQ(text.links[0],
              (TextLink{make_text_id('T', 1234), HeaderCode::kReference, "Anna Berg"}));
    EXPECT_EQ(text.links[1], (TextLink{make_text_id('K', 77), HeaderCode::kComment, ""}));
    EXPECT_EQ(text.links[2].id, make_text_id('T', 88));
    EXPECT_EQ(text.links[3], (TextLink{make_text_id('T', 89), HeaderCode::kComment, "Bo"}));
    ASSERT_EQ(reverse_links.size(), 4u);
    EXPECT_EQ(reverse_links[0].linked_text, make_text_id('T', 1234));
    EXPECT_EQ(reverse_links[0].code, HeaderCode::kComment);
    EXPECT_EQ(reverse_links[1].code, HeaderCode::kReference);
}

// The trailing "(Comment in Text 55 by ...)" line ends in a ')' of its own
// after texts of every heading form; kept, it would become part of the
// linked author's name.
TEST_F(HeaderValues, TrailingCommentLineDropsItsClosingParenthesisInEveryHeadingForm) {
    for (bool colon_form : {false, true}) {
        text = TextRecord{};
        context.colon_form = colon_form;
        EXPECT_TRUE(read("(Comment in: Text 55 Bo Ek)"));
        EXPECT_TRUE(read("Comment on: Text 56 (Bo) Ek"));
        ASSERT_EQ(text.links.size(), 2u);
        EXPECT_EQ(text.links[0], (TextLink{make_text_id('T', 55), HeaderCode::kComment, "Bo Ek"}));
        EXPECT_EQ(text.links[1],
                  (TextLink{make_text_id('T', 56), HeaderCode::kReference, "(Bo) Ek"}));
    }
}

TEST_F(HeaderValues, UnusableLinksAreSkipped) {
    EXPECT_TRUE(read("Reference: Text"));
    EXPECT_TRUE(read("Reference: Text abc"));
    EXPECT_TRUE(read("Reference: Text 20000000"));  // does not fit the context node's 24 bits
    EXPECT_TRUE(text.links.empty());
    EXPECT_TRUE(reverse_links.empty());
}

TEST_F(HeaderValues, AttachedFilesAndDuplicateFields) {
    EXPECT_TRUE(read("Attached: 1. report (final).txt, 2. (notes).txt, 3.data"));
    EXPECT_TRUE(read("Attchmnt: report (final).txt"));  // the same field again
    ASSERT_EQ(text.fields.size(), 3u);
    EXPECT_EQ(text.fields[0], (TextField{HeaderCode::kAttached, "report (final).txt"}));
    EXPECT_EQ(text.fields[1].value, "2. (notes).txt");
    EXPECT_EQ(text.fields[2].value, "3.data");
}

TEST_F(HeaderValues, ExtraFieldAddedTwiceIsKeptOnce) {
    EXPECT_TRUE(read("Internet: anna@example.org"));
    EXPECT_TRUE(read("internet: anna@example.org"));
    EXPECT_TRUE(read("Reply-To: anna@example.org"));
    ASSERT_EQ(text.fields.size(), 2u);
    EXPECT_EQ(text.fields[1].code, HeaderCode::kReplyTo);
}

}  // namespace
}  // namespace orvane::texts
