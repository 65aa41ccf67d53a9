// Records and keys: limits, the inline/long boundary, block filling and
// merging, and the exact results and buffer rules of every DbGet mode.
#include <random>

#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

class RecordsTest : public ::testing::Test {
  protected:
    void create(uint32_t flags, int blocksize = 4096) {
        ASSERT_EQ(DbCreate(c.out(), dir.path("r.db"), flags, blocksize, 8), 0);
    }
    void reopen(uint32_t flags = DB_NO_AUTO_REPAIR) {
        ASSERT_EQ(c.close(), 0);
        ASSERT_EQ(DbOpen(c.out(), dir.path("r.db"), flags), 0);
    }
    DbStatistics stat() {
        DbStatistics s;
        EXPECT_EQ(DbStat(c.get(), &s), 0);
        return s;
    }
    ScratchDir dir;
    DbFile c;
};

std::string noise(size_t length, unsigned seed) {
    std::mt19937 rng(seed);
    std::string s(length, '\0');
    for (auto& ch : s) ch = static_cast<char>(rng());
    return s;
}

TEST_F(RecordsTest, KeyLengthLimits) {
    create(DB_PREFIX_KEYS);
    EXPECT_EQ(put(c.get(), std::string(255, 'k'), "x"), 0);
    EXPECT_EQ(put(c.get(), std::string(256, 'k'), "x"), kDbKeyTooLong);
    EXPECT_EQ(DbPut(c.get(), "", 0, "x", 1), kDbBadParameter);
    EXPECT_EQ(DbPut(c.get(), nullptr, 3, "x", 1), kDbBadParameter);
    EXPECT_EQ(get(c.get(), GET_EXACT, std::string(256, 'k')).code, kDbKeyTooLong);
    EXPECT_EQ(del(c.get(), std::string(256, 'k')), kDbKeyTooLong);
    EXPECT_EQ(get(c.get(), GET_LAST, "").key, std::string(255, 'k'));
    // Null data is empty data.
    EXPECT_EQ(DbPut(c.get(), "n", 1, nullptr, 5), 0);
    auto r = get(c.get(), GET_EXACT, "n");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.data, "");
}

TEST_F(RecordsTest, InlineLimitAndLongRecordLimit) {
    create(0);
    const std::string key = "key";
    EXPECT_EQ(put(c.get(), key, noise(4096 - 10 - key.size(), 1)), 0);
    EXPECT_EQ(stat().long_records, 0u);
    EXPECT_EQ(put(c.get(), key, noise(4096 - 10 - key.size() + 1, 1)), 0);
    EXPECT_EQ(stat().long_records, 1u);
    EXPECT_EQ(stat().extension_blocks, 1u);

    const std::string longest = noise(127 * 4088, 2);
    EXPECT_EQ(put(c.get(), "long", longest), 0);
    EXPECT_EQ(put(c.get(), "longer", longest + "!"), kDbDataTooLong);
    reopen();
    EXPECT_TRUE(get(c.get(), GET_EXACT, "long").data == longest);
    EXPECT_EQ(get(c.get(), GET_EXACT, "longer").code, kDbNotFound);
    EXPECT_EQ(stat().extension_blocks, 1u + 127);
    // Replacing long records by short ones frees their extension blocks.
    EXPECT_EQ(put(c.get(), "long", "short"), 0);
    EXPECT_EQ(put(c.get(), key, "short"), 0);
    EXPECT_EQ(stat().blocks, 1u);
    EXPECT_EQ(file_bytes(dir.path("r.db")).size(), 8192u);
}

TEST_F(RecordsTest, CompressionKeepsCompressibleRecordsInline) {
    create(DB_COMPRESS);
    const std::string text(4096 - 10, 'a');  // one byte over the inline limit with a 1-byte key
    EXPECT_EQ(put(c.get(), "kk", text), 0);
    DbStatistics s = stat();
    EXPECT_EQ(s.long_records, 0u);
    EXPECT_EQ(s.compressed_blocks, 1u);
    // A long record of text is stored in LZ form in fewer blocks.
    std::string words;
    while (words.size() < 40000) words += "the quick brown fox jumps over the lazy dog ";
    EXPECT_EQ(put(c.get(), "text", words), 0);
    s = stat();
    EXPECT_EQ(s.long_records, 1u);
    EXPECT_LT(s.extension_blocks, 10u);
    reopen(DB_NO_AUTO_REPAIR);  // without DB_COMPRESS the blocks still read
    EXPECT_EQ(get(c.get(), GET_EXACT, "kk").data, text);
    EXPECT_TRUE(get(c.get(), GET_EXACT, "text").data == words);
}

