// The terminal: its log, and what typed and pasted keys send.
#include "connection/terminal.h"

#include <gtest/gtest.h>

#include "platform/fault_env.h"
#include "platform/file.h"
#include "tests/connection/telnet_test_server.h"
#include "tests/support/temp_directory.h"

namespace orvane::connection {
namespace {

using namespace testing;
using platform::MessageId;

std::string file_text(const std::string& path) {
    std::string contents;
    EXPECT_EQ(platform::read_whole_file(path, &contents), 0);
    return contents;
}

Bytes as_bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

TEST(TerminalTest, EverySessionOfTheDayAppendsToTheSameLog) {
    orvane::testing::TempDirectory directory;
    const std::string log = directory.file("T250907.log");
    const std::string earlier = "earlier session\n";
    ASSERT_EQ(platform::write_whole_file(log, earlier.data(), earlier.size()), 0);

    Terminal terminal;
    ASSERT_TRUE(terminal.put(as_bytes("before capture\r\nthank you.")).ok());
    ASSERT_TRUE(terminal.start_capture(log).ok());
    EXPECT_EQ(terminal.capture().start(), earlier.size());
    ASSERT_TRUE(terminal.put(as_bytes("\r\nCommand - ")).ok());
    ASSERT_TRUE(terminal.echo("list mail\r\n").ok());
    ASSERT_TRUE(terminal.put(as_bytes("No mail\r\nCommand - ")).ok());
    ASSERT_TRUE(terminal.stop_capture().ok());
    EXPECT_EQ(file_text(log), earlier + "thank you.\nCommand - list mail\nNo mail\nCommand - \n");

    Terminal next;
    ASSERT_TRUE(next.start_capture(log).ok());
    ASSERT_TRUE(next.put(as_bytes("second\r\n")).ok());
    ASSERT_TRUE(next.stop_capture().ok());
    EXPECT_TRUE(file_text(log).ends_with("Command - \nsecond\n"));
}

TEST(TerminalTest, TextThatLeavesTheWindowIsInTheLog) {
    orvane::testing::TempDirectory directory;
    const std::string log = directory.file("T250907.log");
    Terminal terminal;
    ASSERT_TRUE(terminal.start_capture(log).ok());
    std::string sent;
    while (sent.size() <= kTerminalTextSize) sent += "abcdefghijklmnopqrstuvwxyz0123456789";
    ASSERT_TRUE(terminal.put(as_bytes(sent)).ok());
    // The oldest 8192 bytes are gone from the window and already in the log.
    EXPECT_EQ(file_text(log), sent.substr(0, kTerminalDropSize));
    EXPECT_EQ(terminal.buffer().text(), sent.substr(kTerminalDropSize));
    ASSERT_TRUE(terminal.stop_capture().ok());
    EXPECT_EQ(file_text(log), sent + "\n");
}

TEST(TerminalTest, ALogThatCannotBeWrittenIsReportedOnceAndTheTerminalGoesOn) {
    orvane::testing::TempDirectory directory;
    const std::string log = directory.file("T250907.log");
    platform::FaultEnv faults;
    Terminal terminal(faults);
    ASSERT_TRUE(terminal.start_capture(log).ok());
    faults.arm(0, platform::FaultEnv::Fault::kFail, "T250907");
    const platform::Status first = terminal.put(as_bytes("line one\r\n"));
    EXPECT_EQ(first.id(), MessageId::kCannotWriteFile);
    EXPECT_EQ(first.subject(), log);
    EXPECT_FALSE(terminal.capturing());
    EXPECT_TRUE(terminal.put(as_bytes("line two\r\n")).ok());
    EXPECT_TRUE(terminal.stop_capture().ok());
    EXPECT_EQ(terminal.buffer().text(), "line one\nline two\n");

    EXPECT_EQ(terminal.start_capture(directory.file("missing/T.log")).id(),
              MessageId::kCannotOpenFile);
}

TEST(TerminalTest, PastedLinesAreTypedWithEnterBetweenThem) {
    EXPECT_EQ(pasted_keys("first line\r\nsecond"), "first line\rsecond");
    EXPECT_EQ(pasted_keys("a\nb\n"), "a\rb\r");
    EXPECT_EQ(pasted_keys("a\rb"), "a\rb");

    Bytes heard;
    LoopbackServer server([&](int fd) {
        send_all(fd, {255, 251, 1});  // the server echoes the second paste
        heard = read_until(fd, as_bytes("third"));
    });
    platform::EventLoop loop;
    TelnetSettings settings;
    settings.tls = false;
    auto connection = connect_for_test(loop, server.endpoint(), settings);
    ASSERT_TRUE(connection);
    Terminal terminal;
    // Before the option offers Enter is CR NUL; with local echo the text shows.
    ASSERT_TRUE(terminal.type(pasted_keys("first\nsecond\n"), *connection).ok());
    EXPECT_EQ(terminal.buffer().text(), "first\nsecond\n");
    ASSERT_TRUE(connection->send_option_offers().ok());
    loop.wait_for([&] { return !connection->local_echo(); }, loop.now() + 5000);
    ASSERT_TRUE(terminal.type(pasted_keys("x\r\nthird"), *connection).ok());
    EXPECT_EQ(terminal.buffer().text(), "first\nsecond\n");
    server.join();
    Bytes expected = as_bytes(std::string("first\r\0second\r\0", 15));
    const Bytes offers = {255, 251, 3, 255, 253, 3, 255, 251, 0, 255, 253, 0};
    expected.insert(expected.end(), offers.begin(), offers.end());
    const Bytes rest = as_bytes("x\rthird");
    expected.insert(expected.end(), rest.begin(), rest.end());
    EXPECT_EQ(heard, expected);
}

}  // namespace
}  // namespace orvane::connection
