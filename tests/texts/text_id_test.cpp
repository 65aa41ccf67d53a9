#include "texts/text_id.h"

#include <gtest/gtest.h>

#include "tests/texts/test_helpers.h"

namespace orvane::texts {
namespace {

using testing::TestNodes;

TEST(TextId, KeysAndNumbersReadBack) {
    EXPECT_EQ(make_text_id('C', 1), 0x43000001u);
    EXPECT_EQ(node_key_of(make_text_id('C', 1)), 'C');
    EXPECT_EQ(number_of(make_text_id('C', 1)), 1u);

    EXPECT_EQ(node_key_of(0x4B123456), 'K');
    EXPECT_EQ(number_of(0x4B123456), 0x123456u);

    EXPECT_EQ(node_key_of(0x07FFFFFF), 0);
    EXPECT_EQ(number_of(0x07FFFFFF), 0x07FFFFFFu);
    EXPECT_EQ(node_key_of(0x08000000), 8);  // the first value with a key
}

TEST(TextId, KeyCUsesTwentySevenBits) {
    // A top byte from 'D' to 'J' belongs to key 'C'.
    EXPECT_EQ(node_key_of(0x45000007), 'C');
    EXPECT_EQ(number_of(0x45000007), 0x02000007u);
    EXPECT_EQ(node_key_of(0x4AFFFFFF), 'C');
    EXPECT_EQ(number_of(0x4AFFFFFF), 0x07FFFFFFu);
    EXPECT_EQ(node_key_of(0x42FFFFFF), 'B');
    EXPECT_EQ(node_key_of(0x4B000000), 'K');
    EXPECT_EQ(number_of(0x4B000000), 0u);

    EXPECT_TRUE(text_id_fits('C', 0x07FFFFFF));
    EXPECT_FALSE(text_id_fits('C', 0x08000000));
    EXPECT_TRUE(text_id_fits('K', 0xFFFFFF));
    EXPECT_FALSE(text_id_fits('K', 0x1000000));  // would read back as 'L'
    EXPECT_FALSE(text_id_fits('E', 1));          // would read back as 'C'
    EXPECT_TRUE(text_id_fits(0, 0x07FFFFFF));
    EXPECT_FALSE(text_id_fits(0, 0x08000000));
}

TEST(TextId, WrittenForms) {
    const TestNodes nodes;
    EXPECT_EQ(format_text_id(make_text_id('T', 1234), 'T', nodes), "1234");
    EXPECT_EQ(format_text_id(make_text_id('T', 1234), 'K', nodes), "TELVA:1234");
    EXPECT_EQ(format_text_id(make_text_id('Q', 77), 'T', nodes), "Q:77");
    EXPECT_EQ(format_text_id(42, 'T', nodes), "42");
    EXPECT_EQ(format_text_id(make_text_id('C', 0x07000000), 0, nodes), "C:117440512");
}

TEST(TextId, ParsedForms) {
    const TestNodes nodes;
    auto parsed = parse_text_id("1234 rest", nodes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->key, 0);
    EXPECT_EQ(parsed->number, 1234u);
    EXPECT_EQ(parsed->length, 4u);

    parsed = parse_text_id("telva:99)", nodes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->key, 'T');
    EXPECT_EQ(parsed->number, 99u);
    EXPECT_EQ(parsed->length, 8u);

    parsed = parse_text_id("KOM:5", nodes);  // second name
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->key, 'K');

    parsed = parse_text_id("zebra:5", nodes);  // unknown: the first letter
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->key, 'Z');

    parsed = parse_text_id("C:134217727", nodes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(make_text_id(parsed->key, parsed->number), 0x4AFFFFFFu);
}

TEST(TextId, UnreadableOrUnkeepableForms) {
    const TestNodes nodes;
    EXPECT_FALSE(parse_text_id("", nodes));
    EXPECT_FALSE(parse_text_id("abc", nodes));
    EXPECT_FALSE(parse_text_id("abc 12", nodes));
    EXPECT_FALSE(parse_text_id("abc:", nodes));
    EXPECT_FALSE(parse_text_id("99999999999", nodes));
    EXPECT_FALSE(parse_text_id("134217728", nodes));   // too large without a key
    EXPECT_FALSE(parse_text_id("K:16777216", nodes));  // too large for a 24-bit key
    EXPECT_TRUE(parse_text_id("C:16777216", nodes));

    // An unknown name cannot stand for 'D'..'J' (that reads back as 'C') or
    // for a byte that is not a letter.
    auto parsed = parse_text_id("Dover:5", nodes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->key, '?');
    parsed = parse_text_id("\xff\xe4:5", nodes);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(parsed->key, '?');
    EXPECT_EQ(node_key_of(make_text_id(parsed->key, parsed->number)), '?');
}

}  // namespace
}  // namespace orvane::texts
