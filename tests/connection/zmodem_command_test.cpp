// orvane zmodem send and receive as programs, joined by pipes to lrzsz's rz
// and sz: files arrive, existing files are resumed, skipped or overwritten,
// and the exit codes say whether everything went.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "tests/connection/transfer_rig.h"
#include "tests/support/peer_process.h"
#include "tests/support/temp_directory.h"

namespace orvane::connection {
namespace {

using testing::Bytes;
using testing::read_file;
using testing::write_file;

constexpr int kLimitMs = 60000;

class ZmodemCommand : public ::testing::Test {
  protected:
    void SetUp() override {
        if (std::system("command -v sz >/dev/null && command -v rz >/dev/null") != 0)
            GTEST_SKIP() << "lrzsz is not installed";
    }
    std::string errors() const {
        std::ifstream in(errors_file());
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    }
    std::string errors_file() const { return scratch.file("stderr"); }

    orvane::testing::TempDirectory ours;
    orvane::testing::TempDirectory theirs;
    orvane::testing::TempDirectory scratch;
};

TEST_F(ZmodemCommand, SendToRz) {
    const Bytes awkward = testing::awkward_bytes();
    const Bytes random = testing::random_bytes(700000, 21);
    write_file(ours.file("empty"), {});
    write_file(ours.file("awkward.bin"), awkward);
    write_file(ours.file("random.bin"), random);
    auto run =
        orvane::testing::run_joined({ORVANE_BINARY, "zmodem", "send", "--window", "16384", "empty",
                                     "awkward.bin", "random.bin"},
                                    ours.path(), {"rz"}, theirs.path(), kLimitMs, errors_file());
    EXPECT_EQ(run.first, 0) << errors();
    EXPECT_EQ(run.second, 0);
    EXPECT_EQ(read_file(theirs.file("empty")), Bytes{});
    EXPECT_EQ(read_file(theirs.file("awkward.bin")), awkward);
    EXPECT_EQ(read_file(theirs.file("random.bin")), random);

    // A file that cannot be sent makes the exit code 1; the others still go.
    run = orvane::testing::run_joined(
        {ORVANE_BINARY, "zmodem", "send", "missing.bin", "awkward.bin"}, ours.path(),
        {"rz", "--overwrite"}, theirs.path(), kLimitMs, errors_file());
    EXPECT_EQ(run.first, 1);
    EXPECT_NE(errors().find("orvane: Cannot open the file 'missing.bin'"), std::string::npos)
        << errors();
    EXPECT_EQ(read_file(theirs.file("awkward.bin")), awkward);
}

TEST_F(ZmodemCommand, ReceiveFromSzResumesSkipsAndOverwrites) {
    const Bytes data = testing::random_bytes(400000, 22);
    for (const char* name : {"new.bin", "partial.bin", "same.bin"})
        write_file(theirs.file(name), data);
    const Bytes partial(150000, 'P');
    const Bytes same(data.size(), 'S');
    write_file(ours.file("partial.bin"), partial);
    write_file(ours.file("same.bin"), same);
    const std::vector<std::string> sz = {"sz", "-e", "new.bin", "partial.bin", "same.bin"};

    auto run = orvane::testing::run_joined(
        {ORVANE_BINARY, "zmodem", "receive", "--dir", ours.path(), "--window", "8192"},
        scratch.path(), sz, theirs.path(), kLimitMs, errors_file());
    EXPECT_EQ(run.first, 0) << errors();
    EXPECT_EQ(read_file(ours.file("new.bin")), data);
    Bytes resumed = partial;
    resumed.insert(resumed.end(), data.begin() + partial.size(), data.end());
    EXPECT_EQ(read_file(ours.file("partial.bin")), resumed);
    EXPECT_EQ(read_file(ours.file("same.bin")), same);

    run = orvane::testing::run_joined(
        {ORVANE_BINARY, "zmodem", "receive", "--dir", ours.path(), "--overwrite"}, scratch.path(),
        {"sz", "same.bin"}, theirs.path(), kLimitMs, errors_file());
    EXPECT_EQ(run.first, 0) << errors();
    EXPECT_EQ(read_file(ours.file("same.bin")), data);
}

TEST_F(ZmodemCommand, ReceiveIntoAMissingFolderFails) {
    auto run = orvane::testing::run_joined(
        {ORVANE_BINARY, "zmodem", "receive", "--dir", ours.file("nowhere")}, scratch.path(),
        {"sz", "x"}, theirs.path(), kLimitMs, errors_file());
    EXPECT_EQ(run.first, 1);
    EXPECT_NE(errors().find("does not exist"), std::string::npos);
}

}  // namespace
}  // namespace orvane::connection
