// The before-image journal seen from outside: an abandoned period leaves the
// file as it was, a period whose process died is undone by the next handle
// that looks (another process's next period, a read-only open), and a
// journal that does not belong to the file is never applied to it.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/file.h"
#include "store/handle.h"
#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

constexpr int kBlock = 1024;

std::string value(int i, size_t length) {
    std::string data;
    while (data.size() < length) data += "value " + std::to_string(i) + "; ";
    data.resize(length);
    return data;
}

class JournalTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.path("j.db");
        DbFile c;
        ASSERT_EQ(DbCreate(c.out(), path, DB_PREFIX_KEYS | DB_COMPRESS, kBlock, 8), 0);
        ASSERT_EQ(DbLock(c.get()), 0);
        for (int i = 0; i < 300; ++i) ASSERT_EQ(put(c.get(), key(i), value(i, i % 40 * 10)), 0);
        ASSERT_EQ(DbUnlock(c.get()), 0);
        ASSERT_EQ(c.close(), 0);
        before = file_bytes(path);
    }

    static std::string key(int i) { return "k" + std::to_string(1000 + i); }

    // Changes records through a period that writes to the file several
    // times before it ends: replaced, deleted, new and long records.
    static void change_much(DbHandle db) {
        db->writes.limit = 3 * kBlock;
        for (int i = 0; i < 300; i += 3) ASSERT_EQ(put(db, key(i), value(-i, 200)), 0);
        for (int i = 1; i < 300; i += 3) ASSERT_EQ(del(db, key(i)), 0);
        for (int i = 0; i < 20; ++i)
            ASSERT_EQ(put(db, "long" + std::to_string(i), value(i, 5000)), 0);
    }

    void expect_original_records(DbHandle db) {
        for (int i = 0; i < 300; ++i) {
            auto r = get(db, GET_EXACT, key(i));
            ASSERT_EQ(r.code, 0) << key(i);
            ASSERT_EQ(r.data, value(i, i % 40 * 10)) << key(i);
        }
        EXPECT_EQ(get(db, GET_EXACT, "long0").code, kDbNotFound);
    }

    bool journal_live() {
        std::error_code ignored;
        return std::filesystem::file_size(path + ".jnl", ignored) > 0 &&
               file_bytes(path + ".jnl").substr(0, 4) == "ZtJL";
    }

    // A child process opens the file, writes much in one period and dies
    // in it, leaving a live journal and a half-written file.
    void die_in_period(uint32_t flags) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            DbHandle db = nullptr;
            if (DbOpen(&db, path, flags) != kDbOk || DbLock(db) != kDbOk) _exit(1);
            change_much(db);
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
        ASSERT_TRUE(journal_live());
        ASSERT_NE(file_bytes(path), before);
    }

    ScratchDir dir;
    std::string path;
    std::string before;
};

TEST_F(JournalTest, AbandonedPeriodLeavesTheFileAsItWas) {
    DbFile c;
    ASSERT_EQ(DbOpen(c.out(), path, DB_COMPRESS), 0);
    ASSERT_EQ(DbLock(c.get()), 0);
    change_much(c.get());
    ASSERT_NE(file_bytes(path), before);  // parts already reached the file
    DbAbandon(c.get());
    EXPECT_EQ(file_bytes(path), before);
    EXPECT_FALSE(journal_live());
    // The handle forgot what the period did.
    expect_original_records(c.get());
    ASSERT_EQ(put(c.get(), "after", "abandon"), 0);
    EXPECT_EQ(get(c.get(), GET_EXACT, "after").data, "abandon");
    DbCheckReport report;
    ASSERT_EQ(DbCheck(c.get(), &report), 0);
    EXPECT_TRUE(report.problems.empty());
}

TEST_F(JournalTest, OwnerGoneInsideAPeriodCommitsNothing) {
    {
        DbFile c;
        ASSERT_EQ(DbOpen(c.out(), path, DB_COMPRESS), 0);
        ASSERT_EQ(DbLock(c.get()), 0);
        ASSERT_EQ(DbLock(c.get()), 0);
        change_much(c.get());
    }
    EXPECT_EQ(file_bytes(path), before);
}

TEST_F(JournalTest, AbandoningAnInnerLevelKeepsThePeriodGoing) {
    DbFile c;
    ASSERT_EQ(DbOpen(c.out(), path, DB_COMPRESS), 0);
    ASSERT_EQ(DbLock(c.get()), 0);
    ASSERT_EQ(put(c.get(), "outer", "1"), 0);
    ASSERT_EQ(DbLock(c.get()), 0);
    ASSERT_EQ(put(c.get(), "inner", "2"), 0);
    DbAbandon(c.get());
    ASSERT_EQ(DbUnlock(c.get()), 0);
    EXPECT_EQ(get(c.get(), GET_EXACT, "outer").data, "1");
    EXPECT_EQ(get(c.get(), GET_EXACT, "inner").data, "2");
}

TEST_F(JournalTest, PeriodOfADeadProcessIsUndoneByTheNextPeriodOfAnother) {
    DbFile c;
    ASSERT_EQ(DbOpen(c.out(), path, DB_SHARED | DB_COMPRESS), 0);
    EXPECT_EQ(get(c.get(), GET_EXACT, key(3)).data, value(3, 30));
    die_in_period(DB_SHARED | DB_COMPRESS);
    expect_original_records(c.get());
    EXPECT_EQ(file_bytes(path), before);
    EXPECT_FALSE(journal_live());
}

TEST_F(JournalTest, ReadOnlyOpenUndoesTheDeadPeriod) {
    die_in_period(DB_COMPRESS);
    DbFile c;
    ASSERT_EQ(DbOpen(c.out(), path, DB_READ_ONLY), 0);
    EXPECT_EQ(file_bytes(path), before);
    expect_original_records(c.get());
}

TEST_F(JournalTest, JournalOfAnotherFileIsNeverApplied) {
    die_in_period(DB_COMPRESS);
    const std::string journal = file_bytes(path + ".jnl");
    const std::string half_written = file_bytes(path);

    // Beside a file whose change counter does not fit: emptied, unused.
    const std::string other = dir.path("other.db");
    {
        DbFile c;
        ASSERT_EQ(DbCreate(c.out(), other, 0, kBlock, 8), 0);
        for (int i = 0; i < 5; ++i) ASSERT_EQ(put(c.get(), "o" + std::to_string(i), "x"), 0);
    }
    const std::string other_bytes = file_bytes(other);
    write_file_bytes(other + ".jnl", journal);
    {
        DbFile c;
        ASSERT_EQ(DbOpen(c.out(), other, 0), 0);
        EXPECT_EQ(get(c.get(), GET_EXACT, "o4").data, "x");
    }
    EXPECT_EQ(file_bytes(other), other_bytes);

    // A new file made under the name of one that is gone drops its journal.
    std::filesystem::remove(path);
    {
        DbFile c;
        ASSERT_EQ(DbCreate(c.out(), path, 0, kBlock, 8), 0);
        ASSERT_EQ(put(c.get(), "new", "file"), 0);
    }
    EXPECT_FALSE(platform::file_exists(path + ".jnl"));
    DbFile c;
    ASSERT_EQ(DbOpen(c.out(), path, 0), 0);
    EXPECT_EQ(get(c.get(), GET_EXACT, "new").data, "file");
    ASSERT_NE(file_bytes(path), half_written);
}

}  // namespace
}  // namespace orvane::store::testing
