#include "platform/event_loop.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/virtual_clock.h"

namespace orvane::platform {
namespace {

// Most tests run on a virtual clock: timers of seconds take no real time.
class EventLoopTest : public ::testing::Test {
  protected:
    VirtualClockEnv clock{system_env(), 1000};
    EventLoop loop{clock};
    std::vector<std::string> seen;
};

TEST_F(EventLoopTest, PostedMessagesComeFirstThenDescriptorsThenTimers) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "x", 1), 1);
    auto watch = loop.watch(fds[0], kFdRead, [&](uint32_t event, int) {
        EXPECT_EQ(event, kFdRead);
        seen.push_back("fd");
    });
    auto timer = loop.add_timer(1, 0, [&] { seen.push_back("timer"); });
    clock.advance(3);  // the timer is due
    auto handler = loop.on_message(PostedMessage::kBatchStep, [&](const Message& m) {
        seen.push_back("m" + std::to_string(m.wparam));
    });
    loop.post({PostedMessage::kBatchStep, 1, 0});
    loop.defer([&] { seen.push_back("deferred"); });
    loop.post({PostedMessage::kBatchStep, 2, 0});
    loop.pump();
    EXPECT_EQ(seen, (std::vector<std::string>{"m1", "deferred", "m2", "fd", "timer"}));
    close(fds[0]);
    close(fds[1]);
}

TEST_F(EventLoopTest, TimersFireOnTimeAcrossTheTickWrapAroundWithoutBursts) {
    VirtualClockEnv near_wrap(system_env(), 0xFFFFFFFFu - 30);
    EventLoop wrapping(near_wrap);
    const uint32_t start = wrapping.now();
    int fired = 0;
    auto timer = wrapping.add_timer(20, 20, [&] { ++fired; });
    const uint32_t deadline = start + 90;  // lies past the wrap
    ASSERT_LT(deadline, start);            // numerically smaller, yet later
    wrapping.wait_until(deadline);
    EXPECT_TRUE(tick_reached(wrapping.now(), deadline));
    EXPECT_LT(static_cast<uint32_t>(wrapping.now() - start), 1000u);
    EXPECT_EQ(fired, 4);  // at 20, 40, 60 and 80 ms

    // A timer that missed several periods runs once, not once per period.
    fired = 0;
    near_wrap.advance(200);
    wrapping.pump();
    EXPECT_EQ(fired, 1);
}

TEST_F(EventLoopTest, CancelledRegistrationsNeverRunEvenWhenAlreadyDue) {
    int first = 0, second = 0;
    EventLoop::Registration b;
    auto a = loop.add_timer(10, 0, [&] {
        ++first;
        b.cancel();  // due at the same time, but cancelled before its turn
    });
    b = loop.add_timer(10, 0, [&] { ++second; });
    clock.advance(10);
    loop.pump();
    EXPECT_EQ(first, 1);
    EXPECT_EQ(second, 0);
    EXPECT_FALSE(a.active()) << "a one-shot timer is over once it ran";

    int periodic = 0;
    EventLoop::Registration self;
    self = loop.add_timer(5, 5, [&] {
        if (++periodic == 2) self.cancel();  // a callback may cancel itself
    });
    loop.wait_until(loop.now() + 100);
    EXPECT_EQ(periodic, 2);
    {
        auto scoped = loop.add_timer(1, 1, [&] { ++periodic; });
    }  // destroyed: cancelled
    loop.wait_until(loop.now() + 20);
    EXPECT_EQ(periodic, 2);
}

TEST_F(EventLoopTest, EverySubscriberGetsTheOneSecondTick) {
    std::vector<uint32_t> a, b;
    auto first = loop.on_tick([&](uint32_t now) { a.push_back(now); });
    auto second = loop.on_tick([&](uint32_t now) { b.push_back(now); });
    const uint32_t start = loop.now();
    loop.wait_until(start + 3500);
    EXPECT_EQ(a.size(), 3u);
    EXPECT_EQ(b, a);
    second.cancel();
    loop.wait_until(loop.now() + 1000);
    EXPECT_EQ(a.size(), 4u);
    EXPECT_EQ(b.size(), 3u);
}

