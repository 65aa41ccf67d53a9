#include "connection/terminal_buffer.h"

#include <gtest/gtest.h>

#include <string>

namespace orvane::connection {
namespace {

std::string after(std::string_view input) {
    TerminalBuffer buffer;
    for (char c : input) buffer.put(static_cast<uint8_t>(c));
    return std::string(buffer.text());
}

TEST(TerminalBufferTest, CarriageReturnRewritesTheLineUnlessALineFeedFollows) {
    EXPECT_EQ(after("abc\rxy"), "xy");
    EXPECT_EQ(after("abc\r\n"), "abc\n");
    EXPECT_EQ(after("abc\r\r\nnext"), "abc\nnext");
    EXPECT_EQ(after("one\ntwo\rT"), "one\nT");
    EXPECT_EQ(after("abc\n"), "abc\n");
}

TEST(TerminalBufferTest, BackspaceStaysWithinTheCurrentLineAndLetsTextBeOverwritten) {
    EXPECT_EQ(after("\bx"), "x");
    EXPECT_EQ(after("\b\b\b"), "");
    EXPECT_EQ(after("abc\bX"), "abX");
    EXPECT_EQ(after("abc\b\b\b\bZ"), "Zbc");
    EXPECT_EQ(after("abc\b\n"), "abc\n");                // the line end goes after the whole line
    EXPECT_EQ(after("ab\n\bc"), "ab\nc");                // not back into the finished line
    EXPECT_EQ(after("a\tb\bc"), "a\tc");                 // a tab is one character
    EXPECT_EQ(after(std::string("a\0b\ac", 5)), "abc");  // NUL and BEL are ignored
}

TEST(TerminalBufferTest, AFullBufferHandsItsOldestBytesToTheCaptureBeforeDroppingThem) {
    std::string saved;
    TerminalBuffer buffer(
        [&](std::span<const uint8_t> text) { saved.append(text.begin(), text.end()); });
    std::string input;
    for (int line = 0; input.size() < 3 * kTerminalTextSize; ++line) {
        input += "line " + std::to_string(line) + " of the session\n";
    }
    input += "partial";
    for (char c : input) {
        buffer.put(static_cast<uint8_t>(c));
        ASSERT_LE(buffer.text().size(), kTerminalTextSize);
    }
    // The window keeps the newest text; the capture has every finished
    // line, each once, whether it was dropped from the window or not.
    EXPECT_TRUE(input.ends_with(buffer.text()));
    EXPECT_GT(buffer.text().size(), kTerminalTextSize - kTerminalDropSize);
    EXPECT_EQ(saved, input.substr(0, input.size() - std::string("partial").size()));
    EXPECT_EQ(buffer.line_count(),
              static_cast<size_t>(std::count(buffer.text().begin(), buffer.text().end(), '\n')));
    buffer.save(true);
    EXPECT_EQ(saved, input + "\n");
}

TEST(TerminalBufferTest, ALineLongerThanTheBufferIsCapturedWhole) {
    std::string saved;
    TerminalBuffer buffer(
        [&](std::span<const uint8_t> text) { saved.append(text.begin(), text.end()); });
    std::string line(200000, 'x');
    for (size_t i = 0; i < line.size(); i += 1000) line[i] = 'y';
    for (char c : line) buffer.put(static_cast<uint8_t>(c));
    EXPECT_LE(buffer.text().size(), kTerminalTextSize);
    buffer.put('\n');
    buffer.save(true);
    EXPECT_EQ(saved, line + "\n");
}

TEST(TerminalBufferTest, SavingLeavesNothingTwice) {
    std::string saved;
    TerminalBuffer buffer(
        [&](std::span<const uint8_t> text) { saved.append(text.begin(), text.end()); });
    for (char c : std::string("first\nsecond\npart")) buffer.put(static_cast<uint8_t>(c));
    EXPECT_EQ(saved, "first\nsecond\n");
    buffer.save(false);
    EXPECT_EQ(saved, "first\nsecond\n");
    buffer.save(true);
    EXPECT_EQ(saved, "first\nsecond\npart\n");
    buffer.save(true);
    EXPECT_EQ(saved, "first\nsecond\npart\n");
}

}  // namespace
}  // namespace orvane::connection
