// The data of a word record: the first id biased and little-endian, then
// the differences in numbers of 1 to 5 bytes.
#include "cabinet/posting_list.h"

#include <gtest/gtest.h>

#include <random>

namespace orvane::cabinet {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes number(uint32_t value) {
    Bytes out;
    append_number(&out, value);
    return out;
}

TEST(PostingListTest, FirstIdIsBiasedAndAFurtherIdAppendsItsDifference) {
    PostingWriter writer;
    ASSERT_TRUE(writer.append(0x54000005));
    EXPECT_EQ(writer.bytes(), (Bytes{0x05, 0x00, 0x00, 0x55}));
    ASSERT_TRUE(writer.append(0x54000009));
    EXPECT_EQ(writer.bytes(), (Bytes{0x05, 0x00, 0x00, 0x55, 0x04}));
    EXPECT_FALSE(writer.append(0x54000009)) << "ids ascend strictly";
    EXPECT_EQ(writer.bytes().size(), 5u);

    // The bias wraps: the highest ids are stored below the lowest.
    EXPECT_EQ(encode_posting_list(std::vector<texts::TextId>{0xFF000001}),
              (Bytes{0x01, 0x00, 0x00, 0x00}));
}

TEST(PostingListTest, EverySizeClassAtItsBorders) {
    const std::vector<std::pair<uint32_t, Bytes>> vectors = {
        {1, {0x01}},
        {191, {0xBF}},
        {192, {0xC0, 0xC0}},
        {0x37FF, {0xF7, 0xFF}},
        {0x3800, {0xF8, 0x38, 0x00}},
        {0x5FFFF, {0xFD, 0xFF, 0xFF}},
        {0x60000, {0xFE, 0x06, 0x00, 0x00}},
        {0xFFFFFF, {0xFE, 0xFF, 0xFF, 0xFF}},
        {0x1000000, {0xFF, 0x00, 0x00, 0x00, 0x01}},
        {0xFFFFFFFE, {0xFF, 0xFE, 0xFF, 0xFF, 0xFF}},
    };
    for (const auto& [value, bytes] : vectors) {
        EXPECT_EQ(number(value), bytes) << std::hex << value;
        // As the difference after id 1, and back.
        const std::vector<texts::TextId> ids = {1, 1 + value};
        const Bytes list = encode_posting_list(ids);
        EXPECT_EQ(list.size(), 4 + bytes.size());
        EXPECT_EQ(decode_posting_list(list), ids) << std::hex << value;
    }
    EXPECT_EQ(number(0), Bytes{0x00});
}

TEST(PostingListTest, RandomListsRoundTrip) {
    std::mt19937 rng(11);
    for (int round = 0; round < 200; ++round) {
        std::vector<texts::TextId> ids;
        texts::TextId id = rng();
        const int count = 1 + static_cast<int>(rng() % 50);
        for (int i = 0; i < count; ++i) {
            ids.push_back(id);
            const uint32_t step = 1 + (rng() >> (rng() % 32));
            if (id > UINT32_MAX - step) break;
            id += step;
        }
        EXPECT_EQ(decode_posting_list(encode_posting_list(ids)), ids);
    }
}

TEST(PostingListTest, DamagedListsAreRefused) {
    const Bytes good = {0x05, 0x00, 0x00, 0x55, 0x04};
    ASSERT_TRUE(decode_posting_list(good));
    EXPECT_EQ(decode_posting_list(Bytes{}), std::vector<texts::TextId>{}) << "no bytes: no ids";
    EXPECT_FALSE(decode_posting_list(Bytes{0x05, 0x00, 0x00})) << "shorter than the first id";
    EXPECT_FALSE(decode_posting_list(Bytes{0x05, 0x00, 0x00, 0x55, 0x00})) << "difference 0";
    EXPECT_FALSE(decode_posting_list(Bytes{0x05, 0x00, 0x00, 0x55, 0xC0})) << "cut in a number";
    EXPECT_FALSE(decode_posting_list(Bytes{0x05, 0x00, 0x00, 0x55, 0xFF, 1, 2, 3}));
    // Stored 0x00FFFFFF is id 0xFFFFFFFF, the highest: nothing can follow it.
    EXPECT_EQ(decode_posting_list(Bytes{0xFF, 0xFF, 0xFF, 0x00}),
              std::vector<texts::TextId>{0xFFFFFFFF});
    EXPECT_FALSE(decode_posting_list(Bytes{0xFF, 0xFF, 0xFF, 0x00, 0x01}));

    // The reader gives what came before the fault, then says so.
    const Bytes cut = {0x05, 0x00, 0x00, 0x55, 0x04, 0x00, 0x01};
    PostingReader reader(cut);
    texts::TextId id = 0;
    std::vector<texts::TextId> read;
    while (reader.next(&id)) read.push_back(id);
    EXPECT_EQ(read, (std::vector<texts::TextId>{0x54000005, 0x54000009}));
    EXPECT_TRUE(reader.damaged());
}

TEST(PostingListTest, MergeAddsRemovesAndKeeps) {
    const Bytes old = encode_posting_list(std::vector<texts::TextId>{10, 20, 30, 40});
    const std::vector<PostingChange> changes = {
        {5, true}, {20, false}, {25, false}, {30, true}, {50, true}};
    PostingWriter merged;
    ASSERT_TRUE(merge_postings(old, changes, &merged));
    EXPECT_EQ(decode_posting_list(merged.bytes()), (std::vector<texts::TextId>{5, 10, 30, 40, 50}));

    // Removing every id leaves nothing: the caller deletes the record.
    merged.clear();
    ASSERT_TRUE(merge_postings(encode_posting_list(std::vector<texts::TextId>{7}),
                               std::vector<PostingChange>{{7, false}}, &merged));
    EXPECT_TRUE(merged.empty());

    // A damaged old list gives way to what the changes add.
    merged.clear();
    EXPECT_FALSE(merge_postings(Bytes{1, 2, 3, 4, 0}, changes, &merged));
    EXPECT_EQ(decode_posting_list(merged.bytes()), (std::vector<texts::TextId>{5, 30, 50}));
}

}  // namespace
}  // namespace orvane::cabinet
