#include "cabinet/stored_text.h"

#include <gtest/gtest.h>

#include "platform/bytes.h"
#include "tests/cabinet/cabinet_fixture.h"

namespace orvane::cabinet {
namespace {

using testing::full_text;
using testing::plain_text;
using texts::TextRecord;

TextRecord round_trip(const TextRecord& text) {
    const auto bytes = encode_stored_text(text);
    EXPECT_TRUE(bytes.has_value());
    const auto back = decode_stored_text(bytes->data(), bytes->size(), text.id);
    EXPECT_TRUE(back.has_value());
    return back.value_or(TextRecord{});
}

TEST(StoredText, EveryFieldAndListRoundTrips) {
    const TextRecord text = full_text(0x4B001234);
    EXPECT_EQ(round_trip(text), text);

    // One box is kept in the fixed part, none leaves it empty; By instead of
    // Via, and a name kind of 0 in front of the author.
    TextRecord one_box = text;
    one_box.boxes = {42};
    one_box.via = false;
    one_box.author.kind = 0;
    EXPECT_EQ(round_trip(one_box), one_box);
    TextRecord bare;
    bare.id = 7;
    EXPECT_EQ(round_trip(bare), bare);
}

TEST(StoredText, FixedPartHoldsTheLengthIdAndBoxes) {
    const TextRecord text = full_text(0x4B001234);
    const auto bytes = encode_stored_text(text).value();
    EXPECT_EQ(platform::load_le32(&bytes[0]), text.id);
    EXPECT_EQ(platform::load_le16(&bytes[8]), bytes.size());
    EXPECT_EQ(bytes[10], 2);
    EXPECT_EQ(bytes[15], 3);
    // Two or more boxes: an array right after the fixed part.
    EXPECT_EQ(platform::load_le16(&bytes[16]), 38);
    EXPECT_EQ(platform::load_le16(&bytes[38]), 5);
    EXPECT_EQ(platform::load_le16(&bytes[42]), 64);
    const size_t body_at = platform::load_le16(&bytes[28]);
    EXPECT_EQ(platform::load_le16(&bytes[30]), text.body.size() + 1);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&bytes[body_at])), text.body);
    EXPECT_EQ(platform::load_le16(&bytes[32]), 3);
}

TEST(StoredText, OversizedTextLosesReceiversThenBodyTail) {
    TextRecord text = full_text(12);
    text.body = plain_text(12, 64300).body;
    auto bytes = encode_stored_text(text).value();
    auto back = decode_stored_text(bytes.data(), bytes.size(), 12).value();
    EXPECT_LE(bytes.size(), kMaxStoredText);
    EXPECT_TRUE(back.receivers.empty());
    EXPECT_EQ(back.body, text.body);

    text.body = plain_text(12, 70000).body;
    bytes = encode_stored_text(text).value();
    back = decode_stored_text(bytes.data(), bytes.size(), 12).value();
    EXPECT_EQ(bytes.size(), kMaxStoredText);
    EXPECT_TRUE(back.receivers.empty());
    ASSERT_FALSE(back.body.empty());
    EXPECT_EQ(back.body.back(), '\n');
    EXPECT_EQ(back.body.substr(0, back.body.size() - 1), text.body.substr(0, back.body.size() - 1));
    EXPECT_EQ(back.links, text.links);
    EXPECT_EQ(back.subject, text.subject);
}

TEST(StoredText, DamagedRecordsAreRefused) {
    const auto good = encode_stored_text(full_text(99)).value();
    // Another key, or any record cut short of its stored length.
    EXPECT_FALSE(decode_stored_text(good.data(), good.size(), 98));
    for (size_t length = 0; length < good.size(); ++length)
        EXPECT_FALSE(decode_stored_text(good.data(), length, 99)) << length;

    auto damaged = [&](size_t at, uint16_t value) {
        auto bytes = good;
        platform::store_le16(&bytes[at], value);
        return decode_stored_text(bytes.data(), bytes.size(), 99);
    };
    const auto size = static_cast<uint16_t>(good.size());
    EXPECT_FALSE(damaged(18, size));      // author beyond the end
    EXPECT_FALSE(damaged(16, size - 2));  // box array running past the end
    EXPECT_FALSE(damaged(30, size));      // body longer than the record
    EXPECT_FALSE(damaged(26, 10));        // subject inside the fixed part
    // A receiver item whose successor points back at itself.
    const uint16_t first_receiver = platform::load_le16(&good[20]);
    EXPECT_FALSE(damaged(first_receiver, first_receiver));

    // A subject whose NUL is gone runs off the end of the record.
    TextRecord subject_only;
    subject_only.id = 99;
    subject_only.subject = "no end";
    auto no_nul = encode_stored_text(subject_only).value();
    ASSERT_TRUE(decode_stored_text(no_nul.data(), no_nul.size(), 99));
    no_nul.back() = 'x';
    EXPECT_FALSE(decode_stored_text(no_nul.data(), no_nul.size(), 99));
}

}  // namespace
}  // namespace orvane::cabinet
