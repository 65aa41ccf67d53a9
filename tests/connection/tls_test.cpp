// TLS inside Telnet against wolfSSL's server side and Python's ssl module.
#include <gtest/gtest.h>
#include <unistd.h>

#include "connection/telnet_connection.h"
#include "platform/virtual_clock.h"
#include "tests/connection/telnet_test_server.h"
#include "tests/connection/tls_test_peers.h"
#include "tests/support/temp_directory.h"

namespace orvane::connection {
namespace {

using namespace testing;
using platform::EventLoop;
using platform::MessageId;

class TlsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        start_tls_library();
        auto made = make_certificate(directory_.path(), "node");
        ASSERT_TRUE(made) << "openssl req failed";
        certificate_ = *made;
    }
    orvane::testing::TempDirectory directory_;
    TestCertificate certificate_;
};

TEST_F(TlsTest, WolfSslServersOfBothVersionsCarryTelnetDataBothWays) {
    for (TlsVersion version : {TlsVersion::k12, TlsVersion::k13}) {
        Bytes heard;
        Bytes plain_before;
        LoopbackServer server([&](int fd) {
            TlsServerSide tls(fd, certificate_, version);
            plain_before = tls.plain_before();
            if (!tls.secure()) return;
            tls.write({'h', 'i', 255, 255, 255, 251, 1, '>'});  // data 255, then WILL ECHO
            heard = tls.read_until(bytes_of("bye\r"));
        });
        EventLoop loop;
        auto connection = connect_for_test(loop, server.endpoint(), TelnetSettings{});
        ASSERT_TRUE(connection);
        EXPECT_EQ(read_channel_until(loop, *connection, ">"), "hi\xff>");
        EXPECT_EQ(connection->security(), TelnetConnection::Security::kEncrypted);
        EXPECT_EQ(connection->tls_version(), version == TlsVersion::k13 ? "TLSv1.3" : "TLSv1.2");
        EXPECT_EQ(connection->peer_certificate(), certificate_.fingerprint);
        EXPECT_FALSE(connection->local_echo());  // the Telnet layer runs inside TLS
        const Bytes data = {'a', 255, 'b'};
        ASSERT_TRUE(connection->write(data).ok());
        ASSERT_TRUE(connection->send_option_offers().ok());
        ASSERT_TRUE(connection->send_text("bye", true).ok());
        server.join();
        EXPECT_TRUE(plain_before.empty());
        const Bytes expected = {'a', 255, 255, 'b', 255, 251, 3,   255, 253, 3,
                                255, 251, 0,   255, 253, 0,   'b', 'y', 'e', '\r'};
        EXPECT_EQ(heard, expected);
    }
}

TEST_F(TlsTest, PythonsSslModuleAgreesOnBothVersions) {
    if (!have_program("python3")) GTEST_SKIP() << "python3 is missing";
    for (const std::string version : {"1.2", "1.3"}) {
        ChildProcess peer({"python3", ORVANE_TEST_TOOLS "/telnet_tls_peer.py",
                           certificate_.certificate_path, certificate_.key_path, version});
        auto port = peer.read_line();
        ASSERT_TRUE(port) << "the Python peer did not start";
        EventLoop loop;
        auto connection = connect_for_test(loop, "127.0.0.1:" + *port, TelnetSettings{});
        ASSERT_TRUE(connection);
        const std::string greeting = read_channel_until(loop, *connection, "login: ");
        EXPECT_EQ(greeting, "Welcome over TLSv" + version + "\r\nlogin: ");
        EXPECT_EQ(connection->tls_version(), "TLSv" + version);
        EXPECT_EQ(connection->peer_certificate(), certificate_.fingerprint);
        ASSERT_TRUE(connection->send_text("guest \xff", true).ok());
        EXPECT_EQ(read_channel_until(loop, *connection, "\r\n"),
                  "echo guest \xff TLSv" + version + "\r\n");
        ASSERT_TRUE(connection->send_text("quit", true).ok());
        EXPECT_EQ(read_channel_until(loop, *connection, ""), "");
        EXPECT_TRUE(connection->ended());
        EXPECT_TRUE(connection->end_status().ok()) << connection->end_status().text();
        EXPECT_EQ(peer.wait(), 0);
    }
}

TEST_F(TlsTest, AHandshakeThatNeverCompletesClosesAfterTenSecondsAndSendsNothingPlain) {
    Bytes after_agreement;
    LoopbackServer server([&](int fd) {
        send_all(fd, {255, 253, 46});
        (void)read_until(fd, {255, 251, 46});
        after_agreement = read_to_end(fd, 5000);  // the client hello, never answered
    });
    PatientVirtualClock clock;
    EventLoop loop(clock);
    auto connection = connect_for_test(loop, server.endpoint(), TelnetSettings{});
    ASSERT_TRUE(connection);
    // Real time until the server's request is in (the clock may not jump
    // while the server thread is yet to send it).
    for (int i = 0; i < 500 && connection->security() == TelnetConnection::Security::kPlain; ++i) {
        loop.pump();
        ::usleep(10 * 1000);
    }
    ASSERT_EQ(connection->security(), TelnetConnection::Security::kHandshake);
    const uint32_t start = loop.now();
    ASSERT_TRUE(connection->send_text("password", true).ok());  // held for TLS
    EXPECT_EQ(read_channel_until(loop, *connection, "", 60000), "");
    ASSERT_TRUE(connection->ended());
    const uint32_t waited = loop.now() - start;
    EXPECT_GE(waited, 9000u);
    EXPECT_LE(waited, 10500u);
    EXPECT_EQ(connection->end_status().id(), MessageId::kSecureConnectionFailed);
    EXPECT_NE(connection->end_status().text().find("no answer within 10 seconds"),
              std::string::npos)
        << connection->end_status().text();
    EXPECT_EQ(connection->send_text("more", true).id(), MessageId::kSecureConnectionFailed);
    server.join();
    const std::string sent = text_of(after_agreement);
    EXPECT_EQ(sent.find("password"), std::string::npos);
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(static_cast<uint8_t>(sent[0]), 0x16);  // a TLS handshake record
}

