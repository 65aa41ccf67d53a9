// A damaged header: reported by DbCheck and DbCheckHeader, restored from its
// backup, or rebuilt from the blocks when the backup is damaged too; and the
// zeros the format keeps behind the index and behind every block's bytes.
#include <random>

#include "platform/bytes.h"
#include "tests/store/layout.h"
#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

bool mentions(const std::vector<std::string>& problems, const std::string& part) {
    for (const auto& problem : problems)
        if (problem.find(part) != std::string::npos) return true;
    return false;
}

// The header without the change counter, which every writing period bumps.
std::string header_fields(const std::string& file) {
    std::string header = file.substr(0, 1024);
    header.replace(4, 4, 4, '\0');
    return header;
}

struct Shape {
    int blocksize;
    uint32_t flags;
};

class HeaderTest : public ::testing::TestWithParam<Shape> {
  protected:
    void SetUp() override {
        path = dir.path("h.db");
        DbFile c;
        ASSERT_EQ(DbCreate(c.out(), path, GetParam().flags, GetParam().blocksize, 8), 0);
        ASSERT_EQ(DbLock(c.get()), 0);
        std::mt19937 rng(5);
        for (int i = 0; i < 400; ++i) {
            std::string data = "record " + std::to_string(i) + " ";
            while (data.size() < static_cast<size_t>(60 + i % 90))
                data += data.substr(0, 13) + std::to_string(i * 7);
            // Every fiftieth record is long and does not compress.
            if (i % 50 == 0)
                for (int j = 0; j < 7000; ++j) data += static_cast<char>(rng());
            ASSERT_EQ(put(c.get(), "key" + std::to_string(10000 + i), data), 0);
        }
        ASSERT_EQ(DbUnlock(c.get()), 0);
        layout = layout_of(c.get());
        ASSERT_EQ(c.close(), 0);
        original = file_bytes(path);
    }

    DbCheckReport check(uint32_t flags) {
        DbCheckReport report;
        DbFile c;
        EXPECT_EQ(DbOpen(c.out(), path, flags), 0);
        if (c) {
            EXPECT_EQ(DbCheck(c.get(), &report), 0);
        }
        return report;
    }

    void expect_every_record() {
        DbFile c;
        ASSERT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR), 0);
        EXPECT_EQ(layout_of(c.get()).records, layout.records);
        DbCheckReport report;
        ASSERT_EQ(DbCheck(c.get(), &report), 0);
        EXPECT_TRUE(report.problems.empty()) << report.problems.front();
    }

    void repair() {
        DbFile c;
        ASSERT_EQ(DbOpen(c.out(), path, DB_HEADER_BACKUP), 0);
        ASSERT_EQ(DbRepair(c.get()), 0);
        ASSERT_EQ(c.close(), 0);
    }

    // A block of the kind asked for with room behind its stored bytes.
    uint32_t block_with_slack(bool extension) {
        const uint32_t bs = static_cast<uint32_t>(GetParam().blocksize);
        for (const auto& [block, is_extension] : layout.is_extension) {
            const auto* raw = reinterpret_cast<const uint8_t*>(original.data()) + (block + 1) * bs;
            const size_t used =
                (is_extension ? 8 : 6) + static_cast<size_t>(platform::load_le16(raw + 2));
            if (is_extension == extension && used < bs) return block;
        }
        ADD_FAILURE() << "no such block";
        return 0;
    }

    ScratchDir dir;
    std::string path;
    Layout layout;
    std::string original;
};

TEST_P(HeaderTest, DamagedHeaderWithASoundBackupIsReportedAndRestored) {
    std::string damaged = original;
    damaged[10] ^= 0x05;       // the block count
    damaged[768 + 'q'] = 'Q';  // the collating table
    write_file_bytes(path, damaged);
    DbFile refused;
    EXPECT_EQ(DbOpen(refused.out(), path, DB_NO_AUTO_REPAIR), kDbCorrupt);
    DbHeaderReport header;
    ASSERT_EQ(DbCheckHeader(path, &header), 0);
    EXPECT_FALSE(header.header_sound);
    EXPECT_FALSE(header.table_sound);
    EXPECT_TRUE(header.restorable());
    EXPECT_TRUE(mentions(header.problems, "header: checksum wrong; its backup is sound"));
    EXPECT_TRUE(mentions(header.problems, "collating table: checksum wrong; its backup is sound"));

    // A reading handle restores it in memory only, and the check says so.
    const DbCheckReport report = check(DB_READ_ONLY | DB_NO_AUTO_REPAIR | DB_HEADER_BACKUP);
    EXPECT_EQ(report.records, layout.records.size());
    EXPECT_TRUE(mentions(report.problems, "header: checksum wrong"));
    EXPECT_TRUE(file_bytes(path) == damaged);

    repair();
    EXPECT_TRUE(header_fields(file_bytes(path)) == header_fields(original));
    expect_every_record();
}