TEST_F(EventLoopTest, WaitForStopsAtTheConditionOrTheDeadline) {
    bool flag = false;
    auto handler =
        loop.on_message(PostedMessage::kHelpRequest, [&](const Message&) { flag = true; });
    loop.post({PostedMessage::kHelpRequest, 0, 0});
    EXPECT_TRUE(loop.wait_for([&] { return flag; }, loop.now() + 1000));

    const uint32_t before = loop.now();
    auto timer =
        loop.add_timer(3, 5, [] {});  // something to wake for, but nothing sets the condition
    EXPECT_FALSE(loop.wait_for([] { return false; }, before + 40));
    EXPECT_TRUE(tick_reached(loop.now(), before + 40));
}

TEST_F(EventLoopTest, NestedWaitsKeepDispatching) {
    int inner = 0;
    auto outer_handler = loop.on_message(PostedMessage::kBatchStep, [&](const Message&) {
        loop.post({PostedMessage::kHelpRequest, 0, 0});
        // A long operation pumping inside a handler.
        loop.wait_for([&] { return inner > 0; }, loop.now() + 1000);
    });
    auto inner_handler =
        loop.on_message(PostedMessage::kHelpRequest, [&](const Message&) { ++inner; });
    loop.post({PostedMessage::kBatchStep, 0, 0});
    loop.pump();
    EXPECT_EQ(inner, 1);
}

TEST_F(EventLoopTest, PumpRunsOnlyWhatWasDueWhenItStarted) {
    int runs = 0;
    std::function<void()> again = [&] {
        ++runs;
        loop.defer(again);  // work that always makes more work
    };
    loop.defer(again);
    loop.pump();
    EXPECT_EQ(runs, 1);
    loop.pump();
    EXPECT_EQ(runs, 2);
}

TEST_F(EventLoopTest, AHungUpPipeIsToldOnceAndNeverSpins) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    close(fds[1]);  // the writer is gone: poll reports a hang-up, not data
    int closes = 0;
    auto watch = loop.watch(fds[0], kFdRead | kFdClose, [&](uint32_t event, int) {
        if (event == kFdClose) ++closes;
    });
    const uint32_t start = loop.now();
    loop.wait_until(start + 5000);
    EXPECT_EQ(closes, 1);
    // Had the dead descriptor kept poll awake, the wait would not have
    // reached its deadline by moving the virtual clock.
    EXPECT_TRUE(tick_reached(loop.now(), start + 5000));
    close(fds[0]);
}

TEST(EventLoopSocketTest, ConnectReadAndCloseArriveAsEvents) {
    EventLoop loop;  // real time: a real socket on the loopback
    int listener = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(listen(listener, 1), 0);
    socklen_t length = sizeof address;
    getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);

    int client = -1;
    ASSERT_EQ(loop.env().connect(reinterpret_cast<sockaddr*>(&address), sizeof address, &client),
              0);
    std::vector<uint32_t> events;
    int connect_error = -1;
    auto watch =
        loop.watch(client, kFdConnect | kFdRead | kFdClose, [&](uint32_t event, int error) {
            events.push_back(event);
            if (event == kFdConnect) connect_error = error;
        });
    auto has = [&](uint32_t event) {
        return std::find(events.begin(), events.end(), event) != events.end();
    };
    ASSERT_TRUE(loop.wait_for([&] { return has(kFdConnect); }, loop.now() + 2000));
    EXPECT_EQ(connect_error, 0);
    int server = accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);
    ASSERT_EQ(write(server, "hello", 5), 5);
    ASSERT_TRUE(loop.wait_for([&] { return has(kFdRead); }, loop.now() + 2000));
    char buffer[8];
    EXPECT_EQ(read(client, buffer, sizeof buffer), 5);
    close(server);
    ASSERT_TRUE(loop.wait_for([&] { return has(kFdClose); }, loop.now() + 2000));
    close(client);
    close(listener);
}

TEST_F(EventLoopTest, RunEndsWhenNothingCanArriveOrAfterQuit) {
    loop.run();  // no timers, no watches: returns at once
    int ticks = 0;
    auto tick = loop.on_tick([&](uint32_t) {
        if (++ticks == 3) loop.quit();
    });
    loop.run();
    EXPECT_EQ(ticks, 3);
    EXPECT_TRUE(loop.quitting());
}

}  // namespace
}  // namespace orvane::platform