TEST_F(TlsTest, AShortInjectedLimitEndsTheHandshakeInRealTime) {
    LoopbackServer server([&](int fd) {
        send_all(fd, {255, 253, 46});
        (void)read_to_end(fd, 3000);
    });
    EventLoop loop;
    TelnetSettings settings;
    settings.handshake_limit_ms = 300;
    settings.handshake_slice_ms = 100;
    auto connection = connect_for_test(loop, server.endpoint(), settings);
    ASSERT_TRUE(connection);
    const uint32_t start = loop.now();
    (void)read_channel_until(loop, *connection, "", 5000);
    EXPECT_TRUE(connection->ended());
    EXPECT_LT(loop.now() - start, 2000u);
    EXPECT_NE(connection->end_status().text().find("no answer within 1 seconds"), std::string::npos)
        << connection->end_status().text();
}

TEST_F(TlsTest, WithTlsSwitchedOffTheClientRefusesStartTls) {
    Bytes answer;
    LoopbackServer server([&](int fd) {
        send_all(fd, {255, 253, 46, 'o', 'k'});
        answer = read_exactly(fd, 3);
    });
    EventLoop loop;
    TelnetSettings settings;
    settings.tls = false;
    auto connection = connect_for_test(loop, server.endpoint(), settings);
    ASSERT_TRUE(connection);
    EXPECT_EQ(read_channel_until(loop, *connection, "ok"), "ok");
    server.join();
    EXPECT_EQ(answer, (Bytes{255, 252, 46}));
    EXPECT_EQ(connection->security(), TelnetConnection::Security::kPlain);
}

TEST_F(TlsTest, AServerClosingAtEveryPointOfTheHandshakeEndsWithAClearMessage) {
    // How much the server sends for a whole handshake.
    size_t whole = 0;
    {
        LoopbackServer server([&](int fd) {
            TlsServerSide tls(fd, certificate_, TlsVersion::k13);
            whole = tls.sent();
        });
        EventLoop loop;
        auto connection = connect_for_test(loop, server.endpoint(), TelnetSettings{});
        ASSERT_TRUE(connection);
        ASSERT_TRUE(loop.wait_for(
            [&] { return connection->security() == TelnetConnection::Security::kEncrypted; },
            loop.now() + 5000));
        server.join();
    }
    ASSERT_GT(whole, 100u);
    EventLoop loop;
    int completed = 0;
    for (size_t cut = 0; cut < whole; cut += cut < 16 ? 1 : 29) {
        LoopbackServer server([&](int fd) {
            TlsServerSide tls(
                fd, certificate_, TlsVersion::k13,
                [cut](size_t offset, size_t length) { return offset + length <= cut; });
        });
        auto connection = connect_for_test(loop, server.endpoint(), TelnetSettings{});
        ASSERT_TRUE(connection);
        const uint32_t start = loop.now();
        (void)read_channel_until(loop, *connection, "", 15000);
        ASSERT_TRUE(connection->ended()) << "cut at " << cut;
        EXPECT_LT(loop.now() - start, 11000u);
        // Cut after the client's side of the handshake was complete (the
        // server's session tickets come after it), the close is an orderly one.
        if (connection->security() == TelnetConnection::Security::kEncrypted) {
            EXPECT_TRUE(connection->end_status().ok()) << "cut at " << cut;
            ++completed;
        } else {
            EXPECT_EQ(connection->end_status().id(), MessageId::kSecureConnectionFailed)
                << "cut at " << cut << ": " << connection->end_status().text();
        }
    }
    EXPECT_LT(completed, 10);
    // And the client's side cut: the server reads part of the hello and goes.
    for (size_t cut : {0, 1, 5, 40}) {
        LoopbackServer server([&](int fd) {
            send_all(fd, {255, 253, 46});
            (void)read_until(fd, {255, 251, 46});
            (void)read_exactly(fd, cut);
        });
        auto connection = connect_for_test(loop, server.endpoint(), TelnetSettings{});
        ASSERT_TRUE(connection);
        (void)read_channel_until(loop, *connection, "", 15000);
        EXPECT_EQ(connection->end_status().id(), MessageId::kSecureConnectionFailed);
        EXPECT_NE(connection->end_status().text().find("closed"), std::string::npos)
            << connection->end_status().text();
    }
}

}  // namespace
}  // namespace orvane::connection