TEST_F(RecordsTest, AscendingInsertsFillEveryBlockButTheLast) {
    create(0, 1024);
    // Each record takes 1 + 8 + 1 + 100 = 110 bytes; 9 fit in 1018.
    ASSERT_EQ(DbLock(c.get()), 0);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(put(c.get(), "k" + std::to_string(1000000 + i), std::string(100, 'v')), 0);
    ASSERT_EQ(DbUnlock(c.get()), 0);
    EXPECT_EQ(stat().blocks, (1000u + 8) / 9);
}

TEST_F(RecordsTest, DeletingMergesAndKeepsTheIndexRight) {
    create(DB_PREFIX_KEYS, 1024);
    ASSERT_EQ(DbLock(c.get()), 0);
    for (int i = 0; i < 90; ++i)
        ASSERT_EQ(put(c.get(), "k" + std::to_string(100 + i), std::string(100, 'v')), 0);
    ASSERT_EQ(DbUnlock(c.get()), 0);
    const uint32_t blocks = stat().blocks;
    // The first record of the second block: its entry takes the next key.
    ASSERT_EQ(del(c.get(), "k109"), 0);
    EXPECT_EQ(del(c.get(), "k109"), kDbNotFound);
    EXPECT_EQ(del(c.get(), "a"), kDbNotFound);
    reopen();  // a wrong index entry would now give 26
    auto r = get(c.get(), GET_NEXT, "k108");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.key, "k110");
    // Emptying blocks merges and frees them, block numbers stay dense.
    ASSERT_EQ(DbLock(c.get()), 0);
    for (int i = 0; i < 80; ++i)
        if (i != 9) {
            ASSERT_EQ(del(c.get(), "k" + std::to_string(100 + i)), 0);
        }
    ASSERT_EQ(DbUnlock(c.get()), 0);
    EXPECT_LT(stat().blocks, blocks);
    EXPECT_EQ(stat().records, 10u);
    reopen();
    EXPECT_EQ(get(c.get(), GET_FIRST, "").key, "k180");
    // The last record of the only block: one empty block stays.
    ASSERT_EQ(DbLock(c.get()), 0);
    for (int i = 80; i < 90; ++i) ASSERT_EQ(del(c.get(), "k" + std::to_string(100 + i)), 0);
    ASSERT_EQ(DbUnlock(c.get()), 0);
    EXPECT_EQ(stat().blocks, 1u);
    EXPECT_EQ(get(c.get(), GET_FIRST, "").code, kDbNoNext);
    EXPECT_EQ(get(c.get(), GET_LAST, "").code, kDbNoNext);
}

TEST_F(RecordsTest, BigRecordBetweenTwoOthersIsStored) {
    // Two records that fill a block, and a third of nearly a block between
    // them: no division in two fits, three blocks do.
    create(0, 1024);
    ASSERT_EQ(put(c.get(), "a", std::string(490, 'a')), 0);
    ASSERT_EQ(put(c.get(), "c", std::string(490, 'c')), 0);
    ASSERT_EQ(put(c.get(), "b", std::string(1000, 'b')), 0);
    EXPECT_EQ(stat().blocks, 3u);
    EXPECT_EQ(get(c.get(), GET_NEXT, "a").data, std::string(1000, 'b'));
}

