// The cache of expanded blocks: a block read again costs no read of the
// file, the budget bounds it, and nothing stale is ever served: not after
// another handle wrote, nor after an abandoned period.
#include "platform/env.h"
#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

class CountingEnv : public platform::EnvWrapper {
  public:
    CountingEnv() : EnvWrapper(platform::system_env()) {}
    int pread(int fd, void* buffer, size_t length, uint64_t offset, size_t* done) override {
        ++reads;
        return target().pread(fd, buffer, length, offset, done);
    }
    int reads = 0;
};

class CacheTest : public ::testing::Test {
  protected:
    void SetUp() override {
        path = dir.path("c.db");
        ASSERT_EQ(DbCreate(c.out(), path, DB_PREFIX_KEYS | DB_COMPRESS, 1024, 8), 0);
        ASSERT_EQ(DbLock(c.get()), 0);
        for (int i = 0; i < 200; ++i) ASSERT_EQ(put(c.get(), key(i), value(i, 'v')), 0);
        ASSERT_EQ(DbUnlock(c.get()), 0);
        ASSERT_EQ(c.close(), 0);
    }
    void open(uint32_t flags) { ASSERT_EQ(DbOpen(c.out(), path, flags, {}, env), 0); }
    static std::string key(int i) { return "k" + std::to_string(1000 + i); }
    static std::string value(int i, char fill) { return std::string(40 + i % 30, fill); }

    // Reads of the file that reading `key` costs.
    int reads_for(const std::string& k) {
        const int before = env.reads;
        EXPECT_EQ(get(c.get(), GET_EXACT, k).code, 0) << k;
        return env.reads - before;
    }

    ScratchDir dir;
    std::string path;
    CountingEnv env;
    DbFile c;
};

TEST_F(CacheTest, BlockReadAgainComesFromTheCache) {
    open(DB_COMPRESS);
    EXPECT_EQ(reads_for(key(3)), 1);
    for (int i = 0; i < 200; i += 7) reads_for(key(i));  // other blocks
    EXPECT_EQ(reads_for(key(3)), 0);
    EXPECT_EQ(get(c.get(), GET_EXACT, key(3)).data, value(3, 'v'));

    ASSERT_EQ(DbSetCacheSize(c.get(), 0), 0);
    reads_for(key(150));
    EXPECT_EQ(reads_for(key(3)), 1);
}

TEST_F(CacheTest, WritesOfAnotherHandleAreSeen) {
    open(DB_SHARED | DB_COMPRESS);
    EXPECT_EQ(get(c.get(), GET_EXACT, key(10)).data, value(10, 'v'));
    DbFile other;
    ASSERT_EQ(DbOpen(other.out(), path, DB_SHARED | DB_COMPRESS), 0);
    ASSERT_EQ(put(other.get(), key(10), value(10, 'w')), 0);
    EXPECT_EQ(get(c.get(), GET_EXACT, key(10)).data, value(10, 'w'));
}

TEST_F(CacheTest, AbandonedPeriodLeavesNothingCached) {
    open(DB_COMPRESS);
    ASSERT_EQ(DbLock(c.get()), 0);
    for (int i = 0; i < 200; i += 2) ASSERT_EQ(put(c.get(), key(i), value(i, 'x')), 0);
    EXPECT_EQ(get(c.get(), GET_EXACT, key(20)).data, value(20, 'x'));
    DbAbandon(c.get());
    for (int i = 0; i < 200; ++i) ASSERT_EQ(get(c.get(), GET_EXACT, key(i)).data, value(i, 'v'));
}

}  // namespace
}  // namespace orvane::store::testing
