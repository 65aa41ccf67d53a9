// Files damaged in every way the format can be damaged: reading reports it,
// repair yields a file that checks clean, and every record outside the
// damaged blocks survives unchanged.
#include <random>

#include "platform/bytes.h"
#include "store/crc8.h"
#include "tests/store/layout.h"
#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

constexpr uint32_t kBlock = 1024;

class DamageTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.path("d.db");
        DbFile c;
        ASSERT_EQ(DbCreate(c.out(), path, DB_PREFIX_KEYS | DB_COMPRESS, kBlock, 8), 0);
        std::mt19937 rng(11);
        ASSERT_EQ(DbLock(c.get()), 0);
        for (int i = 0; i < 300; ++i) {
            std::string data;
            if (i % 25 == 0) {
                data.resize(4000 + rng() % 2000);
                for (auto& b : data) b = static_cast<char>(rng());
            } else {
                while (data.size() < 40 + rng() % 200)
                    data += "record " + std::to_string(i) + " text; ";
            }
            char key[16];
            std::snprintf(key, sizeof key, "key%04d", i);
            ASSERT_EQ(put(c.get(), key, data), 0);
        }
        ASSERT_EQ(DbUnlock(c.get()), 0);
        layout = layout_of(c.get());
        ASSERT_EQ(layout.records.size(), 300u);
        ASSERT_EQ(c.close(), 0);
        original = file_bytes(path);
    }

    uint32_t block_with(bool extension, bool compressed = false) {
        for (const auto& [block, keys] : layout.by_block) {
            if (layout.is_extension[block] != extension || (!extension && keys.size() < 2))
                continue;
            const uint8_t flags = static_cast<uint8_t>(original[(block + 1) * kBlock + 1]);
            if (compressed && !(flags & 2)) continue;
            return block;
        }
        ADD_FAILURE() << "no such block";
        return 0;
    }
    static size_t at(uint32_t block) { return (static_cast<size_t>(block) + 1) * kBlock; }
    static void fix_crc(std::string& file, uint32_t block, size_t header) {
        const size_t start = at(block);
        const auto* p = reinterpret_cast<const uint8_t*>(file.data() + start);
        const size_t stored = platform::load_le16(p + 2);
        file[start] = static_cast<char>(crc8(p + 1, header - 1 + stored));
    }

    // Opening without repair must fail or a check must complain; a repair
    // must then give a clean file that holds every record not in `lost`
    // blocks, unchanged.
    void expect_reported_and_repaired(const std::string& damaged,
                                      const std::set<uint32_t>& lost_blocks) {
        write_file_bytes(path, damaged);
        std::vector<int32_t> details;
        auto record = [&details](DbHandle, int32_t code, int32_t, int32_t) {
            if (code >= kDbIndexKeyLength) details.push_back(code);
            return 1;
        };
        DbHandle db = nullptr;
        const int32_t opened = DbOpen(&db, path, DB_NO_AUTO_REPAIR, record);
        if (opened == kDbOk) {
            DbCheckReport report;
            ASSERT_EQ(DbCheck(db, &report), 0);
            EXPECT_FALSE(report.problems.empty());
            ASSERT_EQ(DbClose(db), 0);
            EXPECT_EQ(file_bytes(path), damaged) << "reading changed the damaged file";
        } else {
            EXPECT_TRUE(opened == kDbCorrupt || opened == kDbBadIndex) << opened;
            EXPECT_FALSE(details.empty());
        }
        // Whatever the repair finds on its way, its progress stays within its total.
        bool progress_within_total = true;
        auto watch_progress = [&](DbHandle, int32_t code, int32_t step, int32_t steps) {
            if ((code == kDbCallbackRepair || code == kDbCallbackRepairIndex) && step > steps)
                progress_within_total = false;
            return 1;
        };
        DbFile c;
        ASSERT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR | DB_HEADER_BACKUP, watch_progress),
                  kDbOk == opened ? 0 : opened)
            << "open without repair";
        if (!c) {
            ASSERT_EQ(DbOpen(c.out(), path, DB_HEADER_BACKUP, watch_progress), 0)
                << "open with repair";
        }
        ASSERT_EQ(DbRepair(c.get()), 0);
        EXPECT_TRUE(progress_within_total);
        DbCheckReport report;
        ASSERT_EQ(DbCheck(c.get(), &report), 0);
        EXPECT_TRUE(report.problems.empty()) << report.problems.front();
        std::set<std::string> lost;
        for (uint32_t block : lost_blocks)
            for (const auto& key : layout.by_block[block]) lost.insert(key);
        size_t kept = 0;
        for (const auto& [key, data] : layout.records) {
            auto r = get(c.get(), GET_EXACT, key);
            if (r.code == kDbOk) {
                EXPECT_TRUE(r.data == data) << key << " changed";
                ++kept;
            } else {
                EXPECT_TRUE(lost.count(key)) << key << " lost: " << r.code;
            }
        }
        EXPECT_GE(kept, layout.records.size() - lost.size());
    }

    ScratchDir dir;
    std::string path;
    Layout layout;
    std::string original;
};

