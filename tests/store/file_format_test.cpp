// The file on disk: the new file byte for byte, the index moving behind the
// blocks and back, the header's accepted forms, version 2 and 3.
#include <random>

#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

uint16_t le16(const std::string& file, size_t at) {
    return static_cast<uint16_t>(static_cast<uint8_t>(file[at]) | static_cast<uint8_t>(file[at + 1])
                                                                      << 8);
}

TEST(FileFormat, NewFileMatchesTheIndependentModel) {
    ScratchDir dir;
    DbFile c;
    ASSERT_EQ(DbCreate(c.out(), dir.path("new.db"), DB_PREFIX_KEYS | DB_COMPRESS, 4096, 8), 0);
    ASSERT_EQ(c.close(), 0);
    const std::string made = file_bytes(dir.path("new.db"));
    ASSERT_EQ(made.size(), 8192u);
    EXPECT_EQ(made, file_bytes(std::string(ORVANE_TEST_DATA) + "/store/new_4096_8_options3.db"));
    // Creating over an existing file fails and leaves it alone.
    EXPECT_EQ(DbCreate(c.out(), dir.path("new.db"), 0, 4096, 8), kDbFileExists);
    EXPECT_EQ(file_bytes(dir.path("new.db")), made);
    EXPECT_EQ(DbCreate(c.out(), dir.path("bad.db"), 0, 3000, 8), kDbBadParameter);
    EXPECT_EQ(DbCreate(c.out(), dir.path("bad.db"), 0, 4096, 7), kDbBadParameter);
}

TEST(FileFormat, IndexMovesBehindTheBlocksAndBack) {
    ScratchDir dir;
    const std::string path = dir.path("move.db");
    DbFile c;
    // Block 0 has 1024 bytes for the index: 16 + 126 entries of 8.
    ASSERT_EQ(DbCreate(c.out(), path, 0, 2048, 8), 0);
    const std::string data(1000, 'd');
    ASSERT_EQ(DbLock(c.get()), 0);
    for (int i = 0; i < 300; ++i) ASSERT_EQ(put(c.get(), "k" + std::to_string(1000 + i), data), 0);
    ASSERT_EQ(DbUnlock(c.get()), 0);
    DbStatistics s;
    ASSERT_EQ(DbStat(c.get(), &s), 0);
    ASSERT_GT(s.blocks, 126u);
    EXPECT_FALSE(s.index_in_block0);
    std::string file = file_bytes(path);
    EXPECT_EQ(file.size(), (s.blocks + 1) * 2048u + 16 + 8 * s.blocks);
    EXPECT_EQ(file.substr(1024, 1024), std::string(1024, '\0'));
    EXPECT_EQ(file.substr((s.blocks + 1) * 2048u, 4), "ZtIX");

    ASSERT_EQ(DbLock(c.get()), 0);
    for (int i = 0; i < 290; ++i) ASSERT_EQ(del(c.get(), "k" + std::to_string(1000 + i)), 0);
    ASSERT_EQ(DbUnlock(c.get()), 0);
    ASSERT_EQ(DbStat(c.get(), &s), 0);
    EXPECT_TRUE(s.index_in_block0);
    file = file_bytes(path);
    EXPECT_EQ(file.size(), (s.blocks + 1) * 2048u);
    EXPECT_EQ(file.substr(1024, 4), "ZtIX");
    const size_t used = 16 + 8 * s.blocks;
    EXPECT_EQ(file.substr(1024 + used, 1024 - used), std::string(1024 - used, '\0'));
    ASSERT_EQ(c.close(), 0);
    ASSERT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR), 0);
    EXPECT_EQ(get(c.get(), GET_FIRST, "").key, "k1290");
}

TEST(FileFormat, HeaderChecksAndAcceptedForms) {
    ScratchDir dir;
    const std::string path = dir.path("h.db");
    DbFile c;
    ASSERT_EQ(DbCreate(c.out(), path, 0, 4096, 8), 0);
    ASSERT_EQ(put(c.get(), "key", "value"), 0);
    ASSERT_EQ(c.close(), 0);
    const std::string good = file_bytes(path);

    // Version 4: refused, nothing written.
    std::string v4 = good;
    v4[8] = 4;
    v4[30] = 0;  // a zero checksum is accepted and would be rewritten
    write_file_bytes(path, v4);
    EXPECT_EQ(DbOpen(c.out(), path, 0), kDbWrongVersion);
    EXPECT_EQ(file_bytes(path), v4);

    // A zero checksum is filled in.
    std::string zero = good;
    zero[30] = 0;
    write_file_bytes(path, zero);
    ASSERT_EQ(DbOpen(c.out(), path, 0), 0);
    ASSERT_EQ(c.close(), 0);
    EXPECT_EQ(file_bytes(path)[30], good[30]);

    // A wrong checksum: 16 with detail 36; restored from the backup with
    // DB_HEADER_BACKUP when the backup is sound.
    std::string damaged = good;
    damaged[14] = 9;  // entry size, without the checksum following
    write_file_bytes(path, damaged);
    std::vector<int32_t> details;
    auto record = [&details](DbHandle, int32_t code, int32_t, int32_t) {
        details.push_back(code);
        return 1;
    };
    EXPECT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR, record), kDbCorrupt);
    EXPECT_EQ(details, std::vector<int32_t>{kDbFileHeaderCrc});
    EXPECT_EQ(file_bytes(path), damaged);
    ASSERT_EQ(DbOpen(c.out(), path, DB_HEADER_BACKUP), 0);
    EXPECT_EQ(get(c.get(), GET_EXACT, "key").data, "value");
    ASSERT_EQ(c.close(), 0);
    EXPECT_EQ(file_bytes(path).substr(0, 1024), good.substr(0, 1024));

    std::string magic = good;
    magic[0] = 'X';
    write_file_bytes(path, magic);
    details.clear();
    EXPECT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR, record), kDbCorrupt);
    EXPECT_EQ(details, std::vector<int32_t>{kDbBadFileHeader});
}

