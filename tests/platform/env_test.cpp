#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <string>

#include "platform/fault_env.h"
#include "platform/file.h"
#include "platform/virtual_clock.h"
#include "tests/support/temp_directory.h"

namespace orvane::platform {
namespace {

// The file as it is on disk, read past any share mode of the test's own
// open handle.
std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class FaultEnvFaultsTest : public ::testing::Test {
  protected:
    // Writes "old" and flushes it, then "NEW!" over its start and a tail,
    // without flushing: three changing operations.
    void write_unflushed(File& file) {
        ASSERT_EQ(file.write_at(0, "NEW!", 4), 0);
        ASSERT_EQ(file.write_at(10, "tail", 4), 0);
    }
    orvane::testing::TempDirectory temp;
    std::string path = temp.file("data");
    FaultEnv env;
};

TEST_F(FaultEnvFaultsTest, FailAndTearBreakOnlyTheChosenOperation) {
    File file(env);
    ASSERT_EQ(file.open(path, Access::ReadWrite, Share::None, Disposition::CreateAlways), 0);
    env.arm(1, FaultEnv::Fault::kFail);
    EXPECT_EQ(file.write_at(0, "abcdef", 6), 0);
    EXPECT_EQ(file.write_at(0, "XXXXXX", 6), EIO);
    EXPECT_EQ(file.write_at(6, "gh", 2), 0) << "later operations go through";
    EXPECT_TRUE(env.fired());

    env.arm(0, FaultEnv::Fault::kTear);
    EXPECT_EQ(file.write_at(0, "123456", 6), EIO);
    EXPECT_EQ(contents(path), "123defgh") << "a torn write stores its first half";
    env.arm(0, FaultEnv::Fault::kTear);
    EXPECT_EQ(file.flush(), EIO) << "only writes can tear; anything else fails";
}

TEST_F(FaultEnvFaultsTest, APowerCutLosesEverythingNotFlushedAndStopsEverything) {
    {
        File file(env);
        ASSERT_EQ(file.open(path, Access::ReadWrite, Share::None, Disposition::CreateAlways), 0);
        ASSERT_EQ(file.write_at(0, "old content", 11), 0);
        ASSERT_EQ(file.flush(), 0);
        env.count_only();
        write_unflushed(file);
        EXPECT_EQ(env.operations(), 2u);
        env.arm(0, FaultEnv::Fault::kPowerCut);
        EXPECT_EQ(file.flush(), EIO);
        EXPECT_EQ(file.write_at(0, "x", 1), EIO) << "nothing works after the cut";
    }
    ASSERT_EQ(env.drop_unsynced(), 0);
    EXPECT_EQ(contents(path), "old content");

    // A file made since the last flush is empty after the cut.
    const std::string fresh = temp.file("fresh");
    {
        File file(env);
        env.arm(5, FaultEnv::Fault::kPowerCut);
        ASSERT_EQ(file.open(fresh, Access::ReadWrite, Share::None, Disposition::CreateNew), 0);
        ASSERT_EQ(file.write_at(0, "never flushed", 13), 0);
    }
    ASSERT_EQ(env.drop_unsynced(), 0);
    EXPECT_EQ(contents(fresh), "");
}

TEST_F(FaultEnvFaultsTest, WritesThroughAFlushSurviveTheCut) {
    File file(env);
    ASSERT_EQ(file.open(path, Access::ReadWrite, Share::None, Disposition::CreateAlways), 0);
    ASSERT_EQ(file.write_at(0, "kept", 4), 0);
    ASSERT_EQ(file.flush(), 0);
    ASSERT_EQ(file.set_size(2), 0);  // unflushed shrink
    file.close();
    ASSERT_EQ(env.drop_unsynced(), 0);
    EXPECT_EQ(contents(path), "kept");

    // A file written beside another and renamed over it counts as durable
    // once renamed, as write_whole_file leaves it.
    ASSERT_EQ(write_whole_file(path, "replaced", 8, env), 0);
    ASSERT_EQ(env.drop_unsynced(), 0);
    EXPECT_EQ(contents(path), "replaced");
}

TEST(VirtualClockTest, WaitingMovesTheClockInsteadOfTime) {
    VirtualClockEnv clock(system_env(), 100, 1000000);
    EXPECT_EQ(clock.tick_count(), 100u);
    clock.sleep_ms(60000);
    EXPECT_EQ(clock.tick_count(), 60100u);
    EXPECT_EQ(clock.now_utc(), 1000060);
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    pollfd idle{fds[0], POLLIN, 0};
    EXPECT_EQ(clock.poll(&idle, 1, 5000), 0);
    EXPECT_EQ(clock.tick_count(), 65100u) << "nothing ready: the whole timeout passed";
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    pollfd ready{fds[0], POLLIN, 0};
    EXPECT_EQ(clock.poll(&ready, 1, 5000), 1);
    EXPECT_EQ(clock.tick_count(), 65100u) << "something ready: no time passes";
    close(fds[0]);
    close(fds[1]);
}

}  // namespace
}  // namespace orvane::platform
