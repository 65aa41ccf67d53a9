// Compaction and range deletion: every record kept that should be, the
// file shrinks, and an abort from the callback leaves a sound file.
#include <map>
#include <random>

#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

class MaintenanceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.path("m.db");
        ASSERT_EQ(DbCreate(c.out(), path, DB_PREFIX_KEYS | DB_COMPRESS, 1024, 8), 0);
        std::mt19937 rng(21);
        ASSERT_EQ(DbLock(c.get()), 0);
        for (int i = 0; i < 1500; ++i) {
            char key[16];
            std::snprintf(key, sizeof key, "k%05d", i);
            std::string data(i % 97 == 0 ? 3000 + rng() % 3000 : rng() % 300, '\0');
            for (auto& b : data) b = static_cast<char>(i % 3 ? 'a' + rng() % 3 : rng());
            ASSERT_EQ(put(c.get(), key, data), 0);
            model[key] = data;
        }
        ASSERT_EQ(DbUnlock(c.get()), 0);
    }

    void expect_matches_model() {
        auto r = get(c.get(), GET_FIRST, "");
        for (const auto& [key, data] : model) {
            ASSERT_EQ(r.code, 0) << "missing " << key;
            ASSERT_EQ(r.key, key);
            ASSERT_TRUE(r.data == data) << key;
            r = get(c.get(), GET_NEXT, r.key);
        }
        EXPECT_EQ(r.code, kDbNoNext);
        DbCheckReport report;
        ASSERT_EQ(DbCheck(c.get(), &report), 0);
        EXPECT_TRUE(report.problems.empty()) << report.problems.front();
    }

    void delete_randomly(double share) {
        std::mt19937 rng(8);
        ASSERT_EQ(DbLock(c.get()), 0);
        for (auto it = model.begin(); it != model.end();) {
            if (rng() % 1000 < share * 1000) {
                ASSERT_EQ(del(c.get(), it->first), 0);
                it = model.erase(it);
            } else {
                ++it;
            }
        }
        ASSERT_EQ(DbUnlock(c.get()), 0);
    }

    ScratchDir dir;
    std::string path;
    DbFile c;
    std::map<std::string, std::string> model;
};

TEST_F(MaintenanceTest, CompactionKeepsEveryRecordAndShrinksTheFile) {
    delete_randomly(0.6);
    const size_t before = file_bytes(path).size();
    std::vector<std::pair<int32_t, int32_t>> progress;
    ASSERT_EQ(c.close(), 0);
    ASSERT_EQ(DbOpen(c.out(), path, DB_COMPRESS,
                     [&progress](DbHandle, int32_t code, int32_t a, int32_t b) {
                         if (code == kDbCallbackCompact) progress.emplace_back(a, b);
                         return 1;
                     }),
              0);
    ASSERT_EQ(DbCompact(c.get()), 0);
    EXPECT_LT(file_bytes(path).size(), before * 3 / 4);
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.back().first, progress.back().second);
    expect_matches_model();
    ASSERT_EQ(c.close(), 0);
    ASSERT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR), 0);
    expect_matches_model();
    // Compacting a compact file changes nothing.
    const std::string compacted = file_bytes(path);
    ASSERT_EQ(DbCompact(c.get()), 0);
    EXPECT_EQ(file_bytes(path).size(), compacted.size());
}

TEST_F(MaintenanceTest, AbortedCompactionLeavesASoundFile) {
    delete_randomly(0.5);
    ASSERT_EQ(c.close(), 0);
    ASSERT_EQ(DbOpen(c.out(), path, DB_COMPRESS | DB_NO_AUTO_REPAIR,
                     [](DbHandle, int32_t code, int32_t a, int32_t) {
                         return code == kDbCallbackCompact && a == 20 ? 0 : 1;
                     }),
              0);
    EXPECT_EQ(DbCompact(c.get()), kDbAborted);
    expect_matches_model();
    ASSERT_EQ(c.close(), 0);
    ASSERT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR), 0);
    expect_matches_model();
}

TEST_F(MaintenanceTest, RangeDeletionRemovesExactlyTheRange) {
    int blocks_reported = 0;
    ASSERT_EQ(c.close(), 0);
    ASSERT_EQ(DbOpen(c.out(), path, DB_COMPRESS | DB_NO_AUTO_REPAIR,
                     [&](DbHandle, int32_t code, int32_t, int32_t) {
                         if (code == kDbCallbackDeleteRange) ++blocks_reported;
                         return 1;
                     }),
              0);
    ASSERT_EQ(DbDeleteRange(c.get(), "k00100", 6, "k00999x", 7), 0);
    model.erase(model.lower_bound("k00100"), model.upper_bound("k00999x"));
    EXPECT_GT(blocks_reported, 10);
    expect_matches_model();
    DbStatistics s;
    ASSERT_EQ(DbStat(c.get(), &s), 0);
    size_t long_records = 0;
    for (const auto& entry : model) long_records += entry.second.size() > 1000;
    EXPECT_EQ(s.long_records, long_records);
    // An empty range, a reversed range, a range past the end.
    ASSERT_EQ(DbDeleteRange(c.get(), "k00100", 6, "k00200", 6), 0);
    ASSERT_EQ(DbDeleteRange(c.get(), "k01200", 6, "k01100", 6), 0);
    ASSERT_EQ(DbDeleteRange(c.get(), "k01400", 6, "z", 1), 0);
    model.erase(model.lower_bound("k01400"), model.end());
    expect_matches_model();
    EXPECT_EQ(DbDeleteRange(c.get(), "", 0, "z", 1), kDbBadParameter);
}

TEST_F(MaintenanceTest, AbortedRangeDeletionLeavesASoundFile) {
    ASSERT_EQ(c.close(), 0);
    ASSERT_EQ(DbOpen(c.out(), path, DB_COMPRESS | DB_NO_AUTO_REPAIR,
                     [](DbHandle, int32_t code, int32_t a, int32_t) {
                         return code == kDbCallbackDeleteRange && a == 5 ? 0 : 1;
                     }),
              0);
    EXPECT_EQ(DbDeleteRange(c.get(), "k00000", 6, "k01499", 6), kDbAborted);
    // Some records went, the rest is intact and in order.
    DbCheckReport report;
    ASSERT_EQ(DbCheck(c.get(), &report), 0);
    EXPECT_TRUE(report.problems.empty());
    auto r = get(c.get(), GET_FIRST, "");
    size_t left = 0;
    for (; r.code == kDbOk; r = get(c.get(), GET_NEXT, r.key), ++left)
        ASSERT_TRUE(r.data == model[r.key]) << r.key;
    EXPECT_LT(left, model.size());
    EXPECT_GT(left, 0u);
}

}  // namespace
}  // namespace orvane::store::testing
