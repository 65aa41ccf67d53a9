// The fault-injecting environment: which operation breaks, and what a power
// cut leaves of files that were and were not flushed.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/fault_env.h"
#include "platform/file.h"
#include "tests/support/temp_directory.h"

namespace orvane::platform {
namespace {

std::string contents(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

class FaultEnvTest : public ::testing::Test {
  protected:
    // Writes `flushed`, flushes, then writes `more` over its start.
    void write_two_stages(FaultEnv& env, const std::string& path, const std::string& flushed,
                          const std::string& more) {
        File file(env);
        ASSERT_EQ(file.open(path, Access::ReadWrite, Share::None, Disposition::CreateAlways), 0);
        ASSERT_EQ(file.write_at(0, flushed.data(), flushed.size()), 0);
        ASSERT_EQ(file.flush(), 0);
        ASSERT_EQ(file.write_at(0, more.data(), more.size()), 0);
        ASSERT_EQ(file.set_size(more.size()), 0);
    }

    orvane::testing::TempDirectory temp;
    std::filesystem::path dir = temp.path();
};

TEST_F(FaultEnvTest, PowerCutKeepsWhatWasFlushed) {
    FaultEnv env;
    const std::string a = (dir / "a").string(), b = (dir / "b").string();
    write_two_stages(env, a, "flushed bytes", "new");
    write_two_stages(env, b, "other file", "x");
    ASSERT_EQ(env.drop_unsynced(), 0);
    EXPECT_EQ(contents(a), "flushed bytes");
    EXPECT_EQ(contents(b), "other file");
}

TEST_F(FaultEnvTest, PowerCutCanKeepTheUnflushedWritesOfSomeFiles) {
    FaultEnv env;
    const std::string a = (dir / "a").string(), b = (dir / "a.b").string();
    write_two_stages(env, a, "flushed bytes", "new");
    write_two_stages(env, b, "other file", "x");
    ASSERT_EQ(env.drop_unsynced(b), 0);
    EXPECT_EQ(contents(a), "flushed bytes");
    EXPECT_EQ(contents(b), "x");
}

TEST_F(FaultEnvTest, PowerCutCanKeepTheFirstUnflushedChangesOfAFile) {
    FaultEnv env;
    const std::string a = (dir / "a").string();
    File file(env);
    ASSERT_EQ(file.open(a, Access::ReadWrite, Share::None, Disposition::CreateAlways), 0);
    ASSERT_EQ(file.write_at(0, "0123456789", 10), 0);
    ASSERT_EQ(file.flush(), 0);
    ASSERT_EQ(file.write_at(0, "ab", 2), 0);
    ASSERT_EQ(file.write_at(5, "cd", 2), 0);
    ASSERT_EQ(file.set_size(8), 0);
    ASSERT_EQ(env.drop_unsynced(a, 1), 0);
    EXPECT_EQ(contents(a), "ab23456789");
}

TEST_F(FaultEnvTest, TheArmedOperationBreaksAndTheCutStopsEverythingAfter) {
    FaultEnv env;
    const std::string a = (dir / "a").string();
    File file(env);
    ASSERT_EQ(file.open(a, Access::ReadWrite, Share::None, Disposition::CreateAlways), 0);
    env.arm(1, FaultEnv::Fault::kPowerCut, a);
    EXPECT_EQ(file.write_at(0, "abcd", 4), 0);
    EXPECT_NE(file.flush(), 0);
    EXPECT_TRUE(env.fired());
    EXPECT_NE(file.write_at(4, "efgh", 4), 0);
    ASSERT_EQ(env.drop_unsynced(), 0);
    EXPECT_EQ(contents(a), "");
    EXPECT_EQ(file.write_at(0, "ok", 2), 0);
}

}  // namespace
}  // namespace orvane::platform
