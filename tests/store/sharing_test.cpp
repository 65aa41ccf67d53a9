// Sharing one file: two processes writing in lock periods of varying length,
// waits for a lock held elsewhere, the callback lock, and one handle used
// from two threads.
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <random>
#include <thread>

#include "platform/fault_env.h"
#include "platform/virtual_clock.h"
#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

// The operations of one writer, the same in the child that runs them and in
// the parent that predicts the result.
struct Writer {
    explicit Writer(char prefix) : prefix(prefix), rng(prefix) {}
    char prefix;
    std::mt19937 rng;
    std::map<std::string, std::string> model;

    bool next(std::string* key, std::string* data) {
        *key = std::string(1, prefix) + std::to_string(rng() % 400);
        if (rng() % 4 == 0) {
            model.erase(*key);
            return false;
        }
        data->assign(rng() % 10 == 0 ? 1500 + rng() % 3000 : rng() % 120,
                     static_cast<char>('a' + rng() % 26));
        model[*key] = *data;
        return true;
    }
};

constexpr int kOperations = 1500;

// For a lock wait: a millisecond before the next attempt, without end.
int32_t patient(DbHandle, int32_t, int32_t, int32_t) {
    return 1;
}

int run_writer(const std::string& path, char prefix) {
    DbHandle db = nullptr;
    if (DbOpen(&db, path, DB_SHARED | DB_COMPRESS, patient) != kDbOk) return 10;
    Writer writer(prefix);
    std::mt19937 periods(prefix * 7);
    for (int done = 0; done < kOperations;) {
        const int length = 1 + static_cast<int>(periods() % 20);
        if (DbLock(db) != kDbOk) return 11;
        for (int i = 0; i < length && done < kOperations; ++i, ++done) {
            std::string key, data;
            const bool write = writer.next(&key, &data);
            const int32_t result = write ? put(db, key, data) : del(db, key);
            if (result != kDbOk && result != kDbNotFound) return 12;
        }
        if (DbUnlock(db) != kDbOk) return 13;
    }
    return DbClose(db) == kDbOk ? 0 : 14;
}

TEST(Sharing, TwoProcessesGiveTheCombinedEffect) {
    ScratchDir dir;
    const std::string path = dir.path("shared.db");
    DbFile c;
    ASSERT_EQ(DbCreate(c.out(), path, DB_PREFIX_KEYS | DB_COMPRESS | DB_SHARED, 2048, 8), 0);
    std::vector<pid_t> children;
    for (char prefix : {'A', 'B'}) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) _exit(run_writer(path, prefix));
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    std::map<std::string, std::string> expected;
    for (char prefix : {'A', 'B'}) {
        Writer writer(prefix);
        std::string key, data;
        for (int i = 0; i < kOperations; ++i) writer.next(&key, &data);
        expected.insert(writer.model.begin(), writer.model.end());
    }
    // The creating handle sees the other processes' work.
    auto r = get(c.get(), GET_FIRST, "");
    for (const auto& [key, data] : expected) {
        ASSERT_EQ(r.code, 0) << key;
        ASSERT_EQ(r.key, key);
        ASSERT_TRUE(r.data == data) << key;
        r = get(c.get(), GET_NEXT, r.key);
    }
    EXPECT_EQ(r.code, kDbNoNext);
    DbCheckReport report;
    ASSERT_EQ(DbCheck(c.get(), &report), 0);
    EXPECT_TRUE(report.problems.empty());
}

TEST(Sharing, LockHeldElsewhereTooLong) {
    ScratchDir dir;
    const std::string path = dir.path("locked.db");
    DbFile holder, waiter;
    ASSERT_EQ(DbCreate(holder.out(), path, DB_SHARED, 4096, 8), 0);
    ASSERT_EQ(put(holder.get(), "k", "v"), 0);
    ASSERT_EQ(DbLock(holder.get()), 0);

    // Without a callback: 300 pauses of 100 ms, then 19.
    platform::VirtualClockEnv clock;
    ASSERT_EQ(DbOpen(waiter.out(), path, DB_SHARED, {}, clock), kDbLocked);
    EXPECT_EQ(clock.tick_count(), 300u * 100u);

    // A callback that gives up after two waits is told the end.
    std::vector<std::pair<int32_t, int32_t>> calls;
    ASSERT_EQ(DbOpen(waiter.out(), path, DB_SHARED,
                     [&calls](DbHandle, int32_t code, int32_t a, int32_t b) {
                         if (code != kDbCallbackLockWait) return 1;
                         calls.emplace_back(a, b);
                         return a < 2 ? 1 : 0;
                     }),
              kDbLocked);
    const std::vector<std::pair<int32_t, int32_t>> expected{{0, 1}, {1, 2}, {2, 3}, {3, 3}};
    EXPECT_EQ(calls, expected);

    // A callback that frees the lock on the third attempt gets it, and is
    // told how many attempts it took.
    calls.clear();
    DbHandle holder_db = holder.get();
    ASSERT_EQ(DbOpen(waiter.out(), path, DB_SHARED,
                     [&](DbHandle, int32_t code, int32_t a, int32_t b) {
                         if (code != kDbCallbackLockWait) return 1;
                         calls.emplace_back(a, b);
                         if (a == 2) {
                             EXPECT_EQ(DbUnlock(holder_db), 0);
                         }
                         return 1;
                     }),
              0);
    EXPECT_EQ(calls.back(), std::make_pair(3, 3));
    EXPECT_EQ(get(waiter.get(), GET_EXACT, "k").data, "v");
}

