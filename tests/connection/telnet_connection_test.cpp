// The Telnet connection against servers on the loopback interface.
#include "connection/telnet_connection.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include "connection/telnet_connect.h"
#include "connection/telnet_protocol.h"
#include "platform/resource_strings.h"
#include "platform/scripted_ui.h"
#include "tests/connection/telnet_test_server.h"

namespace orvane::connection {
namespace {

using namespace testing;
using platform::EventLoop;
using platform::MessageId;

TEST(TelnetConnectionTest, AnswersEveryRowOfTheOptionTable) {
    // Requests whose answer is silence sit between ones that are answered,
    // so the exact bytes the client sends back prove both.
    const Bytes requests = {
        255, 251, 0,  255, 251, 3,   255, 251, 24, 255, 251, 46,               // WILL
        255, 252, 24,                                                          // WONT other
        255, 253, 0,  255, 253, 3,   255, 253, 46, 255, 253, 24, 255, 253, 1,  // DO
        255, 254, 0,  255, 254, 24,                                            // DONT
        255, 250, 24, 1,   255, 240,                                           // SB ... SE
        255, 241,                                                              // NOP
    };
    const Bytes expected_answers = {255, 254, 24,  255, 254, 46,  255, 252,
                                    46,  255, 252, 24,  255, 252, 1};
    Bytes answers;
    LoopbackServer server([&](int fd) {
        send_all(fd, requests);
        send_all(fd, {255, 251, 1, 'A'});  // WILL ECHO: the server echoes
        answers = read_until(fd, bytes_of("seen A"));
        send_all(fd, {255, 252, 1, 'B'});  // WONT ECHO: the terminal echoes
        (void)read_until(fd, bytes_of("seen B"));
    });
    EventLoop loop;
    auto connection = connect_for_test(loop, server.endpoint(), plain_settings());
    ASSERT_TRUE(connection);
    EXPECT_TRUE(connection->local_echo());
    EXPECT_EQ(read_channel_until(loop, *connection, "A"), "A");
    EXPECT_FALSE(connection->local_echo());
    EXPECT_TRUE(connection->send_text("seen A", false).ok());
    EXPECT_EQ(read_channel_until(loop, *connection, "B"), "B");
    EXPECT_TRUE(connection->local_echo());
    EXPECT_TRUE(connection->send_text("seen B", false).ok());
    EXPECT_TRUE(connection->tls_offered());
    server.join();
    Bytes expected = expected_answers;
    append_telnet_data(&expected, bytes_of("seen A"));
    EXPECT_EQ(answers, expected);
}

TEST(TelnetConnectionTest, DataBytes255AreDoubledBothWaysAndLineEndsFollowTheOffers) {
    Bytes received;
    LoopbackServer server([&](int fd) {
        send_all(fd, {'x', 255, 255, 'y'});
        received = read_until(fd, bytes_of("end"));
    });
    EventLoop loop;
    auto connection = connect_for_test(loop, server.endpoint(), plain_settings());
    ASSERT_TRUE(connection);
    EXPECT_EQ(read_channel_until(loop, *connection, "y"), "x\xffy");
    const Bytes data = {'a', 255, 'b'};
    EXPECT_TRUE(connection->write(data).ok());
    EXPECT_TRUE(connection->send_text("name", true).ok());
    EXPECT_FALSE(connection->negotiated());
    EXPECT_TRUE(connection->send_option_offers().ok());
    EXPECT_TRUE(connection->send_option_offers().ok());  // once per connection
    EXPECT_TRUE(connection->negotiated());
    EXPECT_TRUE(connection->send_text("pw", true).ok());
    EXPECT_TRUE(connection->apply_local_echo_setting(false).ok());
    EXPECT_TRUE(connection->send_text("end", false).ok());
    server.join();
    const Bytes expected = {'a', 255, 255, 'b', 'n', 'a', 'm', 'e', 13, 0,  // before: CR NUL
                            255, 251, 3,   255, 253, 3,   255, 251, 0,  255, 253, 0,  // offers
                            'p', 'w', 13,                                             // after: CR
                            255, 253, 1,                                              // DO ECHO
                            'e', 'n', 'd'};
    EXPECT_EQ(received, expected);
    EXPECT_FALSE(connection->local_echo());
}

TEST(TelnetConnectionTest, OffersAskTheServerToEchoWhenLocalEchoIsOff) {
    Bytes received;
    LoopbackServer server([&](int fd) { received = read_exactly(fd, 15); });
    EventLoop loop;
    TelnetSettings settings = plain_settings();
    settings.local_echo = false;
    auto connection = connect_for_test(loop, server.endpoint(), settings);
    ASSERT_TRUE(connection);
    EXPECT_FALSE(connection->local_echo());
    EXPECT_TRUE(connection->send_option_offers().ok());
    server.join();
    EXPECT_EQ(received, (Bytes{255, 251, 3, 255, 253, 3, 255, 251, 0, 255, 253, 0, 255, 253, 1}));
}

TEST(TelnetConnectionTest, ShowsThePortOnlyWhenItIsNot23AndReachesIPv6) {
    LoopbackServer v4([](int fd) { send_all(fd, bytes_of("hi")); });
    EventLoop loop;
    auto connection = connect_for_test(loop, v4.endpoint(), plain_settings());
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->address(), v4.endpoint());
    EXPECT_EQ(read_channel_until(loop, *connection, "hi"), "hi");

    LoopbackServer v6([](int fd) { send_all(fd, bytes_of("six")); }, AF_INET6);
    if (!v6.listening()) GTEST_SKIP() << "no IPv6 loopback here";
    auto six = connect_for_test(loop, v6.endpoint(), plain_settings());
    ASSERT_TRUE(six);
    EXPECT_EQ(six->address(), v6.endpoint());
    EXPECT_EQ(read_channel_until(loop, *six, "six"), "six");
}

TEST(TelnetConnectionTest, TriesTheNextAddressOfANameWhenOneRefuses) {
    // "localhost" may resolve to ::1 first, where nothing listens.
    LoopbackServer server([](int fd) { send_all(fd, bytes_of("v4")); });
    EventLoop loop;
    auto connection =
        connect_for_test(loop, "localhost:" + std::to_string(server.port()), plain_settings());
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->address(), server.endpoint());
}

TEST(TelnetConnectionTest, AnEndpointWithoutPortGoesToPort23) {
    // Only where port 23 on the loopback is free to listen on.
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(23);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 1) != 0) {
        ::close(fd);
        GTEST_SKIP() << "port 23 is not free here";
    }
    EventLoop loop;
    auto connection = connect_for_test(loop, "127.0.0.1", plain_settings());
    ::close(fd);
    ASSERT_TRUE(connection);
    EXPECT_EQ(connection->address(), "127.0.0.1");
}

}  // namespace
}  // namespace orvane::connection
