// Certificate pinning: stored on first use, a change refused, trust accepts.
#include <gtest/gtest.h>

#include "connection/certificate_pins.h"
#include "connection/certificate_trust.h"
#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "tests/connection/telnet_test_server.h"
#include "tests/connection/tls_test_peers.h"
#include "tests/support/temp_directory.h"

namespace orvane::connection {
namespace {

using namespace testing;
using platform::Answer;
using platform::EventLoop;
using platform::MessageId;
using platform::Status;

class TlsPinningTest : public ::testing::Test {
  protected:
    void SetUp() override {
        start_tls_library();
        auto first = make_certificate(directory_.path(), "first");
        auto second = make_certificate(directory_.path(), "second");
        ASSERT_TRUE(first && second) << "openssl req failed";
        first_ = *first;
        second_ = *second;
        ASSERT_NE(first_.fingerprint, second_.fingerprint);
    }

    // A server that takes up TLS with `certificate` and then reports what it
    // was sent inside TLS until the client closes.
    std::unique_ptr<LoopbackServer> tls_server(const TestCertificate& certificate,
                                               int clients = 1) {
        return std::make_unique<LoopbackServer>(
            [this, certificate](int fd) {
                TlsServerSide tls(fd, certificate, TlsVersion::k13);
                tls.write(bytes_of("login: "));
                heard_ = text_of(tls.read_to_end());
            },
            AF_INET, clients);
    }

    // Connects with the pins in use, sends the user's name after the
    // prompt, and closes; the connection's end status.
    Status session(const std::string& endpoint, CertificatePins& pins, platform::Policy& policy) {
        TelnetSettings settings;
        use_certificate_pins(&settings, pins, endpoint, policy);
        EventLoop loop;
        auto connection = connect_for_test(loop, endpoint, settings);
        if (!connection) return Status::message(MessageId::kConnectionFailed, {"no connection"});
        (void)read_channel_until(loop, *connection, "login: ");
        if (!connection->ended()) {
            Status sent = connection->send_text("Jane Doe", true);
            if (!sent.ok()) return sent;
            connection->close();
        }
        return connection->end_status();
    }

    orvane::testing::TempDirectory directory_;
    TestCertificate first_;
    TestCertificate second_;
    std::string heard_;
};

TEST_F(TlsPinningTest, TheFirstCertificateIsStoredAndAChangedOneRefused) {
    platform::ScriptedUi ui;
    CertificatePins pins(directory_.file(kCertificatePinsFile));
    auto server = tls_server(first_);
    const std::string endpoint = server->endpoint();
    EXPECT_TRUE(session(endpoint, pins, ui).ok());
    server->join();
    EXPECT_EQ(heard_, std::string("Jane Doe\r\0", 10));
    // Stored in the file, with a notice.
    CertificatePins reread(pins.path());
    ASSERT_TRUE(reread.load().ok());
    EXPECT_EQ(reread.find(*settings::parse_endpoint(endpoint)), first_.fingerprint);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].text.find(first_.fingerprint), std::string::npos);

    // The same endpoint now shows another certificate.
    const int port = server->port();
    server.reset();
    heard_ = "untouched";
    LoopbackServer changed(
        [&](int fd) {
            TlsServerSide tls(fd, second_, TlsVersion::k12);
            tls.write(bytes_of("login: "));
            heard_ = text_of(tls.read_to_end());
        },
        AF_INET, 1, port);
    ASSERT_TRUE(changed.listening());
    const Status refused = session(endpoint, reread, ui);
    changed.join();
    EXPECT_EQ(refused.id(), MessageId::kCertificateChanged);
    const std::string text = refused.text();
    EXPECT_NE(text.find(first_.fingerprint), std::string::npos) << text;
    EXPECT_NE(text.find(second_.fingerprint), std::string::npos) << text;
    EXPECT_NE(text.find("orvane node trust " + endpoint), std::string::npos) << text;
    EXPECT_EQ(heard_, "");  // not even the prompt was read; nothing was sent
}

TEST_F(TlsPinningTest, AnEndpointThatOfferedTlsBeforeIsRefusedInPlainText) {
    platform::ScriptedUi ui;
    CertificatePins pins(directory_.file(kCertificatePinsFile));
    Bytes heard;
    LoopbackServer plain([&](int fd) {
        send_all(fd, bytes_of("login: "));
        heard = read_to_end(fd, 3000);
    });
    pins.set(*settings::parse_endpoint(plain.endpoint()), first_.fingerprint);
    const Status refused = session(plain.endpoint(), pins, ui);
    plain.join();
    EXPECT_EQ(refused.id(), MessageId::kSecureConnectionNotOffered);
    EXPECT_NE(refused.text().find(first_.fingerprint), std::string::npos);
    EXPECT_NE(refused.text().find("orvane node trust " + plain.endpoint()), std::string::npos);
    EXPECT_TRUE(heard.empty()) << text_of(heard);  // the name never left in plain text
}

