#include "platform/event_loop.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <vector>

#include "platform/clock.h"

namespace orvane::platform {
namespace {

constexpr uint32_t kFdMessage = kUserMessage + 0x200;

class EventLoopTest : public ::testing::Test {
  protected:
    void SetUp() override {
        loop.set_handler([this](const Message& m) { seen.push_back(m); });
    }
    void TearDown() override { set_tick_count_for_testing(tick_count()); }

    EventLoop loop;
    std::vector<Message> seen;
};

TEST_F(EventLoopTest, PostedMessagesComeFirstThenDescriptorsThenTimers) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    loop.watch_fd(fds[0], kFdRead, kFdMessage);
    loop.set_timer(7, 1);
    sleep_ms(3);  // the timer is due
    loop.post({kUserMessage + 1, 1, 0});
    loop.post({kUserMessage + 2, 2, 0});
    loop.pump();
    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(seen[0].id, kUserMessage + 1);
    EXPECT_EQ(seen[1].id, kUserMessage + 2);
    EXPECT_EQ(seen[2].id, kFdMessage);
    EXPECT_EQ(seen[2].wparam, static_cast<uintptr_t>(fds[0]));
    EXPECT_EQ(seen[2].lparam & 0xFFFF, kFdRead);
    EXPECT_EQ(seen[3].id, kTimerMessage);
    EXPECT_EQ(seen[3].wparam, 7u);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(EventLoopTest, TimersAndDeadlinesWorkAcrossTheTickWrapAround) {
    set_tick_count_for_testing(0xFFFFFFFFu - 30);  // wraps 30 ms from now
    uint32_t start = tick_count();
    loop.set_timer(1, 20);
    uint32_t deadline = start + 90;  // lies past the wrap
    ASSERT_LT(deadline, start);      // numerically smaller, yet later
    loop.wait_until(deadline);
    uint32_t now = tick_count();
    EXPECT_TRUE(tick_reached(now, deadline));
    EXPECT_LT(static_cast<uint32_t>(now - start), 1000u)
        << "the wait must not run on to the next wrap";
    int timers = 0;
    for (const Message& m : seen) timers += m.id == kTimerMessage;
    // 90 ms with a 20 ms period: about four firings, never zero, and a late
    // timer does not fire in bursts to catch up.
    EXPECT_GE(timers, 2);
    EXPECT_LE(timers, 5);
}

TEST_F(EventLoopTest, WaitForStopsAtTheConditionOrTheDeadline) {
    bool flag = false;
    loop.set_handler([&](const Message& m) {
        if (m.id == kUserMessage + 5) flag = true;
    });
    loop.post({kUserMessage + 5, 0, 0});
    EXPECT_TRUE(loop.wait_for([&] { return flag; }, tick_count() + 1000));

    uint32_t before = tick_count();
    loop.set_timer(3, 5);  // something to wake up for, but nothing sets the condition
    EXPECT_FALSE(loop.wait_for([] { return false; }, before + 40));
    EXPECT_TRUE(tick_reached(tick_count(), before + 40));
}

TEST_F(EventLoopTest, NestedWaitsKeepDispatching) {
    int inner = 0;
    loop.set_handler([&](const Message& m) {
        if (m.id == kUserMessage + 1) {
            loop.post({kUserMessage + 2, 0, 0});
            // A long operation pumping inside a handler.
            loop.wait_for([&] { return inner > 0; }, tick_count() + 1000);
        } else if (m.id == kUserMessage + 2) {
            ++inner;
        }
    });
    loop.post({kUserMessage + 1, 0, 0});
    loop.pump();
    EXPECT_EQ(inner, 1);
}

TEST_F(EventLoopTest, SocketConnectReadAndCloseArriveAsMessages) {
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    int client = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK, 0);
    int rc = connect(client, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ASSERT_TRUE(rc == 0 || errno == EINPROGRESS);
    loop.watch_fd(client, kFdConnect | kFdRead | kFdClose, kFdMessage);

    auto has = [&](uint32_t event) {
        for (const Message& m : seen) {
            if (m.id == kFdMessage && (m.lparam & 0xFFFF) == event) return true;
        }
        return false;
    };
    ASSERT_TRUE(loop.wait_for([&] { return has(kFdConnect); }, tick_count() + 2000));
    for (const Message& m : seen) {
        if ((m.lparam & 0xFFFF) == kFdConnect) {
            EXPECT_EQ(m.lparam >> 16, 0) << "connect error";
        }
    }
    int server = accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);
    ASSERT_EQ(write(server, "hello", 5), 5);
    ASSERT_TRUE(loop.wait_for([&] { return has(kFdRead); }, tick_count() + 2000));
    char buffer[8];
    EXPECT_EQ(read(client, buffer, sizeof buffer), 5);
    close(server);
    ASSERT_TRUE(loop.wait_for([&] { return has(kFdClose); }, tick_count() + 2000));
    close(client);
    close(listener);
}

TEST_F(EventLoopTest, GetMessageGivesUpWhenNothingCanArriveOrAfterQuit) {
    Message m;
    EXPECT_FALSE(loop.get_message(&m));  // no timers, no watches, no deadline
    loop.post({kUserMessage, 0, 0});
    loop.quit();
    EXPECT_FALSE(loop.get_message(&m));
}

}  // namespace
}  // namespace orvane::platform
