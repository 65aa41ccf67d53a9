#include "platform/file.h"
#include "tests/support/temp_directory.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace orvane::platform {
namespace {

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override { path = dir + "/data.bin"; }
    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
    std::string path;
};

// Runs `child` in a forked process that reports readiness through a pipe and
// then waits for the parent's word before it exits.
struct Child {
    pid_t pid = -1;
    int to_child = -1, from_child = -1;
    template <class F>
    void start(F body) {
        int down[2], up[2];
        ASSERT_EQ(pipe(down), 0);
        ASSERT_EQ(pipe(up), 0);
        pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            close(down[1]);
            close(up[0]);
            char ok = body() ? '1' : '0';
            (void)!write(up[1], &ok, 1);
            char go;
            (void)!read(down[0], &go, 1);
            _exit(0);
        }
        close(down[0]);
        close(up[1]);
        to_child = down[1];
        from_child = up[0];
        char ready = 0;
        ASSERT_EQ(read(from_child, &ready, 1), 1);
        ASSERT_EQ(ready, '1');
    }
    void finish() {
        (void)!write(to_child, "x", 1);
        int status = 0;
        waitpid(pid, &status, 0);
        close(to_child);
        close(from_child);
    }
};

TEST_F(FileTest, ByteRangeLockHeldByAnotherProcessBlocksUntilItCloses) {
    File mine;
    ASSERT_EQ(mine.open(path, Access::ReadWrite, Share::ReadWrite, Disposition::CreateAlways), 0);
    File theirs;  // opened in the child; stays open until the child exits
    Child child;
    child.start([&] {
        if (theirs.open(path, Access::ReadWrite, Share::ReadWrite, Disposition::OpenExisting))
            return false;
        // The lock byte lies far beyond the end of the file.
        if (theirs.lock(0xFFFFFFFFull, 1, true, false)) return false;
        // Another descriptor of the same file closing must not drop the lock.
        File other;
        if (other.open(path, Access::Read, Share::ReadWrite, Disposition::OpenExisting))
            return false;
        other.close();
        return true;
    });
    EXPECT_EQ(mine.lock(0xFFFFFFFFull, 1, true, false), kInUse);
    EXPECT_EQ(mine.lock(0xFFFFFFFFull, 1, false, false), kInUse)
        << "a shared lock must wait for an exclusive one";
    EXPECT_EQ(mine.lock(0, 1, true, false), 0) << "other ranges stay free";
    child.finish();  // the child's descriptor closes as it exits
    EXPECT_EQ(mine.lock(0xFFFFFFFFull, 1, true, false), 0);
    EXPECT_EQ(mine.unlock(0xFFFFFFFFull, 1), 0);
}

TEST_F(FileTest, OpeningWithoutSharingExcludesEveryOtherOpener) {
    File first;
    ASSERT_EQ(first.open(path, Access::ReadWrite, Share::None, Disposition::CreateNew), 0);
    File second;
    EXPECT_EQ(second.open(path, Access::Read, Share::ReadWrite, Disposition::OpenExisting), kInUse);
    first.close();
    ASSERT_EQ(second.open(path, Access::Read, Share::ReadWrite, Disposition::OpenExisting), 0);
    File third;
    EXPECT_EQ(third.open(path, Access::ReadWrite, Share::None, Disposition::OpenExisting), kInUse)
        << "no exclusive open while others share the file";
    EXPECT_EQ(third.open(path, Access::Read, Share::Read, Disposition::OpenExisting), 0);
    File fourth;
    EXPECT_NE(fourth.open(path, Access::Read, Share::Read, Disposition::CreateNew), 0);
}

TEST_F(FileTest, PositionedIoIsExactAndShortReadsFail) {
    File file;
    ASSERT_EQ(file.open(path, Access::ReadWrite, Share::None, Disposition::CreateAlways), 0);
    const uint64_t far = 5ull << 30;  // beyond 32 bits
    ASSERT_EQ(file.write_at(far, "tail", 4), 0);
    uint64_t size = 0;
    ASSERT_EQ(file.size(&size), 0);
    EXPECT_EQ(size, far + 4);
    char buffer[8] = {};
    ASSERT_EQ(file.read_at(far, buffer, 4), 0);
    EXPECT_EQ(std::string(buffer, 4), "tail");
    EXPECT_EQ(file.read_at(far + 2, buffer, 4), kShortRead);
    size_t count = 0;
    ASSERT_EQ(file.read_some_at(far + 2, buffer, 4, &count), 0);
    EXPECT_EQ(count, 2u);
    ASSERT_EQ(file.set_size(10), 0);
    ASSERT_EQ(file.size(&size), 0);
    EXPECT_EQ(size, 10u);
    EXPECT_EQ(file.flush(), 0);
}

TEST_F(FileTest, WholeFileWriteReplacesAndKeepsTimes) {
    ASSERT_EQ(write_whole_file(path, "one", 3), 0);
    ASSERT_EQ(write_whole_file(path, "second", 6), 0);
    std::string contents;
    ASSERT_EQ(read_whole_file(path, &contents), 0);
    EXPECT_EQ(contents, "second");
    EXPECT_FALSE(file_exists(path + ".tmp"));
    ASSERT_EQ(set_modification_time(path, 1000000000), 0);
    std::time_t time = 0;
    ASSERT_EQ(file_modification_time(path, &time), 0);
    EXPECT_EQ(time, 1000000000);
    EXPECT_EQ(read_whole_file(dir + "/missing", &contents), ENOENT);
    ASSERT_EQ(make_directories(dir + "/a/b/c"), 0);
    EXPECT_TRUE(directory_exists(dir + "/a/b/c"));
}

}  // namespace
}  // namespace orvane::platform
