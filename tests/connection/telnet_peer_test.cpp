// A real Telnet server as the peer: inetutils telnetd, started by socat on
// a loopback port, running cat instead of a login.
#include <gtest/gtest.h>
#include <unistd.h>

#include "connection/telnet_connection.h"
#include "tests/connection/telnet_test_server.h"

namespace orvane::connection {
namespace {

using namespace testing;
using platform::EventLoop;

TEST(TelnetPeerTest, InetutilsTelnetdAcceptsOurAnswersAndCarriesALine) {
    const std::string telnetd = "/usr/sbin/telnetd";
    if (!have_program("socat") || ::access(telnetd.c_str(), X_OK) != 0) {
        GTEST_SKIP() << "socat or inetutils-telnetd is missing";
    }
    const int port = closed_port();
    ChildProcess peer({"socat", "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr",
                       "EXEC:" + telnetd + " -h -E /bin/cat,nofork"});
    EventLoop loop;
    std::unique_ptr<TelnetConnection> connection;
    for (int attempt = 0; attempt < 50 && !connection; ++attempt) {
        TelnetSettings settings;
        connection = connect_for_test(loop, "127.0.0.1:" + std::to_string(port), settings);
        if (!connection) ::usleep(100 * 1000);
    }
    ASSERT_TRUE(connection) << "socat did not start listening";
    // telnetd asks for terminal type, speed, window size and more: all
    // refused; it then echoes itself and runs cat on a terminal.
    ASSERT_TRUE(loop.wait_for([&] { return !connection->local_echo() || connection->ended(); },
                              loop.now() + 10000));
    EXPECT_FALSE(connection->ended()) << connection->end_status().text();
    ASSERT_TRUE(connection->send_option_offers().ok());
    ASSERT_TRUE(connection->send_text("orvane says hello", true).ok());
    const std::string seen = read_channel_until(loop, *connection, "orvane says hello", 10000);
    EXPECT_NE(seen.find("orvane says hello"), std::string::npos) << seen;
    EXPECT_FALSE(connection->tls_offered());
    connection->close();
}

}  // namespace
}  // namespace orvane::connection