TEST_F(RecordsTest, GetModesAndBuffers) {
    create(DB_PREFIX_KEYS);
    EXPECT_EQ(get(c.get(), GET_CURRENT, "").code, kDbBadParameter);
    EXPECT_EQ(get(c.get(), GET_FIRST, "").code, kDbNoNext);
    ASSERT_EQ(put(c.get(), "b", "bee"), 0);
    ASSERT_EQ(put(c.get(), "d", "dee"), 0);
    ASSERT_EQ(put(c.get(), "f", "eff"), 0);

    EXPECT_EQ(get(c.get(), GET_PREV, "b").code, kDbNoNext);
    auto r = get(c.get(), GET_PREV, "c");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.key, "b");
    r = get(c.get(), GET_AT_OR_AFTER, "c");
    EXPECT_EQ(r.code, kDbNotFound);
    EXPECT_EQ(r.key, "d");
    EXPECT_EQ(r.data, "dee");
    EXPECT_EQ(get(c.get(), GET_AT_OR_AFTER, "d").code, 0);
    EXPECT_EQ(get(c.get(), GET_AT_OR_AFTER, "g").code, kDbNoNext);
    EXPECT_EQ(get(c.get(), GET_NEXT, "f").code, kDbNoNext);
    EXPECT_EQ(get(c.get(), GET_LAST, "").key, "f");
    r = get(c.get(), GET_EXACT, "d");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.key, "");  // not copied out
    EXPECT_EQ(r.data, "dee");
    EXPECT_EQ(get(c.get(), GET_EXACT, "e").code, kDbNotFound);

    // GET_CURRENT gives the last record found again.
    get(c.get(), GET_NEXT, "b");
    r = get(c.get(), GET_CURRENT, "ignored");
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.key, "d");
    // Its record gone, the search is repeated.
    ASSERT_EQ(del(c.get(), "d"), 0);
    r = get(c.get(), GET_CURRENT, "");
    EXPECT_EQ(r.key, "f");

    // Small buffers: copied up to their size; no data buffer: the full length.
    char key[1], data[2];
    size_t key_length = 99, data_length = 99;
    ASSERT_EQ(put(c.get(), "long key", "long data"), 0);
    EXPECT_EQ(DbGet(c.get(), GET_FIRST, nullptr, 0, key, &key_length, 1, data, &data_length, 2), 0);
    EXPECT_EQ(key_length, 1u);
    EXPECT_EQ(data_length, 2u);
    EXPECT_EQ(std::string(data, 2), "be");
    EXPECT_EQ(DbGet(c.get(), GET_NEXT, "f", 1, nullptr, &key_length, 0, nullptr, &data_length, 0),
              0);
    EXPECT_EQ(data_length, 9u);
    // Part of a long record reads only what is asked for.
    const std::string big = noise(20000, 4);
    ASSERT_EQ(put(c.get(), "big", big), 0);
    char head[5000];
    EXPECT_EQ(
        DbGet(c.get(), GET_EXACT, "big", 3, nullptr, nullptr, 0, head, &data_length, sizeof head),
        0);
    EXPECT_EQ(data_length, sizeof head);
    EXPECT_EQ(std::string(head, sizeof head), big.substr(0, sizeof head));
    EXPECT_EQ(DbGet(c.get(), 8, "big", 3, nullptr, nullptr, 0, nullptr, nullptr, 0),
              kDbBadParameter);
}

TEST_F(RecordsTest, ReadOnlyAndExclusiveOpens) {
    create(0);
    ASSERT_EQ(put(c.get(), "k", "v"), 0);
    DbHandle second = nullptr;
    EXPECT_EQ(DbOpen(&second, dir.path("r.db"), 0), kDbInUse);
    EXPECT_EQ(DbOpen(&second, dir.path("missing.db"), 0), kDbFileNotFound);
    ASSERT_EQ(c.close(), 0);
    ASSERT_EQ(DbOpen(c.out(), dir.path("r.db"), DB_READ_ONLY), 0);
    EXPECT_EQ(put(c.get(), "k", "w"), kDbReadOnly);
    EXPECT_EQ(del(c.get(), "k"), kDbReadOnly);
    EXPECT_EQ(get(c.get(), GET_EXACT, "k").data, "v");
    EXPECT_EQ(DbSetOptions(c.get(), DB_COMPRESS), kDbBadParameter);
}

}  // namespace
}  // namespace orvane::store::testing
