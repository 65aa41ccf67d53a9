// Connecting: the question with retry, time limits and cancelling.
#include "connection/telnet_connect.h"

#include <gtest/gtest.h>

#include "platform/resource_strings.h"
#include "platform/scripted_ui.h"
#include "platform/virtual_clock.h"
#include "tests/connection/telnet_test_server.h"

namespace orvane::connection {
namespace {

using namespace testing;
using platform::Answer;
using platform::EventLoop;
using platform::MessageId;
using platform::Status;

struct Attempt {
    Status status;
    std::unique_ptr<TelnetConnection> connection;
};

Attempt attempt(EventLoop& loop, const std::string& endpoint, platform::Policy& policy,
                uint32_t limit_ms = 30000) {
    ConnectRequest request;
    request.endpoint = endpoint;
    request.server_name = "MERIDIAN";
    request.telnet.tls = false;
    request.connect_limit_ms = limit_ms;
    auto task = connect_telnet(loop, request, policy);
    EXPECT_TRUE(platform::run_to_end(loop, task));
    Attempt result;
    if (task.result().ok()) {
        result.connection = std::move(*task.result());
    } else {
        result.status = task.result().status();
    }
    return result;
}

TEST(TelnetConnectTest, ARefusedConnectionAsksWithTheNodesNameAndRetriesOnYes) {
    platform::ScriptedUi ui;
    ui.answers = {Answer::Yes, Answer::No};
    EventLoop loop;
    const std::string endpoint = "127.0.0.1:" + std::to_string(closed_port());
    Attempt result = attempt(loop, endpoint, ui);
    ASSERT_FALSE(result.connection);
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_NE(ui.shown[0].text.find("Cannot connect to MERIDIAN."), std::string::npos);
    EXPECT_NE(ui.shown[0].text.find("probably the MERIDIAN server"), std::string::npos);
    EXPECT_EQ(ui.shown[0].buttons, platform::Buttons::YesNo);
    EXPECT_EQ(ui.progress.size(), 2u);  // "Connecting to" shown for each attempt
    EXPECT_EQ(ui.progress[0].title, "Connecting to " + endpoint);
    EXPECT_EQ(result.status.id(), MessageId::kCannotConnectBecause);
    EXPECT_NE(result.status.text().find("refused"), std::string::npos) << result.status.text();
}

TEST(TelnetConnectTest, RetryReachesAServerThatCameUpMeanwhile) {
    // The first attempt is refused; the server starts while the question is
    // on the screen, and the answer Yes reaches it.
    struct StartingUi : platform::ScriptedUi {
        std::function<void()> before_answer;
        Answer show(const platform::MessageBox& box) override {
            before_answer();
            return platform::ScriptedUi::show(box);
        }
    } ui;
    const int port = closed_port();
    std::unique_ptr<LoopbackServer> server;
    ui.answers = {Answer::Yes};
    ui.before_answer = [&] {
        server = std::make_unique<LoopbackServer>([](int fd) { send_all(fd, bytes_of("up")); },
                                                  AF_INET, 1, port);
    };
    EventLoop loop;
    Attempt result = attempt(loop, "127.0.0.1:" + std::to_string(port), ui);
    ASSERT_TRUE(result.connection) << result.status.text();
    EXPECT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(read_channel_until(loop, *result.connection, "up"), "up");
}

TEST(TelnetConnectTest, AnUnknownNameIsAFailureWithTheResolversReason) {
    platform::UnattendedPolicy policy;  // takes the safe answer: no retry
    EventLoop loop;
    Attempt result = attempt(loop, "no-such-node.invalid:23", policy);
    ASSERT_FALSE(result.connection);
    EXPECT_EQ(result.status.id(), MessageId::kCannotConnectBecause);
    EXPECT_NE(result.status.text().find("no-such-node.invalid"), std::string::npos);

    Attempt bad = attempt(loop, "host:99999", policy);
    EXPECT_EQ(bad.status.id(), MessageId::kIsInvalid);
}

TEST(TelnetConnectTest, AServerThatNeverAnswersEndsAtTheLimit) {
    UnansweredPort silent;
    platform::VirtualClockEnv clock;
    EventLoop loop(clock);
    platform::UnattendedPolicy policy;
    const uint32_t start = loop.now();
    Attempt result = attempt(loop, silent.endpoint(), policy, 30000);
    ASSERT_FALSE(result.connection);
    EXPECT_EQ(result.status.id(), MessageId::kCannotConnectBecause);
    EXPECT_NE(result.status.text().find("no answer within 30 seconds"), std::string::npos)
        << result.status.text();
    EXPECT_GE(loop.now() - start, 30000u);
    EXPECT_LT(loop.now() - start, 31000u);
}

TEST(TelnetConnectTest, CancellingWhileConnectingAsksTryAgain) {
    UnansweredPort silent;
    platform::VirtualClockEnv clock;
    EventLoop loop(clock);
    platform::ScriptedUi ui;
    ui.cancel_after_updates = 1;  // the user presses Ctrl-C after the first look
    ui.answers = {Answer::No};
    Attempt result = attempt(loop, silent.endpoint(), ui);
    ASSERT_FALSE(result.connection);
    EXPECT_TRUE(result.status.is_cancelled());
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "Try again?");
    EXPECT_LT(loop.now(), 1000u);
}

}  // namespace
}  // namespace orvane::connection
