// Interrupted writing: the n-th write of a writing period fails, or is cut
// short, for every n. The file must be left repairable and, after repair,
// hold every record committed before the period; the period itself may be
// lost in part. A write cut short tears its block: records committed before
// that lived in the torn block are the one loss allowed.
#include <map>
#include <random>
#include <set>

#include "platform/fault_env.h"
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
        DbFile c;
        ASSERT_EQ(DbCreate(c.out(), path, DB_PREFIX_KEYS | DB_COMPRESS, kBlock, 8), 0);
        std::mt19937 rng(31);
        ASSERT_EQ(DbLock(c.get()), 0);
        for (int i = 0; i < 150; ++i) {
            const std::string key = "c" + std::to_string(1000 + i);
            const std::string data = random_data(rng);
            ASSERT_EQ(put(c.get(), key, data), 0);
        }
        ASSERT_EQ(DbUnlock(c.get()), 0);
        layout = layout_of(c.get());
        for (int i = 0; i < 25; ++i) {
            const bool remove = rng() % 3 == 0;
            const std::string key = "c" + std::to_string(1000 + rng() % 200);
            period.push_back({remove, key, remove ? "" : random_data(rng)});
        }
        ASSERT_EQ(c.close(), 0);
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

// Lets only writes reach the fault injector (flushes and changes of size
// always succeed) and notes where the first failed write was meant to go:
// a torn block.
class WritesOnly : public platform::EnvWrapper {
  public:
    using EnvWrapper::EnvWrapper;
    int pwrite(int fd, const void* buffer, size_t length, uint64_t offset, size_t* done) override {
        const int error = target().pwrite(fd, buffer, length, offset, done);
        if (error && first_failed_offset < 0) first_failed_offset = static_cast<long long>(offset);
        return error;
    }
    int fsync(int fd) override { return platform::system_env().fsync(fd); }
    int ftruncate(int fd, uint64_t size) override {
        return platform::system_env().ftruncate(fd, size);
    }
    long long first_failed_offset = -1;
};

TEST_P(FaultTest, EveryInterruptedWriteLeavesARepairableFile) {
    const bool cut = GetParam();
    int interrupted = 0;
    for (uint64_t n = 0;; ++n) {
        write_file_bytes(path, committed);
        platform::FaultEnv faults;
        WritesOnly tracker(faults);
        faults.arm(n, cut ? platform::FaultEnv::Fault::kTear : platform::FaultEnv::Fault::kFail,
                   path);
        {
            DbFile c;
            ASSERT_EQ(DbOpen(c.out(), path, DB_COMPRESS, {}, tracker), 0);
            ASSERT_EQ(DbLock(c.get()), 0);
            for (const Operation& op : period) {
                const int32_t result =
                    op.remove ? del(c.get(), op.key) : put(c.get(), op.key, op.data);
                if (result != kDbOk && result != kDbNotFound) break;
            }
            // Fails when the fault hit the period; what it left is checked below.
            (void)DbUnlock(c.get());
        }
        if (!faults.fired()) break;  // the period ended before operation n
        ++interrupted;

        std::set<std::string> touched, torn;
        for (const Operation& op : period) touched.insert(op.key);
        const long long torn_offset = cut ? tracker.first_failed_offset : -1;
        if (torn_offset >= kBlock) {
            const uint32_t block = static_cast<uint32_t>(torn_offset / kBlock - 1);
            if (layout.by_block.count(block)) torn = layout.by_block[block];
        }
        DbFile c;
        ASSERT_EQ(DbOpen(c.out(), path, DB_HEADER_BACKUP), 0) << "operation " << n;
        DbCheckReport report;
        ASSERT_EQ(DbCheck(c.get(), &report), 0);
        ASSERT_TRUE(report.problems.empty())
            << "operation " << n << ": " << report.problems.front();
        for (const auto& [key, data] : layout.records) {
            if (touched.count(key) || torn.count(key)) continue;
            auto r = get(c.get(), GET_EXACT, key);
            ASSERT_EQ(r.code, 0) << "operation " << n << " lost " << key;
            ASSERT_TRUE(r.data == data) << "operation " << n << " changed " << key;
        }
        // The file takes writes again.
        ASSERT_EQ(put(c.get(), "after", "fault"), 0) << "operation " << n;
    }
    EXPECT_GT(interrupted, 20);
}

INSTANTIATE_TEST_SUITE_P(FailOrCut, FaultTest, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "Cut" : "Fail"; });

}  // namespace
}  // namespace orvane::store::testing