TEST(Sharing, ChangesOfAnotherHandleAreSeen) {
    ScratchDir dir;
    const std::string path = dir.path("two.db");
    DbFile a, b;
    ASSERT_EQ(DbCreate(a.out(), path, DB_SHARED | DB_PREFIX_KEYS, 1024, 8), 0);
    ASSERT_EQ(DbOpen(b.out(), path, DB_SHARED), 0);
    ASSERT_EQ(DbLock(a.get()), 0);
    for (int i = 0; i < 200; ++i)
        ASSERT_EQ(put(a.get(), "k" + std::to_string(1000 + i), std::string(100, 'x')), 0);
    ASSERT_EQ(DbUnlock(a.get()), 0);
    EXPECT_EQ(get(b.get(), GET_LAST, "").key, "k1199");
    ASSERT_EQ(get(b.get(), GET_EXACT, "k1100").code, 0);
    ASSERT_EQ(del(a.get(), "k1100"), 0);
    // The remembered record is gone: GET_CURRENT searches again.
    EXPECT_EQ(get(b.get(), GET_CURRENT, "").code, kDbNotFound);
    ASSERT_EQ(del(b.get(), "k1199"), 0);
    EXPECT_EQ(get(a.get(), GET_LAST, "").key, "k1198");
}

TEST(Sharing, CallbackLock) {
    ScratchDir dir;
    bool busy = true;
    std::vector<int32_t> codes;
    auto callback = [&](DbHandle, int32_t code, int32_t, int32_t) -> int32_t {
        codes.push_back(code);
        return code == kDbCallbackLock && busy ? 1 : 0;
    };
    DbFile c;
    ASSERT_EQ(DbCreate(c.out(), dir.path("cb.db"), DB_SHARED | DB_CALLBACK_LOCK, 4096, 8, callback),
              kDbLocked);
    busy = false;
    codes.clear();
    ASSERT_EQ(
        DbCreate(c.out(), dir.path("cb2.db"), DB_SHARED | DB_CALLBACK_LOCK, 4096, 8, callback), 0);
    ASSERT_EQ(put(c.get(), "k", "v"), 0);
    EXPECT_EQ(codes, (std::vector<int32_t>{kDbCallbackLock, kDbCallbackUnlock, kDbCallbackLock,
                                           kDbCallbackUnlock}));
}

TEST(Sharing, OneHandleFromTwoThreads) {
    ScratchDir dir;
    DbFile c;
    ASSERT_EQ(DbCreate(c.out(), dir.path("t.db"), DB_THREAD_SAFE | DB_PREFIX_KEYS, 1024, 8), 0);
    auto work = [&c](char prefix) {
        for (int i = 0; i < 100; ++i) {
            ASSERT_EQ(DbLock(c.get()), 0);
            ASSERT_EQ(put(c.get(), prefix + std::to_string(i), std::string(50, prefix)), 0);
            ASSERT_EQ(DbUnlock(c.get()), 0);
        }
    };
    std::thread first(work, 'a'), second(work, 'b');
    first.join();
    second.join();
    DbStatistics s;
    ASSERT_EQ(DbStat(c.get(), &s), 0);
    EXPECT_EQ(s.records, 200u);
}

TEST(Sharing, RetriedWrite) {
    ScratchDir dir;
    const std::string path = dir.path("retry.db");
    platform::VirtualClockEnv clock;
    platform::FaultEnv faults(clock);
    DbFile c;
    ASSERT_EQ(DbCreate(c.out(), path, DB_RETRY_IO, 4096, 8, {}, faults), 0);
    faults.arm(0, platform::FaultEnv::Fault::kFail, path);
    EXPECT_EQ(put(c.get(), "k", "v"), 0);
    EXPECT_TRUE(faults.fired());
    EXPECT_EQ(clock.tick_count(), 500u);  // one pause before the retry
    EXPECT_EQ(get(c.get(), GET_EXACT, "k").data, "v");
    // Without the retry the same failure reaches the caller.
    ASSERT_EQ(DbSetOptions(c.get(), 0), 0);
    faults.arm(0, platform::FaultEnv::Fault::kFail, path);
    EXPECT_EQ(put(c.get(), "k", "w"), kDbWriteError);
}

}  // namespace
}  // namespace orvane::store::testing
