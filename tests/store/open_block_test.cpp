// The block that a run of puts fills stays in the handle until the run
// ends. These cases reach the paths a random mix rarely does: a run far
// past what one block holds, the open block moved into the hole of freed
// extension blocks, and reads, deletes and statistics in the middle of a run.
#include <map>

#include "store/handle.h"
#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

constexpr int kBlock = 1024;

std::string key_of(int i) {
    return "k" + std::to_string(100000 + i);
}

std::string value_of(int i, size_t length) {
    std::string value(length, '\0');
    for (size_t b = 0; b < length; ++b) value[b] = "abcdefgh"[(i + b / 7) % 8];
    return value;
}

class OpenBlockTest : public ::testing::TestWithParam<uint32_t> {
  protected:
    void SetUp() override {
        path = dir.path("o.db");
        ASSERT_EQ(DbCreate(db.out(), path, GetParam(), kBlock, 8), 0);
    }

    void put_checked(const std::string& key, const std::string& value) {
        ASSERT_EQ(put(db.get(), key, value), 0) << key;
        model[key] = value;
    }

    // Every record reads back, in order, and the file checks clean, both
    // through this handle and after reopening.
    void expect_model() {
        for (int pass = 0; pass < 2; ++pass) {
            GetResult r = get(db.get(), GET_FIRST, "");
            for (const auto& [key, value] : model) {
                ASSERT_EQ(r.code, 0) << "missing " << key;
                ASSERT_EQ(r.key, key);
                ASSERT_EQ(r.data, value) << key;
                r = get(db.get(), GET_NEXT, r.key);
            }
            EXPECT_EQ(r.code, kDbNoNext);
            DbCheckReport report;
            ASSERT_EQ(DbCheck(db.get(), &report), 0);
            EXPECT_TRUE(report.problems.empty()) << report.problems.front();
            ASSERT_EQ(db.close(), 0);
            ASSERT_EQ(DbOpen(db.out(), path, GetParam() & DB_COMPRESS), 0);
        }
    }

    ScratchDir dir;
    std::string path;
    DbFile db;
    std::map<std::string, std::string> model;
};

TEST_P(OpenBlockTest, RunFarPastOneBlockIsDividedIntoFullBlocks) {
    ASSERT_EQ(DbLock(db.get()), 0);
    for (int i = 0; i < 400; ++i) {
        put_checked(key_of(i), value_of(i, 60 + i % 90));
        // Reads in the middle of the run see what the run has put.
        if (i % 37 == 0) {
            const GetResult r = get(db.get(), GET_EXACT, key_of(i / 2));
            EXPECT_EQ(r.data, model[key_of(i / 2)]);
        }
    }
    // Keys into the middle of the filled range, and replacements.
    for (int i = 0; i < 400; i += 23) put_checked(key_of(i) + "m", value_of(i, 40));
    for (int i = 5; i < 400; i += 31) put_checked(key_of(i), value_of(i + 1, 30));
    ASSERT_EQ(DbUnlock(db.get()), 0);
    expect_model();

    // Filled as far as they go: no more blocks than a loose division would
    // take, and far fewer than one per put.
    DbStatistics stat;
    ASSERT_EQ(DbStat(db.get(), &stat), 0);
    size_t bytes = 0;
    for (const auto& [key, value] : model) bytes += key.size() + value.size() + 4;
    EXPECT_LE(stat.data_blocks, 2 * bytes / (kBlock - 8) + 2);
}

TEST_P(OpenBlockTest, OpenLastBlockMovesIntoTheHoleOfFreedLongData) {
    // A long record whose extension blocks lie before the data blocks that
    // the run below adds at the end of the file; its key follows the run's.
    ASSERT_EQ(DbLock(db.get()), 0);
    put_checked("k999999", std::string(5 * kBlock, 'L') + value_of(1, 3 * kBlock));
    put_checked("b", "small");
    ASSERT_EQ(DbUnlock(db.get()), 0);

    ASSERT_EQ(DbLock(db.get()), 0);
    for (int i = 0; i < 120; ++i) put_checked(key_of(i), value_of(i, 100));
    // The run's last block, which holds the long record, is the last of the
    // file and open; freeing the long data moves it.
    put_checked("k999999", "short now");
    for (int i = 120; i < 140; ++i) put_checked(key_of(i), value_of(i, 100));
    ASSERT_EQ(DbUnlock(db.get()), 0);
    expect_model();
}

TEST_P(OpenBlockTest, ChangesOtherThanPutsCloseTheRunFirst) {
    ASSERT_EQ(DbLock(db.get()), 0);
    for (int i = 0; i < 60; ++i) put_checked(key_of(i), value_of(i, 120));
    ASSERT_EQ(del(db.get(), key_of(10)), 0);
    model.erase(key_of(10));
    for (int i = 60; i < 90; ++i) put_checked(key_of(i), value_of(i, 120));
    // Statistics walk every block, the open one from the handle.
    DbStatistics stat;
    ASSERT_EQ(DbStat(db.get(), &stat), 0);
    EXPECT_EQ(stat.records, model.size());
    for (int i = 90; i < 120; ++i) put_checked(key_of(i), value_of(i, 120));
    ASSERT_EQ(DbUnlock(db.get()), 0);
    expect_model();
}

TEST_P(OpenBlockTest, AbandonedRunLeavesTheFileAsItWas) {
    for (int i = 0; i < 30; ++i) put_checked(key_of(i), value_of(i, 100));
    const std::map<std::string, std::string> before = model;
    ASSERT_EQ(DbLock(db.get()), 0);
    for (int i = 30; i < 200; ++i) put_checked(key_of(i), value_of(i, 100));
    DbAbandon(db.get());
    model = before;
    expect_model();
}

INSTANTIATE_TEST_SUITE_P(Options, OpenBlockTest,
                         ::testing::Values(0u, DB_PREFIX_KEYS, DB_PREFIX_KEYS | DB_COMPRESS),
                         [](const auto& info) {
                             return info.param == 0                ? std::string("Plain")
                                    : info.param == DB_PREFIX_KEYS ? std::string("Prefixed")
                                                                   : std::string("Compressed");
                         });

}  // namespace
}  // namespace orvane::store::testing