TEST_P(HeaderTest, DamagedBackupsAreReportedAndWrittenAgain) {
    std::string damaged = original;
    damaged[750] ^= 0x01;        // the backup of the entry size
    damaged[480 + 200] ^= 0x40;  // the table's backup
    write_file_bytes(path, damaged);
    const DbCheckReport report = check(DB_NO_AUTO_REPAIR);
    EXPECT_TRUE(mentions(report.problems, "header backup: checksum wrong"));
    EXPECT_TRUE(mentions(report.problems, "collating table backup: checksum wrong"));
    repair();
    EXPECT_TRUE(header_fields(file_bytes(path)) == header_fields(original));
    expect_every_record();
}

TEST_P(HeaderTest, HeaderAndBackupBothDamagedAreRebuiltFromTheBlocks) {
    std::string damaged = original;
    std::fill(damaged.begin(), damaged.begin() + 1024, '\xA5');
    write_file_bytes(path, damaged);
    DbFile refused;
    EXPECT_EQ(DbOpen(refused.out(), path, DB_HEADER_BACKUP), kDbCorrupt);
    DbHeaderReport header;
    ASSERT_EQ(DbCheckHeader(path, &header), 0);
    EXPECT_FALSE(header.restorable());
    EXPECT_TRUE(mentions(header.problems, "header: damaged, and so is its backup"));
    EXPECT_TRUE(mentions(header.problems, "collating table: damaged, and so is its backup"));

    ASSERT_EQ(DbRebuildHeader(path, 0), 0);
    expect_every_record();
    DbFile c;
    ASSERT_EQ(DbOpen(c.out(), path, 0), 0);
    DbStatistics s;
    ASSERT_EQ(DbStat(c.get(), &s), 0);
    EXPECT_EQ(s.blocksize, GetParam().blocksize);
    EXPECT_EQ(s.options & 1, GetParam().flags & DB_PREFIX_KEYS ? 1 : 0);
}

TEST_P(HeaderTest, BytesBehindTheIndexAndTheBlocksMustBeZero) {
    const uint32_t bs = static_cast<uint32_t>(GetParam().blocksize);
    std::string damaged = original;
    // Block 0 of 1024 bytes holds the header alone.
    if (bs > 1024) damaged[bs - 1] = 1;
    const uint32_t data_block = block_with_slack(false);
    const uint32_t extension_block = block_with_slack(true);
    damaged[(data_block + 2) * bs - 1] = 2;
    damaged[(extension_block + 2) * bs - 1] = 3;
    write_file_bytes(path, damaged);
    const DbCheckReport report = check(DB_NO_AUTO_REPAIR);
    EXPECT_EQ(mentions(report.problems, "block 0: bytes that are not zero behind the index"),
              bs > 1024);
    EXPECT_TRUE(mentions(report.problems, "block " + std::to_string(data_block) +
                                              ": bytes that are not zero behind its stored bytes"));
    EXPECT_TRUE(mentions(report.problems, "block " + std::to_string(extension_block) +
                                              ": bytes that are not zero behind its stored bytes"));
    // Reading is not disturbed by them.
    EXPECT_EQ(report.records, layout.records.size());
    repair();
    expect_every_record();
}

INSTANTIATE_TEST_SUITE_P(Shapes, HeaderTest,
                         ::testing::Values(Shape{1024, DB_PREFIX_KEYS | DB_COMPRESS},
                                           Shape{2048, 0}, Shape{4096, DB_COMPRESS}),
                         [](const auto& info) {
                             return "bs" + std::to_string(info.param.blocksize) + "_flags" +
                                    std::to_string(info.param.flags);
                         });

TEST(HeaderRebuild, NothingToRebuildFromIsRefused) {
    ScratchDir dir;
    const std::string path = dir.path("noise.db");
    write_file_bytes(path, std::string(3 * 4096, '\x5A'));
    EXPECT_EQ(DbRebuildHeader(path, 0), kDbCorrupt);
    EXPECT_EQ(file_bytes(path), std::string(3 * 4096, '\x5A'));
    DbHeaderReport header;
    EXPECT_EQ(DbCheckHeader(dir.path("missing.db"), &header), kDbFileNotFound);
}

}  // namespace
}  // namespace orvane::store::testing
