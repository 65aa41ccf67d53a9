// A flush inside a lock period commits what the period wrote so far. A crash
// later in the same period (seen here as a copy of the file taken while the
// period runs, which is what a killed process leaves) must keep every record
// the flush committed.
#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

std::string key_of(int i) {
    char key[16];
    std::snprintf(key, sizeof key, "k%05d", i);
    return key;
}

TEST(FlushCommit, ACrashAfterAFlushInsideAPeriodKeepsWhatTheFlushCommitted) {
    ScratchDir dir;
    const std::string path = dir.path("f.db");
    const std::string crashed = dir.path("crashed.db");
    const std::string data(60, 'd');
    DbFile c;
    // With 2048-byte blocks the index stays in block 0, so nothing but the
    // change counter can tell that it no longer fits the blocks.
    ASSERT_EQ(DbCreate(c.out(), path, DB_PREFIX_KEYS, 2048, 8), 0);
    ASSERT_EQ(DbLock(c.get()), 0);
    for (int i = 0; i < 400; i += 2) ASSERT_EQ(put(c.get(), key_of(i), data), 0);
    ASSERT_EQ(DbFlush(c.get()), 0);
    // Filling the gaps splits the committed blocks: their right halves move
    // to new blocks at the end of the file.
    for (int i = 1; i < 400; i += 2) ASSERT_EQ(put(c.get(), key_of(i), data), 0);
    write_file_bytes(crashed, file_bytes(path));
    DbAbandon(c.get());

    DbFile after;
    ASSERT_EQ(DbOpen(after.out(), crashed, 0), 0);
    for (int i = 0; i < 400; i += 2) {
        auto r = get(after.get(), GET_EXACT, key_of(i));
        ASSERT_EQ(r.code, 0) << "lost " << key_of(i);
        EXPECT_EQ(r.data, data);
    }
    DbCheckReport report;
    ASSERT_EQ(DbCheck(after.get(), &report), 0);
    EXPECT_TRUE(report.problems.empty()) << report.problems.front();
}

}  // namespace
}  // namespace orvane::store::testing
