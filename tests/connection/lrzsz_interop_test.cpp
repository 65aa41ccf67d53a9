// Our sender and receiver against lrzsz's rz and sz through pipes, on the
// real clock with generous limits.
#include <gtest/gtest.h>
#include <signal.h>

#include <algorithm>

#include "connection/zmodem_receiver.h"
#include "connection/zmodem_sender.h"
#include "platform/event_loop.h"
#include "platform/fd_channel.h"
#include "platform/scripted_ui.h"
#include "tests/connection/transfer_rig.h"
#include "tests/support/peer_process.h"
#include "tests/support/temp_directory.h"

namespace orvane::connection {
namespace {

using testing::Bytes;
using testing::read_file;
using testing::write_file;

constexpr uint32_t kRunLimitMs = 60000;

bool have_lrzsz() {
    return std::system("command -v sz >/dev/null && command -v rz >/dev/null") == 0;
}

class LrzszInterop : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!have_lrzsz()) GTEST_SKIP() << "lrzsz is not installed";
        ::signal(SIGPIPE, SIG_IGN);
    }

    // The files of the batch: empty, one byte, every awkward byte, and
    // enough random data for many blocks.
    std::vector<std::pair<std::string, Bytes>> batch() {
        return {{"empty.txt", {}},
                {"one.bin", {0x18}},
                {"awkward.bin", testing::awkward_bytes()},
                {"random.bin", testing::random_bytes(1024 * 1024 + 3, 7)}};
    }

    // Runs `task` against `peer` until both ended; the peer's exit code.
    template <typename T>
    int run_against(orvane::testing::PeerProcess& peer, platform::Task<T>& task) {
        const uint32_t deadline = loop.now() + kRunLimitMs;
        task.start();
        EXPECT_TRUE(loop.wait_for([&] { return task.done(); }, deadline)) << "our side did not end";
        channel.reset();
        return peer.wait();
    }

    std::unique_ptr<platform::FdChannel> connect(orvane::testing::PeerProcess& peer) {
        return std::make_unique<platform::FdChannel>(loop, peer.from_peer(), peer.to_peer(),
                                                     "peer");
    }

    platform::EventLoop loop;
    std::unique_ptr<platform::FdChannel> channel;
    platform::ScriptedUi ui;
    orvane::testing::TempDirectory ours;
    orvane::testing::TempDirectory theirs;
};

TEST_F(LrzszInterop, OurSenderToRz) {
    std::vector<std::string> paths;
    for (const auto& [name, bytes] : batch()) {
        paths.push_back(ours.file(name));
        write_file(paths.back(), bytes);
    }
    orvane::testing::PeerProcess rz;
    ASSERT_TRUE(rz.start({"rz"}, theirs.path()));
    channel = connect(rz);
    auto task = send_files(*channel, ui, {}, paths);
    EXPECT_EQ(run_against(rz, task), 0);
    ASSERT_TRUE(task.done());
    EXPECT_TRUE(task.result().all_sent()) << task.result().status.text();
    for (const auto& [name, bytes] : batch())
        EXPECT_EQ(read_file(theirs.file(name)), bytes) << name;
}

class SzToOurReceiver : public LrzszInterop,
                        public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(SzToOurReceiver, BatchArrivesWhole) {
    std::vector<std::string> argv = GetParam();
    for (const auto& [name, bytes] : batch()) {
        write_file(theirs.file(name), bytes);
        argv.push_back(name);
    }
    orvane::testing::PeerProcess sz;
    ASSERT_TRUE(sz.start(argv, theirs.path()));
    channel = connect(sz);
    ReceiveOptions options;
    options.folders = {ours.path(), ours.path(), ours.path()};
    options.existing = ExistingFileRule::kResumeElseSkip;
    auto task = receive_files(*channel, ui, options);
    EXPECT_EQ(run_against(sz, task), 0);
    ASSERT_TRUE(task.done());
    const ReceiveOutcome& outcome = task.result();
    EXPECT_TRUE(outcome.complete()) << outcome.status.text();
    EXPECT_EQ(outcome.received.size(), batch().size());
    for (const auto& [name, bytes] : batch()) EXPECT_EQ(read_file(ours.file(name)), bytes) << name;
}

INSTANTIATE_TEST_SUITE_P(Options, SzToOurReceiver,
                         ::testing::Values(std::vector<std::string>{"sz"},
                                           std::vector<std::string>{"sz", "-e"},
                                           std::vector<std::string>{"sz", "-w", "8192"}));

TEST_F(LrzszInterop, RzContinuesAPartialFileWeAnnounceForResuming) {
    const Bytes data = testing::random_bytes(300000, 9);
    write_file(ours.file("packet.upd"), data);
    const Bytes partial(100000, 'X');  // what a broken earlier upload left
    write_file(theirs.file("packet.upd"), partial);
    orvane::testing::PeerProcess rz;
    ASSERT_TRUE(rz.start({"rz"}, theirs.path()));
    channel = connect(rz);
    auto task = send_files(*channel, ui, {}, {ours.file("packet.upd")});
    EXPECT_EQ(run_against(rz, task), 0);
    EXPECT_TRUE(task.result().all_sent());
    // rz goes on from a whole KiB within what it holds; from there on the
    // file is ours.
    const Bytes got = read_file(theirs.file("packet.upd"));
    ASSERT_EQ(got.size(), data.size());
    const size_t resumed_at =
        std::find_if(got.begin(), got.end(), [](uint8_t b) { return b != 'X'; }) - got.begin();
    EXPECT_GT(resumed_at, partial.size() - 1024);
    EXPECT_LE(resumed_at, partial.size());
    EXPECT_TRUE(std::equal(got.begin() + resumed_at, got.end(), data.begin() + resumed_at));
}

// sz with one file that we hold in part, one that we hold whole, and a new one.
TEST_F(LrzszInterop, OurReceiverResumesAndSkipsWhatSzOffers) {
    const Bytes data = testing::random_bytes(300000, 10);
    for (const char* name : {"partial.bin", "whole.bin", "new.bin"})
        write_file(theirs.file(name), data);
    const Bytes partial(120000, 'P');
    const Bytes whole(data.size(), 'W');
    write_file(ours.file("partial.bin"), partial);
    write_file(ours.file("whole.bin"), whole);
    orvane::testing::PeerProcess sz;
    ASSERT_TRUE(sz.start({"sz", "partial.bin", "whole.bin", "new.bin"}, theirs.path()));
    channel = connect(sz);
    ReceiveOptions options;
    options.folders = {ours.path(), ours.path(), ours.path()};
    options.existing = ExistingFileRule::kResumeElseSkip;
    auto task = receive_files(*channel, ui, options);
    run_against(sz, task);
    ASSERT_TRUE(task.done());
    const ReceiveOutcome& outcome = task.result();
    EXPECT_TRUE(outcome.complete()) << outcome.status.text();
    EXPECT_EQ(outcome.skipped, std::vector<std::string>{ours.file("whole.bin")});
    Bytes expected = partial;
    expected.insert(expected.end(), data.begin() + partial.size(), data.end());
    EXPECT_EQ(read_file(ours.file("partial.bin")), expected);
    EXPECT_EQ(read_file(ours.file("whole.bin")), whole);
    EXPECT_EQ(read_file(ours.file("new.bin")), data);
}

}  // namespace
}  // namespace orvane::connection
