#include "texts/receiver_item.h"

#include <gtest/gtest.h>

#include "texts/dates.h"

namespace orvane::texts {
namespace {

// 916395630 is 1999-01-15 10:20:30 UTC (tests/tools/date_vectors.py).
constexpr uint32_t kJan15 = 916395630;
const CivilDate kNoReference{};

TEST(ReceiverItem, GroupsAtTheEnd) {
    ReceiverItem item = parse_receiver_item(
        "Anna Berg [12] (posted: 15-Jan-99 10:20) (sender: Carl Dahl)", false, kNoReference);
    EXPECT_EQ(item.name, "Anna Berg");
    EXPECT_EQ(item.number, 12u);
    EXPECT_EQ(item.date, kJan15);
    EXPECT_EQ(item.date_kind, DateKind::kPosted);
    EXPECT_EQ(item.sender, "Carl Dahl");
}

TEST(ReceiverItem, EachPartAlone) {
    ReceiverItem sender_only =
        parse_receiver_item("Anna Berg (sender: Carl (the boss))", false, kNoReference);
    EXPECT_EQ(sender_only.name, "Anna Berg");
    EXPECT_EQ(sender_only.sender, "Carl (the boss)");
    EXPECT_EQ(sender_only.date, 0u);

    ReceiverItem received =
        parse_receiver_item("Anna Berg (received: 15-Jan-99 10:20)", false, kNoReference);
    EXPECT_EQ(received.name, "Anna Berg");
    EXPECT_EQ(received.date_kind, DateKind::kReceived);
    EXPECT_EQ(received.date, kJan15);

    ReceiverItem angle = parse_receiver_item("Sales <7>", false, kNoReference);
    EXPECT_EQ(angle.name, "Sales");
    EXPECT_EQ(angle.number, 7u);
}

TEST(ReceiverItem, GroupsThatStayPartOfTheName) {
    // A bracket with more than digits, a group that is not a date, date
    // words in the wrong case: all part of the name.
    EXPECT_EQ(parse_receiver_item("Room [12a]", false, kNoReference).name, "Room [12a]");
    EXPECT_EQ(parse_receiver_item("Room []", false, kNoReference).name, "Room []");
    EXPECT_EQ(parse_receiver_item("Room [99999999999]", false, kNoReference).name,
              "Room [99999999999]");
    EXPECT_EQ(parse_receiver_item("Bob (Sales, north)", false, kNoReference).name,
              "Bob (Sales, north)");
    ReceiverItem wrong_case =
        parse_receiver_item("Bob (Posted: 15-Jan-99 10:20)", false, kNoReference);
    EXPECT_EQ(wrong_case.name, "Bob (Posted: 15-Jan-99 10:20)");
    EXPECT_EQ(wrong_case.date, 0u);
    // The date group must be the last; a sender group before it is not cut.
    ReceiverItem order =
        parse_receiver_item("Bob (sender: X) (sent: 15-Jan-99 10:20)", false, kNoReference);
    EXPECT_EQ(order.name, "Bob (sender: X)");
    EXPECT_EQ(order.sender, "");
    EXPECT_EQ(order.date_kind, DateKind::kSent);
    // Unbalanced parentheses leave the item alone.
    EXPECT_EQ(parse_receiver_item("Bob posted: x)", false, kNoReference).name, "Bob posted: x)");
}

TEST(ReceiverItem, ColonForm) {
    ReceiverItem item = parse_receiver_item(
        "Anna Berg -- FORWARDED: 15-Jan-99 10:20 Sender: Carl Dahl", true, kNoReference);
    EXPECT_EQ(item.name, "Anna Berg");
    EXPECT_EQ(item.sender, "Carl Dahl");
    EXPECT_EQ(item.date_kind, DateKind::kForwarded);
    EXPECT_EQ(item.date, kJan15);

    // A dash run that is not followed by a date word stays in the name.
    ReceiverItem dashes =
        parse_receiver_item("Rock -- Roll -- sent: 15-Jan-99 10:20", true, kNoReference);
    EXPECT_EQ(dashes.name, "Rock -- Roll");
    EXPECT_EQ(dashes.date, kJan15);

    // Groups of the other form are not taken apart in the colon form.
    ReceiverItem groups = parse_receiver_item("Anna (sender: Carl) [3]", true, kNoReference);
    EXPECT_EQ(groups.name, "Anna (sender: Carl)");
    EXPECT_EQ(groups.number, 3u);
}

TEST(ReceiverItem, WeekdayDatesUseTheReferenceDay) {
    // Monday 1 January 2024; "yesterday 23:59" is 1704067170 (date_vectors.py).
    ReceiverItem item =
        parse_receiver_item("Anna (sent: yesterday 23:59)", false, CivilDate{2024, 1, 1});
    EXPECT_EQ(item.date, 1704067170u);
}

}  // namespace
}  // namespace orvane::texts
