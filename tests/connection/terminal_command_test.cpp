// `orvane terminal` and `orvane node trust` as a user runs them.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/file.h"
#include "tests/connection/telnet_test_server.h"
#include "tests/connection/tls_test_peers.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_directory.h"

namespace orvane::connection {
namespace {

using namespace testing;
using orvane::testing::ProgramRun;

class TerminalCommandTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(orvane("user add --node C --name 'Jane Doe'").exit_code, 0); }
    ProgramRun orvane(const std::string& arguments, const std::string& input = {}) {
        return orvane::testing::run_orvane("--home '" + home_.path() + "' " + arguments, input);
    }
    // The session logs written under the program directory.
    std::vector<std::string> logs() const {
        std::vector<std::string> found;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(home_.path())) {
            if (entry.path().extension() == ".log") found.push_back(entry.path().string());
        }
        return found;
    }
    orvane::testing::TempDirectory home_;
};

// A server that greets, answers one line, and waits for the client to go.
void greet_and_answer(int fd) {
    send_all(fd, bytes_of("Welcome\r\nlogin: "));
    Bytes line = read_until(fd, {'\r', 0});
    if (line.size() < 2) return;
    line.resize(line.size() - 2);
    send_all(fd, bytes_of("Hello " + text_of(line) + "\r\n"));
    (void)read_to_end(fd, 5000);
}

TEST_F(TerminalCommandTest, WithoutATerminalStdinLinesGoToTheServerAndItsOutputToStdout) {
    LoopbackServer server(greet_and_answer);
    const ProgramRun run = orvane("terminal --no-tls --endpoint " + server.endpoint(), "guest\n");
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "Welcome\r\nlogin: Hello guest\r\n");
    const auto written = logs();
    ASSERT_EQ(written.size(), 1u) << run.err;
    EXPECT_EQ(std::filesystem::path(written[0]).filename().string().substr(0, 1), "C");
    std::string log;
    ASSERT_EQ(platform::read_whole_file(written[0], &log), 0);
    EXPECT_EQ(log, "Welcome\nlogin: Hello guest\n");
}

TEST_F(TerminalCommandTest, ARefusedConnectionIsReportedAndFails) {
    const ProgramRun run =
        orvane("terminal --endpoint 127.0.0.1:" + std::to_string(closed_port()), "x\n");
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find("Cannot connect to"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("answered No"), std::string::npos) << run.err;
}

TEST_F(TerminalCommandTest, AChangedCertificateIsRefusedUntilTheUserTrustsIt) {
    start_tls_library();
    auto first = make_certificate(home_.path(), "first");
    auto second = make_certificate(home_.path(), "second");
    ASSERT_TRUE(first && second);
    auto tls_greeting = [](const TestCertificate& certificate) {
        return [certificate](int fd) {
            TlsServerSide tls(fd, certificate, TlsVersion::k13);
            tls.write(bytes_of("secure hello\r\n"));
            (void)tls.read_to_end();
        };
    };
    int port = 0;
    {
        LoopbackServer server(tls_greeting(*first));
        port = server.port();
        const ProgramRun stored = orvane("terminal --endpoint " + server.endpoint(), "");
        EXPECT_EQ(stored.exit_code, 0) << stored.err;
        EXPECT_EQ(stored.out, "secure hello\r\n");
        EXPECT_NE(stored.err.find(first->fingerprint), std::string::npos) << stored.err;
    }
    const std::string endpoint = "127.0.0.1:" + std::to_string(port);
    {
        LoopbackServer server(tls_greeting(*second), AF_INET, 2, port);
        const ProgramRun refused = orvane("terminal --endpoint " + endpoint, "");
        EXPECT_EQ(refused.exit_code, 1);
        EXPECT_EQ(refused.out, "");
        EXPECT_NE(refused.err.find("orvane node trust " + endpoint), std::string::npos)
            << refused.err;
        EXPECT_NE(refused.err.find(second->fingerprint), std::string::npos);

        const ProgramRun trusted = orvane("--yes node trust " + endpoint);
        EXPECT_EQ(trusted.exit_code, 0) << trusted.err;
        EXPECT_NE(trusted.err.find(first->fingerprint), std::string::npos) << trusted.err;
        EXPECT_NE(trusted.err.find(second->fingerprint), std::string::npos) << trusted.err;
    }
    LoopbackServer server(tls_greeting(*second), AF_INET, 1, port);
    const ProgramRun again = orvane("terminal --endpoint " + endpoint, "");
    EXPECT_EQ(again.exit_code, 0) << again.err;
    EXPECT_EQ(again.out, "secure hello\r\n");
}

}  // namespace
}  // namespace orvane::connection
