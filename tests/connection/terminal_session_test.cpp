// The console terminal session over a loopback server, with the keyboard
// and the screen as channels of the test.
#include "connection/terminal_session.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include "platform/fd_channel.h"
#include "platform/memory_channel.h"
#include "tests/connection/telnet_test_server.h"

namespace orvane::connection {
namespace {

using namespace testing;
using platform::EventLoop;
using platform::MemoryChannel;
using platform::MessageId;
using platform::Status;

// Nothing arrives on `fd` within `ms`.
bool silent_for(int fd, int ms) {
    pollfd waiting{fd, POLLIN, 0};
    return ::poll(&waiting, 1, ms) == 0;
}

struct Session {
    explicit Session(EventLoop& loop) : loop(loop) {
        std::tie(typist, keyboard) = MemoryChannel::pair(loop);
        std::tie(screen, viewer) = MemoryChannel::pair(loop);
    }
    Status run(TelnetConnection& connection, bool interactive) {
        Terminal terminal;
        terminal.set_screen(screen.get());
        platform::UnattendedPolicy policy;
        TerminalSession session(connection, terminal, *keyboard, *screen, policy,
                                {.interactive = interactive});
        auto task = session.run();
        EXPECT_TRUE(platform::run_to_end(loop, task));
        loop.pump();  // the screen's last bytes
        const auto shown = viewer->buffered();
        seen.assign(shown.begin(), shown.end());
        return task.result();
    }
    EventLoop& loop;
    std::unique_ptr<MemoryChannel> typist, keyboard, screen, viewer;
    std::string seen;
};

TEST(TerminalSessionTest, KeysGoOutAsTypedAndCtrlBracketQLeaves) {
    Bytes heard;
    bool waited_for_greeting = false;
    LoopbackServer server([&](int fd) {
        waited_for_greeting = silent_for(fd, 200);
        send_all(fd, bytes_of("Hello\r\nlogin: "));
        heard = read_to_end(fd, 5000);
    });
    EventLoop loop;
    auto connection = connect_for_test(loop, server.endpoint(), plain_settings());
    ASSERT_TRUE(connection);
    Session session(loop);
    // Typed at once: Enter, Backspace as DEL, Ctrl-] Ctrl-] (one sent),
    // Ctrl-] z (dropped), then Ctrl-] q.
    const std::string keys = std::string("guest\rx\x7f") + "\x1d\x1d" + "\x1dz" + "!\x1dq" + "late";
    ASSERT_TRUE(session.typist->write(bytes_of(keys)).ok());
    EXPECT_TRUE(session.run(*connection, true).ok());
    connection->close();
    server.join();
    EXPECT_TRUE(waited_for_greeting);
    EXPECT_EQ(text_of(heard), std::string("guest\r\0x\b\x1d!", 11));
    // Local echo is on: the screen shows the server and the typed text.
    EXPECT_EQ(session.seen, "Hello\r\nlogin: guest\r\nx\b\x1d!");
}

TEST(TerminalSessionTest, TheSessionEndsWhenTheServerCloses) {
    LoopbackServer server([&](int fd) { send_all(fd, bytes_of("Goodbye\r\n")); });
    EventLoop loop;
    auto connection = connect_for_test(loop, server.endpoint(), plain_settings());
    ASSERT_TRUE(connection);
    Session session(loop);
    const Status ended = session.run(*connection, true);
    EXPECT_EQ(ended.id(), MessageId::kConnectionClosed);
    EXPECT_EQ(session.seen, "Goodbye\r\n");
}

TEST(TerminalSessionTest, WithoutATerminalLinesAreCopiedUntilInputEndsAndTheServerIsQuiet) {
    LoopbackServer server([&](int fd) {
        send_all(fd, bytes_of("ready\r\n"));
        for (;;) {
            Bytes line = read_until(fd, {'\r', 0}, 3000);
            if (line.size() < 2) return;
            line.resize(line.size() - 2);
            send_all(fd, bytes_of("got " + text_of(line) + "\r\n"));
        }
    });
    EventLoop loop;  // real time: the server's answers take what they take
    auto connection = connect_for_test(loop, server.endpoint(), plain_settings());
    ASSERT_TRUE(connection);
    Session session(loop);
    ASSERT_TRUE(session.typist->write(bytes_of("one\ntwo\r\nthree")).ok());
    session.typist->close();
    const uint32_t start = loop.now();
    EXPECT_TRUE(session.run(*connection, false).ok());
    EXPECT_GE(loop.now() - start, 1000u);
    EXPECT_LT(loop.now() - start, 5000u);
    EXPECT_EQ(session.seen, "ready\r\ngot one\r\ngot two\r\ngot three\r\n");
    connection->close();
}

TEST(TerminalSessionTest, AServerThatNeverSpeaksStillGetsTheLinesAndTheSessionEnds) {
    Bytes heard;
    LoopbackServer server([&](int fd) { heard = read_to_end(fd, 5000); });
    PatientVirtualClock clock;
    EventLoop loop(clock);
    auto connection = connect_for_test(loop, server.endpoint(), plain_settings());
    ASSERT_TRUE(connection);
    Session session(loop);
    ASSERT_TRUE(session.typist->write(bytes_of("hello?\n")).ok());
    session.typist->close();
    const uint32_t start = loop.now();
    EXPECT_TRUE(session.run(*connection, false).ok());
    EXPECT_LT(loop.now() - start, 5000u);
    connection->close();
    server.join();
    EXPECT_EQ(text_of(heard), std::string("hello?\r\0", 8));
}

TEST(TerminalSessionTest, AFloodWaitsForASlowScreenWithBoundedMemory) {
    constexpr size_t kSize = 24 << 20;
    LoopbackServer server([&](int fd) {
        const Bytes piece(1 << 20, 'z');
        for (size_t sent = 0; sent < kSize; sent += piece.size()) send_all(fd, piece);
    });
    int screen_pipe[2];
    int unused_input[2];  // the screen channel's own input, never written
    ASSERT_EQ(::pipe(screen_pipe), 0);
    ASSERT_EQ(::pipe(unused_input), 0);
    std::atomic<size_t> shown{0};
    std::thread slow_screen([&] {
        char piece[4096];
        for (;;) {
            const ssize_t got = ::read(screen_pipe[0], piece, sizeof piece);
            if (got <= 0) return;
            shown += static_cast<size_t>(got);
            if (shown % (256 << 10) < sizeof piece) ::usleep(5000);
        }
    });
    EventLoop loop;
    auto connection = connect_for_test(loop, server.endpoint(), plain_settings());
    ASSERT_TRUE(connection);
    auto [typist, keyboard] = MemoryChannel::pair(loop);
    platform::FdChannel screen(loop, unused_input[0], screen_pipe[1], "screen");
    Terminal terminal;
    terminal.set_screen(&screen);
    platform::UnattendedPolicy policy;
    TerminalSession session(*connection, terminal, *keyboard, screen, policy);
    size_t most_unsent = 0;
    auto watch =
        loop.add_timer(1, 1, [&] { most_unsent = std::max(most_unsent, screen.unsent()); });
    auto task = session.run();
    ASSERT_TRUE(platform::run_to_end(loop, task));
    EXPECT_EQ(task.result().id(), MessageId::kConnectionClosed);
    loop.wait_for([&] { return screen.unsent() == 0; }, loop.now() + 10000);
    ::close(screen_pipe[1]);
    slow_screen.join();
    ::close(screen_pipe[0]);
    ::close(unused_input[0]);
    ::close(unused_input[1]);
    EXPECT_EQ(shown, kSize);
    EXPECT_LT(most_unsent, size_t{3} << 20);
}

}  // namespace
}  // namespace orvane::connection