TEST_F(DamageTest, FlippedByteInADataBlock) {
    const uint32_t block = block_with(false);
    std::string damaged = original;
    damaged[at(block) + 20] ^= 0x10;
    expect_reported_and_repaired(damaged, {block});
}

TEST_F(DamageTest, FlippedByteInAnExtensionBlock) {
    const uint32_t block = block_with(true);
    std::string damaged = original;
    damaged[at(block) + 100] ^= 0x01;
    expect_reported_and_repaired(damaged, {block});
}

TEST_F(DamageTest, BadLzStreamWithAGoodChecksum) {
    const uint32_t block = block_with(false, true);
    std::string damaged = original;
    damaged[at(block) + 6] = static_cast<char>(0xFF);  // first flag word: all matches, from nothing
    damaged[at(block) + 7] = static_cast<char>(0xFF);
    fix_crc(damaged, block, 6);
    expect_reported_and_repaired(damaged, {block});
}

TEST_F(DamageTest, MissingExtensionBlock) {
    const uint32_t block = block_with(true);
    std::string damaged = original;
    damaged[at(block) + 7] = 0x7F;  // its extension key now names nothing
    fix_crc(damaged, block, 8);
    expect_reported_and_repaired(damaged, {block});
}

TEST_F(DamageTest, TwoBlocksWithTheSameFirstKey) {
    std::vector<uint32_t> data_blocks;
    for (const auto& [block, keys] : layout.by_block)
        if (!layout.is_extension[block] && keys.size() > 1) data_blocks.push_back(block);
    ASSERT_GE(data_blocks.size(), 2u);
    std::string damaged = original;
    damaged.replace(at(data_blocks[1]), kBlock, original.substr(at(data_blocks[0]), kBlock));
    expect_reported_and_repaired(damaged, {data_blocks[1]});
}

TEST_F(DamageTest, DamagedOrStaleIndexLosesNothing) {
    const uint32_t count =
        platform::load_le16(reinterpret_cast<const uint8_t*>(original.data()) + 10);
    const size_t index =
        (static_cast<size_t>(count) + 1) * kBlock;  // behind the blocks with 1024-byte blocks
    ASSERT_EQ(original.substr(index, 4), "ZtIX");
    std::string damaged = original;
    damaged[index + 16 + 8 * 3 + 3] ^= 0x04;  // a key byte of an entry
    expect_reported_and_repaired(damaged, {});
    damaged = original;
    damaged[index + 4] ^= 0x01;  // the counter of another period
    expect_reported_and_repaired(damaged, {});
}

// The index repair at open finds a bad block as well, and turns to the records.
TEST_F(DamageTest, DamagedIndexAndADamagedBlock) {
    const uint32_t count =
        platform::load_le16(reinterpret_cast<const uint8_t*>(original.data()) + 10);
    const size_t index = (static_cast<size_t>(count) + 1) * kBlock;
    const uint32_t block = block_with(false);
    std::string damaged = original;
    damaged[index + 4] ^= 0x01;  // a stale index: only the index is rebuilt at first
    damaged[at(block) + 20] ^= 0x10;
    expect_reported_and_repaired(damaged, {block});
}

TEST_F(DamageTest, TruncatedFile) {
    const uint32_t count =
        platform::load_le16(reinterpret_cast<const uint8_t*>(original.data()) + 10);
    std::string damaged = original.substr(0, at(count - 1) + 500);
    expect_reported_and_repaired(damaged, {count - 1});
}

TEST_F(DamageTest, DamagedHeaderNeedsTheBackup) {
    std::string damaged = original;
    damaged[736] = 0x08;  // block size 2056
    write_file_bytes(path, damaged);
    std::vector<int32_t> details;
    DbHandle db = nullptr;
    EXPECT_EQ(DbOpen(&db, path, 0,
                     [&details](DbHandle, int32_t code, int32_t, int32_t) {
                         details.push_back(code);
                         return 1;
                     }),
              kDbCorrupt);
    EXPECT_EQ(details, std::vector<int32_t>{kDbBadFileHeader});
    EXPECT_EQ(file_bytes(path), damaged);
    DbFile c;
    ASSERT_EQ(DbOpen(c.out(), path, DB_HEADER_BACKUP), 0);
    DbCheckReport report;
    ASSERT_EQ(DbCheck(c.get(), &report), 0);
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(layout_of(c.get()).records, layout.records);
}

TEST_F(DamageTest, OperationsRepairAutomatically) {
    const uint32_t block = block_with(false);
    std::string damaged = original;
    damaged[at(block) + 30] ^= 0x40;
    write_file_bytes(path, damaged);
    DbFile c;
    ASSERT_EQ(DbOpen(c.out(), path, 0), 0);
    const std::string victim = *layout.by_block[block].begin();
    // Reading the damaged block repairs the file and reads again.
    EXPECT_EQ(get(c.get(), GET_EXACT, victim).code, kDbNotFound);
    DbCheckReport report;
    ASSERT_EQ(DbCheck(c.get(), &report), 0);
    EXPECT_TRUE(report.problems.empty());
    EXPECT_EQ(put(c.get(), victim, "again"), 0);
    EXPECT_EQ(get(c.get(), GET_EXACT, victim).data, "again");
}

}  // namespace
}  // namespace orvane::store::testing
