#include "texts/text_record.h"

#include <gtest/gtest.h>

namespace orvane::texts {
namespace {

TextRecord full_record() {
    TextRecord text;
    text.id = make_text_id('T', 5);
    text.date = 916395630;
    text.boxes = {5, 11};
    text.author = {1, "Anna"};
    text.by = {1, "Gate"};
    text.receivers.push_back({});
    text.links.push_back({make_text_id('T', 4), HeaderCode::kReference, "Bo"});
    text.fields.push_back({HeaderCode::kRemark, "r"});
    text.subject = "S";
    text.body = "line\n";
    text.kind_flags = kind_flags::kLetter;
    text.priority = 3;
    text.importance = 2;
    text.charset = make_charset(2, 1);
    text.width = 76;
    text.via = true;
    return text;
}

TEST(TextRecord, ReleaseDropsOwnedPartsAndKeepsTheRest) {
    TextRecord text = full_record();
    text.release();
    EXPECT_TRUE(text.boxes.empty());
    EXPECT_TRUE(text.author.empty());
    EXPECT_TRUE(text.by.empty());
    EXPECT_TRUE(text.receivers.empty());
    EXPECT_TRUE(text.links.empty());
    EXPECT_TRUE(text.fields.empty());
    EXPECT_TRUE(text.subject.empty());
    EXPECT_TRUE(text.body.empty());
    EXPECT_EQ(text.id, make_text_id('T', 5));
    EXPECT_EQ(text.importance, 2);

    text.clear();
    EXPECT_EQ(text, TextRecord{});
}

TEST(TextRecord, NewLocalText) {
    const TextRecord text = new_local_text(17, 1700000000, {0, "Me"}, {true, 100});
    EXPECT_EQ(text.id, 17u);
    EXPECT_EQ(text.date, 1700000000u);
    EXPECT_EQ(text.author.text, "Me");
    EXPECT_EQ(text.kind_flags, kind_flags::kFixedPitch);
    EXPECT_EQ(text.width, 79);  // the margin is kept within 20..79
    EXPECT_EQ(new_local_text(1, 1, {}, {false, 5}).width, 20);
    EXPECT_EQ(new_local_text(1, 1, {}, {false, 60}).kind_flags, 0);
}

TEST(TextRecord, BodyCountsAndWidth) {
    TextRecord text;
    EXPECT_EQ(text.line_count(), 0);
    EXPECT_EQ(text.body_length(), 0);
    text.body = "one\n\ttab\nthree\n";
    EXPECT_EQ(text.line_count(), 3);
    EXPECT_EQ(text.body_length(), 16);  // with the closing NUL

    EXPECT_EQ(widest_line_columns("ab\tc\n"), 9);       // tab to column 8, then c
    EXPECT_EQ(widest_line_columns("1234567\tx\n"), 9);  // a tab at column 7 goes to 8
    EXPECT_EQ(widest_line_columns("12345678\tx"), 17);
    EXPECT_EQ(text_width(std::string(50, 'x'), 40), 50);
    EXPECT_EQ(text_width(std::string(50, 'x'), 76), 76);
    EXPECT_EQ(text_width(std::string(200, 'x'), 76), 79);
}

TEST(TextRecord, KindFlagsAndCharset) {
    uint8_t flags = kind_flags::kLetter | kind_flags::kUnsent;
    flags = with_text_kind(flags, TextKind::kComment);
    EXPECT_EQ(flags, 0x01 | 0x20 | 0x08);
    EXPECT_EQ(text_kind(flags), TextKind::kComment);
    EXPECT_EQ(text_kind(with_text_kind(flags, TextKind::kNewText)), TextKind::kNewText);
    EXPECT_EQ(with_text_kind(0xFF, TextKind::kText), 0xF3);

    EXPECT_EQ(make_charset(2, 5), 0x45);
    EXPECT_EQ(charset_class(0x45), 2);
    EXPECT_EQ(charset_variant(0x45), 5);
    EXPECT_EQ(charset_class_of_letter('D'), 1);
    EXPECT_EQ(charset_class_of_letter('7'), 7);
    EXPECT_EQ(charset_class_of_letter('X'), -1);
    EXPECT_EQ(charset_class_of_letter('\0'), -1);

    TextRecord text;
    text.subject = "plain";
    text.body = "plain\n";
    text.update_charset(2, 1);
    EXPECT_EQ(text.charset, 0);
    text.body = "gr\xfc\xdf\n";
    text.update_charset(2, 1);
    EXPECT_EQ(text.charset, 0x41);
}

}  // namespace
}  // namespace orvane::texts
