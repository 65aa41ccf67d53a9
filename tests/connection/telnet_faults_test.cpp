// Servers that misbehave: close at every point, flood, stop reading, reset.
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <random>

#include "connection/telnet_connection.h"
#include "connection/telnet_protocol.h"
#include "connection/terminal.h"
#include "platform/task.h"
#include "tests/connection/telnet_test_server.h"

namespace orvane::connection {
namespace {

using namespace testing;
using platform::EventLoop;
using platform::MessageId;

TEST(TelnetFaultsTest, AServerClosingAtEveryPointOfTheNegotiationEndsTheConnectionCleanly) {
    const Bytes negotiation = {255, 253, 24, 255, 251, 1,   255, 250, 24,  1,   255, 240,
                               255, 253, 3,  255, 255, 'l', 'o', 'g', 'i', 'n', ':', ' '};
    EventLoop loop;
    for (size_t cut = 0; cut <= negotiation.size(); ++cut) {
        const Bytes sent(negotiation.begin(), negotiation.begin() + static_cast<ptrdiff_t>(cut));
        LoopbackServer server([&](int fd) {
            send_all(fd, sent);
            ::shutdown(fd, SHUT_WR);
            (void)read_to_end(fd, 2000);
        });
        auto connection = connect_for_test(loop, server.endpoint(), plain_settings());
        ASSERT_TRUE(connection);
        const uint32_t start = loop.now();
        const std::string data = read_channel_until(loop, *connection, "", 5000);
        ASSERT_TRUE(connection->ended()) << "cut at " << cut;
        EXPECT_LT(loop.now() - start, 2000u);
        EXPECT_TRUE(connection->end_status().ok()) << connection->end_status().text();
        // The data is whatever the prefix held, never a piece of a command.
        const std::string full = "\xfflogin: ";
        EXPECT_TRUE(full.starts_with(data)) << "cut at " << cut << ": " << data;
        const auto write = connection->send_text("late", true);
        EXPECT_EQ(write.id(), MessageId::kConnectionClosed);
    }
}

TEST(TelnetFaultsTest, AResetConnectionEndsWithTheSystemsReason) {
    LoopbackServer server([](int fd) {
        send_all(fd, bytes_of("bye"));
        const linger abort{1, 0};
        ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
    });
    EventLoop loop;
    platform::Status failure;
    auto connection = connect_for_test(loop, server.endpoint(), plain_settings(), &failure);
    server.join();
    if (!connection) {
        // The reset came while the connection was being set up: that
        // attempt fails, and says why.
        EXPECT_NE(failure.text().find("reset"), std::string::npos) << failure.text();
        return;
    }
    (void)read_channel_until(loop, *connection, "", 5000);
    ASSERT_TRUE(connection->ended());
    // Depending on timing the data is read before the reset, or lost with it.
    if (!connection->end_status().ok()) {
        EXPECT_EQ(connection->end_status().id(), MessageId::kConnectionFailed);
        EXPECT_NE(connection->end_status().text().find("reset"), std::string::npos);
    }
}

// Reads everything into a terminal and tracks how much was ever waiting.
platform::Task<void> read_into_terminal(TelnetConnection& connection, Terminal& terminal,
                                        size_t* total, size_t* most_waiting) {
    while (co_await connection.readable(connection.loop().now() + 10000)) {
        const auto bytes = connection.buffered();
        *most_waiting = std::max(*most_waiting, bytes.size());
        *total += bytes.size();
        EXPECT_TRUE(terminal.put(bytes).ok());
        connection.consume(bytes.size());
    }
}

TEST(TelnetFaultsTest, A100MegabyteLineKeepsMemoryBounded) {
    constexpr size_t kPiece = 1 << 20;
    constexpr size_t kPieces = 100;
    LoopbackServer server([&](int fd) {
        const Bytes piece(kPiece, 'x');
        for (size_t i = 0; i < kPieces; ++i) send_all(fd, piece);
    });
    EventLoop loop;
    auto connection = connect_for_test(loop, server.endpoint(), plain_settings());
    ASSERT_TRUE(connection);
    Terminal terminal;
    size_t total = 0;
    size_t most_waiting = 0;
    auto reader = read_into_terminal(*connection, terminal, &total, &most_waiting);
    ASSERT_TRUE(platform::run_to_end(loop, reader));
    EXPECT_EQ(total, kPiece * kPieces);
    EXPECT_LE(most_waiting, (size_t{1} << 20) + 65536);
    EXPECT_LE(terminal.buffer().text().size(), kTerminalTextSize);
    EXPECT_GT(terminal.buffer().text().size(), kTerminalTextSize - kTerminalDropSize);
    EXPECT_TRUE(connection->end_status().ok());
}

TEST(TelnetFaultsTest, AReaderThatFallsBehindStopsTheSocketAndLosesNothing) {
    constexpr size_t kSize = 8 << 20;
    Bytes pattern(kSize);
    std::mt19937 random(7);
    for (auto& byte : pattern) byte = static_cast<uint8_t>(random() % 255);  // no IAC
    LoopbackServer server([&](int fd) { send_all(fd, pattern); });
    EventLoop loop;
    auto connection = connect_for_test(loop, server.endpoint(), plain_settings());
    ASSERT_TRUE(connection);
    // Nobody reads for a while: what waits stays near the channel's limit.
    loop.wait_until(loop.now() + 300);
    EXPECT_LE(connection->available(), (size_t{1} << 20) + 65536);
    EXPECT_LT(connection->available(), kSize);
    const std::string all = read_channel_until(loop, *connection, "", 10000);
    EXPECT_EQ(all.size(), kSize);
    EXPECT_TRUE(std::equal(all.begin(), all.end(), pattern.begin(),
                           [](char a, uint8_t b) { return static_cast<uint8_t>(a) == b; }));
}

platform::Task<bool> wait_drained(TelnetConnection& connection, uint32_t limit_ms) {
    co_return co_await connection.drained(connection.loop().now() + limit_ms);
}

TEST(TelnetFaultsTest, AServerThatStopsReadingHoldsTheDataUntilItReadsAgain) {
    constexpr size_t kSize = 16 << 20;
    Bytes data(kSize);
    std::mt19937 random(9);
    for (auto& byte : data) byte = static_cast<uint8_t>(random());
    std::atomic<bool> read_now{false};
    Bytes received;
    LoopbackServer server([&](int fd) {
        while (!read_now) ::usleep(1000);
        received = read_to_end(fd, 5000);
    });
    EventLoop loop;
    auto connection = connect_for_test(loop, server.endpoint(), plain_settings());
    ASSERT_TRUE(connection);
    ASSERT_TRUE(connection->write(data).ok());
    auto early = wait_drained(*connection, 200);
    ASSERT_TRUE(platform::run_to_end(loop, early));
    EXPECT_FALSE(early.result());
    EXPECT_GT(connection->unsent(), 0u);
    read_now = true;
    auto later = wait_drained(*connection, 10000);
    ASSERT_TRUE(platform::run_to_end(loop, later));
    EXPECT_TRUE(later.result());
    connection->close();
    server.join();
    Bytes expected;
    append_telnet_data(&expected, data);
    EXPECT_EQ(received.size(), expected.size());
    EXPECT_TRUE(received == expected);
}

}  // namespace
}  // namespace orvane::connection
