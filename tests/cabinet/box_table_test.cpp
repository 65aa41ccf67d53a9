#include "cabinet/box_table.h"

#include <gtest/gtest.h>

namespace orvane::cabinet {
namespace {

BoxEntry entry(uint16_t number, uint16_t parent, uint8_t flags = 0, std::string name = {}) {
    BoxEntry e;
    e.number = number;
    e.parent = parent;
    e.flags = flags;
    e.name = name.empty() ? "Box " + std::to_string(number) : name;
    return e;
}

std::vector<std::pair<uint16_t, int>> order(const BoxTable& table) {
    std::vector<std::pair<uint16_t, int>> result;
    for (const BoxEntry& e : table.entries()) result.emplace_back(e.number, e.depth);
    return result;
}

TEST(BoxTable, DisplayOrderPutsEachEntryUnderItsParent) {
    BoxTable table;
    // Out of order, with an orphan (parent 99 missing) and a loop (70 <-> 71).
    table.assign({entry(65, 64), entry(5, 0), entry(64, 0, kDirectoryFlag),
                  entry(0, 0, kDirectoryFlag), entry(66, 65), entry(67, 99), entry(70, 71),
                  entry(71, 70), entry(68, 64)});
    table.order_for_display();
    EXPECT_EQ(order(table),
              (std::vector<std::pair<uint16_t, int>>{
                  {0, 0}, {5, 1}, {64, 1}, {65, 2}, {66, 3}, {68, 2}, {67, 1}, {70, 1}, {71, 2}}));
    EXPECT_EQ(table.find(67)->parent, 0);
    EXPECT_EQ(table.index_of(68), 5);
    EXPECT_EQ(table.index_of(1000), kNoIndex);
    EXPECT_TRUE(table.is_within(66, 64));
    EXPECT_FALSE(table.is_within(64, 66));
}

TEST(BoxTable, NewBoxesInheritFromTheNearestPassingDirectory) {
    BoxTable table;
    table.assign({entry(0, 0, kDirectoryFlag), entry(64, 0, kDirectoryFlag | kInheritFlag | 0x05),
                  entry(65, 64, kDirectoryFlag | 0x02), entry(66, 65)});
    EXPECT_EQ(table.inherited_flags(66, 0x21), 0x45);  // through 65, which passes nothing on
    EXPECT_EQ(table.inherited_flags(0, 0x21), 0x21);
    EXPECT_EQ(table.inherited_flags(0, 0xA1), 0x21);
}

TEST(BoxTable, EntriesAndRecordsKeepTheirBytes) {
    BoxEntry e = entry(300, 64, 0x81, std::string(70, 'n'));
    e.extra = 0x1234;
    e.settings = 0x5F;
    uint8_t bytes[kBoxEntrySize];
    encode_box_entry(e, bytes);
    EXPECT_EQ(bytes[0], 0x2C);
    EXPECT_EQ(bytes[1], 0x01);
    EXPECT_EQ(bytes[kBoxEntrySize - 1], 0);  // the name is cut to 55 and keeps its NUL
    const BoxEntry back = decode_box_entry(bytes);
    EXPECT_EQ(back.name, std::string(55, 'n'));
    EXPECT_EQ(back.extra, 0x1234);
    EXPECT_EQ(back.settings, 0x5F);
    EXPECT_EQ(back.flags, 0x81);

    const auto record = encode_box_record(back);
    EXPECT_EQ(record.size(), 8u + 55 + 1);
    BoxEntry from_record;
    ASSERT_TRUE(decode_box_record(record.data(), record.size(), &from_record));
    EXPECT_EQ(from_record.name, back.name);
    EXPECT_EQ(from_record.parent, 64);
    EXPECT_FALSE(decode_box_record(record.data(), 8, &from_record));
}

}  // namespace
}  // namespace orvane::cabinet