TEST(FileFormat, StandardCollatingTablesAreAcceptedWithoutChecksum) {
    ScratchDir dir;
    const std::string path = dir.path("t.db");
    DbFile c;
    ASSERT_EQ(DbCreate(c.out(), path, 0, 4096, 8), 0);
    ASSERT_EQ(c.close(), 0);
    std::string file = file_bytes(path);
    for (int i = 'a'; i <= 'z'; ++i) file[768 + i] = static_cast<char>(i - 32);
    file[31] = 0x55;  // wrong for this table
    write_file_bytes(path, file);
    ASSERT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR), 0);
    // Keys that differ only in case are now one key.
    ASSERT_EQ(put(c.get(), "Name", "1"), 0);
    ASSERT_EQ(put(c.get(), "NAME", "2"), 0);
    auto r = get(c.get(), GET_FIRST, "");
    EXPECT_EQ(r.key, "NAME");
    EXPECT_EQ(r.data, "2");
    EXPECT_EQ(get(c.get(), GET_NEXT, "name").code, kDbNoNext);
    EXPECT_EQ(get(c.get(), GET_EXACT, "nAmE").data, "2");

    ASSERT_EQ(c.close(), 0);
    file = file_bytes(path);
    file[768 + 'a'] = 'b';  // not a standard table, checksum wrong
    write_file_bytes(path, file);
    EXPECT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR), kDbCorrupt);
}

// A file that grows past 65534 blocks changes to 24-bit block numbers and
// back when it shrinks below 65520.
TEST(FileFormat, Version3AndBack) {
    ScratchDir dir;
    const std::string path = dir.path("big.db");
    DbFile c;
    ASSERT_EQ(DbCreate(c.out(), path, 0, 1024, 8), 0);
    std::mt19937 rng(3);
    std::string data(127 * 1016, '\0');
    for (auto& b : data) b = static_cast<char>(rng());
    ASSERT_EQ(DbLock(c.get()), 0);
    int records = 0;
    DbStatistics s;
    for (;; ++records) {
        ASSERT_EQ(DbStat(c.get(), &s), 0);
        if (s.blocks + 128 >= 65535) break;
        data[0] = static_cast<char>(records);
        ASSERT_EQ(put(c.get(), "r" + std::to_string(10000 + records), data), 0);
    }
    ASSERT_EQ(s.version, 2);
    data[0] = static_cast<char>(records);
    ASSERT_EQ(put(c.get(), "r" + std::to_string(10000 + records++), data), 0);
    ASSERT_EQ(DbUnlock(c.get()), 0);
    ASSERT_EQ(DbStat(c.get(), &s), 0);
    EXPECT_EQ(s.version, 3);
    std::string head = file_bytes(path).substr(0, 32);
    EXPECT_EQ(le16(head, 8), 3);
    EXPECT_EQ(head[21], 1);
    ASSERT_EQ(c.close(), 0);
    ASSERT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR), 0);
    data[0] = 5;
    EXPECT_TRUE(get(c.get(), GET_EXACT, "r10005").data == data);

    ASSERT_EQ(DbLock(c.get()), 0);
    for (int i = 0; s.blocks >= 65520 - 127; ++i) {
        ASSERT_EQ(del(c.get(), "r" + std::to_string(10000 + i)), 0);
        ASSERT_EQ(DbStat(c.get(), &s), 0);
        EXPECT_EQ(s.version, s.blocks < 65520 ? 2 : 3);
    }
    ASSERT_EQ(DbUnlock(c.get()), 0);
    ASSERT_EQ(c.close(), 0);
    ASSERT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR), 0);
    ASSERT_EQ(DbStat(c.get(), &s), 0);
    EXPECT_EQ(s.version, 2);
    data[0] = static_cast<char>(records - 1);
    EXPECT_TRUE(get(c.get(), GET_LAST, "").data == data);
}

TEST(FileFormat, ErrorTexts) {
    EXPECT_STREQ(DbErrorText(0), "No error");
    EXPECT_STREQ(DbErrorText(26), "The index is bad or not up-to-date");
    EXPECT_STREQ(DbErrorText(44), "Decompressed length mismatch");
    EXPECT_STREQ(DbErrorText(3), "Unknown error");
    EXPECT_STREQ(DbErrorText(-1), "Unknown error");
    EXPECT_STREQ(DbErrorText(45), "Unknown error");
}

}  // namespace
}  // namespace orvane::store::testing
