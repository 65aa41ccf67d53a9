// Interrupted writing periods, for every operation on the files of the
// period (writes, flushes and changes of size of the database and its
// journal): a power cut there, after which only what was flushed survives
// (or also what was written to the database since), or a failed or torn
// operation after which the caller gives up. The
// database is then byte for byte as it was before the period or as the
// period left it, never a mix, and nothing committed before is lost.
#include <random>
#include <set>

#include "platform/fault_env.h"
#include "store/handle.h"
#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

using Fault = platform::FaultEnv::Fault;

constexpr int kBlock = 1024;

struct Operation {
    bool remove;
    std::string key;
    std::string data;
};

// Param: the bound of a period's unwritten blocks; a small one makes the
// period write to the file (behind the journal) several times before its
// commit.
class FaultTest : public ::testing::TestWithParam<size_t> {
  protected:
    void SetUp() override {
        path = dir.path("f.db");
        DbFile c;
        ASSERT_EQ(DbCreate(c.out(), path, DB_PREFIX_KEYS | DB_COMPRESS, kBlock, 8), 0);
        std::mt19937 rng(31);
        ASSERT_EQ(DbLock(c.get()), 0);
        for (int i = 0; i < 150; ++i) {
            const std::string key = "c" + std::to_string(1000 + i);
            ASSERT_EQ(put(c.get(), key, random_data(rng)), 0);
        }
        ASSERT_EQ(DbUnlock(c.get()), 0);
        for (int i = 0; i < 25; ++i) {
            const bool remove = rng() % 3 == 0;
            const std::string key = "c" + std::to_string(1000 + rng() % 200);
            period.push_back({remove, key, remove ? "" : random_data(rng)});
            // Once, a run of new keys in ascending order behind the others.
            if (i == 12)
                for (int k = 0; k < 12; ++k)
                    period.push_back({false, "d" + std::to_string(100 + k), random_data(rng)});
        }
        ASSERT_EQ(c.close(), 0);
        before = file_bytes(path);
        // The period run without faults gives the state after it.
        run_period(platform::system_env(), false);
        after = file_bytes(path);
        ASSERT_NE(after, before);
        write_file_bytes(path, before);
    }

    static std::string random_data(std::mt19937& rng) {
        std::string data(rng() % 8 == 0 ? 2000 + rng() % 3000 : rng() % 200, '\0');
        for (auto& b : data) b = static_cast<char>(rng() % 2 ? 'x' : rng());
        return data;
    }

    // Runs the period through `env`; gives whether it committed. With
    // `abandon_on_failure`, a failed operation makes the caller abandon it.
    bool run_period(platform::Env& env, bool abandon_on_failure) {
        DbFile c;
        if (DbOpen(c.out(), path, DB_COMPRESS, {}, env) != kDbOk) return false;
        c.get()->writes.limit = GetParam();
        if (DbLock(c.get()) != kDbOk) return false;
        for (const Operation& op : period) {
            const int32_t result = op.remove ? del(c.get(), op.key) : put(c.get(), op.key, op.data);
            if (result != kDbOk && result != kDbNotFound && abandon_on_failure) {
                DbAbandon(c.get());
                return false;
            }
        }
        return DbUnlock(c.get()) == kDbOk;
    }

    // Opens the file as a later run of the program would, which undoes an
    // unfinished period, and gives its bytes after closing it again.
    std::string bytes_after_reopening() {
        DbFile c;
        EXPECT_EQ(DbOpen(c.out(), path, DB_NO_AUTO_REPAIR), 0);
        DbCheckReport report;
        EXPECT_EQ(DbCheck(c.get(), &report), 0);
        EXPECT_TRUE(report.problems.empty()) << report.problems.front();
        EXPECT_EQ(c.close(), 0);
        EXPECT_FALSE(platform::file_exists(path + ".jnl"));
        return file_bytes(path);
    }

    // The directory: faults hit the database, its journal and the directory.
    std::string root() const {
        std::string directory = dir.path("");
        directory.pop_back();
        return directory;
    }

    ScratchDir dir;
    std::string path;
    std::vector<Operation> period;
    std::string before, after;
};

TEST_P(FaultTest, PowerCutAtEveryOperationKeepsBeforeOrAfter) {
    // What survives of the unflushed changes: nothing; or of the database
    // all, or just the first, and nothing of the journal.
    const std::pair<std::string, size_t> survivals[] = {{"", 0}, {path, SIZE_MAX}, {path, 1}};
    for (const auto& [keep, kept_changes] : survivals) {
        int cut_before = 0, cut_after = 0;
        for (uint64_t n = 0;; ++n) {
            write_file_bytes(path, before);
            platform::FaultEnv faults;
            faults.arm(n, Fault::kPowerCut, root());
            run_period(faults, false);
            if (!faults.fired()) break;
            ASSERT_EQ(faults.drop_unsynced(keep, kept_changes), 0);
            const std::string state = bytes_after_reopening();
            ASSERT_TRUE(state == before || state == after)
                << "power cut at operation " << n << ", database changes kept: " << kept_changes;
            ++(state == before ? cut_before : cut_after);
        }
        EXPECT_GT(cut_before, 5);
        EXPECT_GT(cut_after, 0);
    }
}

TEST_P(FaultTest, FailedOrTornOperationThenGivingUpKeepsBefore) {
    for (Fault fault : {Fault::kFail, Fault::kTear}) {
        int undone = 0;
        for (uint64_t n = 0;; ++n) {
            write_file_bytes(path, before);
            platform::FaultEnv faults;
            faults.arm(n, fault, root());
            const bool committed = run_period(faults, true);
            if (!faults.fired()) break;
            const std::string state = file_bytes(path);
            // A failure after the commit point (emptying the journal) still
            // undoes the period, so a failed commit never half counts.
            ASSERT_TRUE(state == (committed ? after : before))
                << "operation " << n << (committed ? ": committed" : ": undone");
            ASSERT_EQ(bytes_after_reopening(), state) << "operation " << n;
            undone += !committed;
        }
        EXPECT_GT(undone, 5);
    }
}

INSTANTIATE_TEST_SUITE_P(Buffers, FaultTest,
                         ::testing::Values(PeriodWrites::kDefaultLimit, 3 * kBlock),
                         [](const auto& info) {
                             return info.param == PeriodWrites::kDefaultLimit ? "WholePeriod"
                                                                              : "SeveralBatches";
                         });

}  // namespace
}  // namespace orvane::store::testing