TEST_F(TlsPinningTest, TrustShowsBothCertificatesAndTakesTheOfferedOneOnYes) {
    CertificatePins pins(directory_.file(kCertificatePinsFile));
    auto server = tls_server(second_, 3);
    const std::string endpoint = server->endpoint();
    pins.set(*settings::parse_endpoint(endpoint), first_.fingerprint);
    ASSERT_TRUE(pins.save().ok());

    auto look = [&](platform::Policy& policy) {
        EventLoop loop;
        ConnectRequest request;
        request.endpoint = endpoint;
        auto task = look_at_certificate(loop, request, policy);
        EXPECT_TRUE(platform::run_to_end(loop, task));
        return std::move(task.result());
    };
    platform::ScriptedUi declining;
    declining.answers = {Answer::No};
    auto offered = look(declining);
    ASSERT_TRUE(offered.ok()) << offered.status().text();
    EXPECT_TRUE(offered->tls);
    EXPECT_EQ(offered->fingerprint, second_.fingerprint);
    EXPECT_TRUE(trust_offered_certificate(pins, endpoint, *offered, declining).is_cancelled());
    ASSERT_EQ(declining.shown.size(), 1u);
    EXPECT_NE(declining.shown[0].text.find(first_.fingerprint), std::string::npos);
    EXPECT_NE(declining.shown[0].text.find(second_.fingerprint), std::string::npos);
    EXPECT_EQ(pins.find(*settings::parse_endpoint(endpoint)), first_.fingerprint);

    platform::ScriptedUi accepting;
    accepting.answers = {Answer::Yes};
    offered = look(accepting);
    ASSERT_TRUE(offered.ok());
    EXPECT_TRUE(trust_offered_certificate(pins, endpoint, *offered, accepting).ok());
    CertificatePins reread(pins.path());
    ASSERT_TRUE(reread.load().ok());
    EXPECT_EQ(reread.find(*settings::parse_endpoint(endpoint)), second_.fingerprint);

    // The next session goes through.
    EXPECT_TRUE(session(endpoint, reread, accepting).ok());
    server->join();
    EXPECT_EQ(heard_, std::string("Jane Doe\r\0", 10));
}

TEST_F(TlsPinningTest, TrustForgetsTheCertificateOfAnEndpointThatDroppedTls) {
    CertificatePins pins(directory_.file(kCertificatePinsFile));
    LoopbackServer plain([](int fd) {
        send_all(fd, bytes_of("login: "));
        (void)read_to_end(fd, 3000);
    });
    const auto endpoint = *settings::parse_endpoint(plain.endpoint());
    pins.set(endpoint, first_.fingerprint);
    PatientVirtualClock clock;
    EventLoop loop(clock);
    platform::ScriptedUi ui;
    ui.answers = {Answer::Yes};
    ConnectRequest request;
    request.endpoint = plain.endpoint();
    auto task = look_at_certificate(loop, request, ui);
    ASSERT_TRUE(platform::run_to_end(loop, task));
    ASSERT_TRUE(task.result().ok());
    EXPECT_FALSE(task.result()->tls);
    EXPECT_TRUE(trust_offered_certificate(pins, plain.endpoint(), *task.result(), ui).ok());
    EXPECT_FALSE(pins.find(endpoint));
}

TEST_F(TlsPinningTest, WithTlsSwitchedOffByTheUserAPinnedEndpointWorksInPlainText) {
    platform::ScriptedUi ui;
    CertificatePins pins(directory_.file(kCertificatePinsFile));
    Bytes heard;
    LoopbackServer server([&](int fd) {
        send_all(fd, {255, 253, 46, 'o', 'k'});
        heard = read_until(fd, bytes_of("plain"));
    });
    pins.set(*settings::parse_endpoint(server.endpoint()), first_.fingerprint);
    TelnetSettings settings;
    settings.tls = false;
    use_certificate_pins(&settings, pins, server.endpoint(), ui);
    EventLoop loop;
    auto connection = connect_for_test(loop, server.endpoint(), settings);
    ASSERT_TRUE(connection);
    EXPECT_EQ(read_channel_until(loop, *connection, "ok"), "ok");
    EXPECT_TRUE(connection->send_text("plain", false).ok());
    server.join();
    EXPECT_EQ(heard, (Bytes{255, 252, 46, 'p', 'l', 'a', 'i', 'n'}));
}

TEST(CertificatePinsTest, TheFileKeepsOneLinePerEndpointAndSkipsWhatDoesNotParse) {
    orvane::testing::TempDirectory directory;
    const std::string path = directory.file(kCertificatePinsFile);
    std::string print;
    for (int i = 0; i < 32; ++i) print += std::string(i ? ":" : "") + "ab";
    const std::string contents = "# comment\n\nNode.Example.ORG " + print +
                                 "\nbroken-line\nhost:99999 " + print + "\n[::1]:2323 " + print +
                                 "\nshort 12:34\n";
    ASSERT_EQ(platform::write_whole_file(path, contents.data(), contents.size()), 0);
    CertificatePins pins(path);
    ASSERT_TRUE(pins.load().ok());
    std::string upper = print;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    EXPECT_EQ(pins.find(*settings::parse_endpoint("node.example.org:23")), upper);
    EXPECT_EQ(pins.find(*settings::parse_endpoint("[::1]:2323")), upper);
    EXPECT_FALSE(pins.find(*settings::parse_endpoint("short")));
    ASSERT_TRUE(pins.save().ok());
    std::string saved;
    ASSERT_EQ(platform::read_whole_file(path, &saved), 0);
    EXPECT_NE(saved.find("node.example.org:23 " + upper + "\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("[::1]:2323 " + upper + "\n"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("broken"), std::string::npos);

    CertificatePins missing(directory.file("none.txt"));
    EXPECT_TRUE(missing.load().ok());
}

}  // namespace
}  // namespace orvane::connection
