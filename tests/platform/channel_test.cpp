#include <gtest/gtest.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/fd_channel.h"
#include "platform/memory_channel.h"
#include "platform/task.h"
#include "platform/virtual_clock.h"

namespace orvane::platform {
namespace {

std::span<const uint8_t> bytes_of(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

// Reads a line ending in LF within `limit_ms`; "" on time-out or end.
Task<std::string> read_line(ByteChannel& channel, uint32_t limit_ms) {
    const uint32_t deadline = channel.loop().now() + limit_ms;
    std::string line;
    for (;;) {
        if (!co_await channel.readable(deadline)) co_return std::string();
        int byte = channel.take();
        if (byte == '\n') co_return line;
        line.push_back(static_cast<char>(byte));
    }
}

Task<std::vector<std::string>> echo_server(ByteChannel& channel) {
    std::vector<std::string> heard;
    for (;;) {
        std::string line = co_await read_line(channel, 30000);
        if (line.empty()) co_return heard;
        heard.push_back(line);
        Status written = channel.write(bytes_of(line + "!\n"));
        if (!written.ok()) co_return heard;
    }
}

Task<std::vector<std::string>> client(ByteChannel& channel, std::vector<std::string> lines) {
    std::vector<std::string> answers;
    for (const std::string& line : lines) {
        Status written = channel.write(bytes_of(line + "\n"));
        if (!written.ok()) break;
        answers.push_back(co_await read_line(channel, 10000));
    }
    channel.close();
    co_return answers;
}

class ChannelTest : public ::testing::Test {
  protected:
    VirtualClockEnv clock;
    EventLoop loop{clock};
};

TEST_F(ChannelTest, TwoCoroutinesTalkOverAMemoryPair) {
    auto [a, b] = MemoryChannel::pair(loop);
    Task<std::vector<std::string>> server = echo_server(*b);
    Task<std::vector<std::string>> talker = client(*a, {"one", "two"});
    server.start();
    ASSERT_TRUE(run_to_end(loop, talker));
    EXPECT_EQ(talker.result(), (std::vector<std::string>{"one!", "two!"}));
    ASSERT_TRUE(loop.wait_for([&] { return server.done(); }, loop.now() + 1000));
    EXPECT_EQ(server.result(), (std::vector<std::string>{"one", "two"}));
    EXPECT_TRUE(b->ended());
    EXPECT_TRUE(b->end_status().ok()) << "an orderly close";
}

TEST_F(ChannelTest, ASilentPeerEndsTheReadAtItsDeadlineInVirtualTime) {
    auto [a, b] = MemoryChannel::pair(loop);
    Task<std::string> waiting = read_line(*a, 60000);
    const uint32_t start = loop.now();
    ASSERT_TRUE(run_to_end(loop, waiting));
    EXPECT_EQ(waiting.result(), "");
    EXPECT_EQ(static_cast<uint32_t>(loop.now() - start), 60000u);
    EXPECT_FALSE(a->ended());
}

TEST_F(ChannelTest, TamperingChangesWhatArrivesAndUnreadPutsBytesBack) {
    auto [a, b] = MemoryChannel::pair(loop);
    a->set_tamper([](std::vector<uint8_t>& bytes) {
        if (!bytes.empty()) bytes[0] ^= 0x20;  // a flipped bit on the line
    });
    ASSERT_TRUE(a->write(bytes_of("hello\n")).ok());
    Task<std::string> line = read_line(*b, 1000);
    ASSERT_TRUE(run_to_end(loop, line));
    EXPECT_EQ(line.result(), "Hello");
    const std::string back = "again\n";
    b->unread(bytes_of(back));
    Task<std::string> second = read_line(*b, 1000);
    ASSERT_TRUE(run_to_end(loop, second));
    EXPECT_EQ(second.result(), "again");
}

TEST_F(ChannelTest, DestroyingAWaitingTaskCancelsItsWait) {
    auto [a, b] = MemoryChannel::pair(loop);
    {
        Task<std::string> waiting = read_line(*a, 60000);
        waiting.start();
        EXPECT_FALSE(waiting.done());
    }  // destroyed while it waits: its timer goes with it
    ASSERT_TRUE(b->write(bytes_of("late\n")).ok());
    loop.wait_until(loop.now() + 70000);  // nothing left may resume the dead task
    EXPECT_EQ(a->available(), 5u);
}

TEST_F(ChannelTest, SleepPassesInVirtualTime) {
    auto pause = [](EventLoop& loop) -> Task<uint32_t> {
        const uint32_t start = loop.now();
        co_await Sleep(loop, 2500);
        co_return loop.now() - start;
    };
    Task<uint32_t> slept = pause(loop);
    ASSERT_TRUE(run_to_end(loop, slept));
    EXPECT_EQ(slept.result(), 2500u);
}

TEST(FdChannelTest, BytesCrossPipesBothWaysAndTheEndIsSeen) {
    EventLoop loop;
    int to_peer[2], from_peer[2];
    ASSERT_EQ(pipe(to_peer), 0);
    ASSERT_EQ(pipe(from_peer), 0);
    FdChannel channel(loop, from_peer[0], to_peer[1], "the test pipe");
    // More than a pipe holds, so the writer has to wait for the reader.
    const std::string big(300000, 'z');
    ASSERT_TRUE(channel.write(bytes_of(big)).ok());
    std::string received;
    char buffer[65536];
    while (received.size() < big.size()) {
        loop.pump();
        const ssize_t got = read(to_peer[0], buffer, sizeof buffer);
        if (got > 0) received.append(buffer, static_cast<size_t>(got));
    }
    EXPECT_EQ(received, big);
    auto drained = [](ByteChannel& channel) -> Task<bool> {
        co_return co_await channel.drained(channel.loop().now() + 1000);
    };
    Task<bool> all_out = drained(channel);
    ASSERT_TRUE(run_to_end(loop, all_out));
    EXPECT_TRUE(all_out.result());

    ASSERT_EQ(write(from_peer[1], "ping\n", 5), 5);
    close(from_peer[1]);
    Task<std::string> line = read_line(channel, 2000);
    ASSERT_TRUE(run_to_end(loop, line));
    EXPECT_EQ(line.result(), "ping");
    ASSERT_TRUE(loop.wait_for([&] { return channel.ended(); }, loop.now() + 2000));
    EXPECT_TRUE(channel.end_status().ok());
    close(from_peer[0]);
    close(to_peer[0]);
    close(to_peer[1]);
}

TEST(FdChannelTest, OneWayChannelsKeepTheirEndsApart) {
    EventLoop loop;
    int keys[2], shown[2];
    ASSERT_EQ(pipe(keys), 0);
    ASSERT_EQ(pipe(shown), 0);
    FdChannel keyboard(loop, keys[0], -1, "the keyboard");
    FdChannel screen(loop, -1, shown[1], "the screen");
    EXPECT_EQ(keyboard.write(bytes_of("x")).kind(), Status::Kind::kFile);
    close(keys[1]);  // the keyboard ends; the screen goes on
    ASSERT_TRUE(loop.wait_for([&] { return keyboard.ended(); }, loop.now() + 2000));
    ASSERT_TRUE(screen.write(bytes_of("still shown")).ok());
    loop.pump();
    EXPECT_FALSE(screen.ended());
    char buffer[32] = {};
    EXPECT_EQ(read(shown[0], buffer, sizeof buffer), 11);
    EXPECT_STREQ(buffer, "still shown");
    close(keys[0]);
    close(shown[0]);
    close(shown[1]);
}

}  // namespace
}  // namespace orvane::platform
