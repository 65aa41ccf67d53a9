// Interrupted writing: the n-th write of a writing period fails, or is cut
// short, for every n. The file must be left repairable and, after repair,
// hold every record committed before the period; the period itself may be
// lost in part. A write cut short tears its block: records committed before
// that lived in the torn block are the one loss allowed.
#include <map>
#include <random>
#include <set>

#include "platform/file.h"
#include "tests/store/layout.h"
#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

constexpr int kBlock = 1024;

struct Operation {
    bool remove;
    std::string key;
    std::string data;
};

class FaultTest : public ::testing::TestWithParam<bool> {
  protected:
    void SetUp() override {
        path = dir.path("f.db");
        DbCloser c;
        ASSERT_EQ(DbCreate(&c.db, path, DB_PREFIX_KEYS | DB_COMPRESS, kBlock, 8), 0);
        std::mt19937 rng(31);
        ASSERT_EQ(DbLock(c.db), 0);
        for (int i = 0; i < 150; ++i) {
            const std::string key = "c" + std::to_string(1000 + i);
            const std::string data = random_data(rng);
            ASSERT_EQ(put(c.db, key, data), 0);
        }
        ASSERT_EQ(DbUnlock(c.db), 0);
        layout = layout_of(c.db);
        for (int i = 0; i < 25; ++i) {
            const bool remove = rng() % 3 == 0;
            const std::string key = "c" + std::to_string(1000 + rng() % 200);
            period.push_back({remove, key, remove ? "" : random_data(rng)});
        }
        DbClose(c.db);
        c.db = nullptr;
        committed = file_bytes(path);
    }

    static std::string random_data(std::mt19937& rng) {
        std::string data(rng() % 8 == 0 ? 2000 + rng() % 3000 : rng() % 200, '\0');
        for (auto& b : data) b = static_cast<char>(rng() % 2 ? 'x' : rng());
        return data;
    }

    ScratchDir dir;
    std::string path;
    Layout layout;
    std::vector<Operation> period;
    std::string committed;
};

TEST_P(FaultTest, EveryInterruptedWriteLeavesARepairableFile) {
    const bool cut = GetParam();
    int interrupted = 0;
    for (int n = 1;; ++n) {
        write_file_bytes(path, committed);
        int writes = 0;
        long long torn_offset = -1;
        platform::set_write_fault_hook(
            [&](const std::string& p, uint64_t offset, size_t length) -> long long {
                if (p != path || ++writes != n) return static_cast<long long>(length);
                if (!cut) return -1;
                torn_offset = static_cast<long long>(offset);
                return static_cast<long long>(length / 2);
            });
        {
            DbCloser c;
            ASSERT_EQ(DbOpen(&c.db, path, DB_COMPRESS), 0);
            ASSERT_EQ(DbLock(c.db), 0);
            for (const Operation& op : period) {
                const int32_t result = op.remove ? del(c.db, op.key) : put(c.db, op.key, op.data);
                if (result != kDbOk && result != kDbNotFound) break;
            }
            DbUnlock(c.db);
        }
        platform::set_write_fault_hook({});
        if (writes < n) break;  // the period ended before the n-th write
        ++interrupted;

        std::set<std::string> touched, torn;
        for (const Operation& op : period) touched.insert(op.key);
        if (torn_offset >= kBlock) {
            const uint32_t block = static_cast<uint32_t>(torn_offset / kBlock - 1);
            if (layout.by_block.count(block)) torn = layout.by_block[block];
        }
        DbCloser c;
        ASSERT_EQ(DbOpen(&c.db, path, DB_HEADER_BACKUP), 0) << "write " << n;
        DbCheckReport report;
        ASSERT_EQ(DbCheck(c.db, &report), 0);
        ASSERT_TRUE(report.problems.empty()) << "write " << n << ": " << report.problems.front();
        for (const auto& [key, data] : layout.records) {
            if (touched.count(key) || torn.count(key)) continue;
            auto r = get(c.db, GET_EXACT, key);
            ASSERT_EQ(r.code, 0) << "write " << n << " lost " << key;
            ASSERT_TRUE(r.data == data) << "write " << n << " changed " << key;
        }
        // The file takes writes again.
        ASSERT_EQ(put(c.db, "after", "fault"), 0) << "write " << n;
    }
    EXPECT_GT(interrupted, 20);
}

INSTANTIATE_TEST_SUITE_P(FailOrCut, FaultTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Cut" : "Fail"; });

}  // namespace
}  // namespace orvane::store::testing
