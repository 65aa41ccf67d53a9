#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "packet/body_lines.h"
#include "packet/file_embedding.h"
#include "packet/packet_header.h"

namespace orvane::packet {
namespace {

std::span<const uint8_t> bytes_of(const std::string& s) {
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// An independent decoder of the shift coding, written from the table of
// classes rather than from the encoder: each class lists its byte values in
// ascending order against the 85 characters of its column.
std::string shift_decode(const std::string& text) {
    const std::string alphabet =
        "!\"#$%&'()*+,-./0123456789:;<=>?ABCDEFGHIJKLMNOPQRSTUVWXYZ_`abcdefghijklmnopqrstuvwxyz";
    std::vector<int> class0, class1, class2;
    for (int b = 1; b < 256; ++b) {
        if ((b >= 32 && b <= 63) || (b >= 65 && b <= 90) || (b >= 96 && b <= 122))
            class0.push_back(b);
        else if (b >= 171)
            class2.push_back(b);
        else
            class1.push_back(b);
    }
    // Class 0 and 1 characters per their runs; class 2 in alphabet order.
    auto char_of = [&](int cls, int b) -> char {
        if (cls == 0) return b == 32 ? '_' : static_cast<char>(b);
        if (cls == 2) return alphabet[b - 171];
        if (b <= 26) return static_cast<char>('A' + b - 1);
        if (b <= 31) return ";<=>?"[b - 27];
        if (b == 64) return '_';
        if (b <= 95) return "!\"#$%"[b - 91];
        return "&'()*+,-./0123456789:`abcdefghijklmnopqrstuvwxyz"[b - 123];
    };
    std::vector<std::vector<int>*> classes = {&class0, &class1, &class2};
    std::string out;
    int current = 0;
    int once = -1;
    for (char c : text) {
        if (c == '~') {
            out += '\0';
            continue;
        }
        if (c >= '{' && c <= '}') {
            current = c - '{';
            continue;
        }
        if (c == '[' || c == '\\' || c == ']') {
            once = c == '[' ? 0 : c == '\\' ? 1 : 2;
            continue;
        }
        int cls = once >= 0 ? once : current;
        once = -1;
        int found = -1;
        for (int b : *classes[cls]) {
            if (char_of(cls, b) == c) found = b;
        }
        EXPECT_GE(found, 0) << "no byte for '" << c << "' in class " << cls;
        out += static_cast<char>(found);
    }
    return out;
}

// A plain Base64 decoder (RFC 4648 alphabet), independent of the encoder.
std::string base64_decode(const std::string& text) {
    const std::string digits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (char c : text) {
        if (c == '=') break;
        size_t value = digits.find(c);
        EXPECT_NE(value, std::string::npos) << "not Base64: " << c;
        bits = bits << 6 | static_cast<uint32_t>(value);
        count += 6;
        if (count >= 8) {
            count -= 8;
            out += static_cast<char>((bits >> count) & 0xFF);
        }
    }
    return out;
}

TEST(ShiftCodingTest, KnownVectors) {
    EXPECT_EQ(shift_encode(bytes_of(std::string("\x00\x41\x01\x01\x41", 5))), "~A|AA[A");
    EXPECT_EQ(shift_encode(bytes_of("Hello, world @ 1")), "Hello,_world_\\__1");
    EXPECT_EQ(shift_encode(bytes_of("\xE9\x41")), "]dA");
    EXPECT_EQ(shift_encode({}), "");
}

TEST(ShiftCodingTest, EveryByteSurvivesTheRoundTrip) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    std::string random(5000, '\0');
    std::mt19937 rng(3);
    for (char& c : random) c = static_cast<char>(rng());
    std::string text =
        "Dear Ann,\n\tthe meeting @ 10:00 [room 5] is {moved}; see ~you~.\n\xE9t\xE9\n";
    for (const std::string& input : {all, random, text, std::string("\x01\x00\x01", 3)}) {
        std::string encoded = shift_encode(bytes_of(input));
        for (char c : encoded) EXPECT_TRUE(c > 32 && c < 127 && c != '@') << int(c);
        EXPECT_EQ(shift_decode(encoded), input);
    }
}

TEST(EmbeddingTest, TextIsShiftCodedAndBinaryIsBase64) {
    std::string text;
    for (int i = 0; i < 200; ++i)
        text += "A plain line of a letter, number " + std::to_string(i) + ".\r\n";
    EXPECT_EQ(choose_encoding(bytes_of(text)), kShiftEncoding);
    std::string noise(3000, '\0');
    std::mt19937 rng(11);
    for (char& c : noise) c = static_cast<char>(rng());
    EXPECT_EQ(choose_encoding(bytes_of(noise)), kBase64Encoding);
    EXPECT_EQ(choose_encoding({}), kShiftEncoding) << "an empty file costs nothing either way";

    std::string encoded = base64_encode(bytes_of(noise));
    auto lines = encoded_lines(encoded);
    for (size_t i = 0; i + 1 < lines.size(); ++i) EXPECT_EQ(lines[i].size(), 76u);
    EXPECT_EQ(base64_decode(encoded), noise);
    for (const char* tail : {"a", "ab", "abc", "abcd"})
        EXPECT_EQ(base64_decode(base64_encode(bytes_of(tail))), tail);
}

TEST(BodyLinesTest, TextRulesDoubleAtSignsAndDropTrailingBlanks) {
    auto lines = body_lines("@home\nplain  \t\n\n@@x\n", BodyRules::kText, 76);
    EXPECT_EQ(lines, (std::vector<std::string>{"@@home", "plain", "", "@@@x"}));
    EXPECT_EQ(body_lines("@home\n", BodyRules::kCommand, 76), std::vector<std::string>{"@home"});
    EXPECT_TRUE(body_lines("", BodyRules::kText, 76).empty());
}

TEST(BodyLinesTest, LongLinesWrapBeforeTheWordThatCrossesTheWidth) {
    // Width 20: "aaaa bbbb cccc dddd " is 20 columns; "eeee" crosses.
    auto lines = body_lines("aaaa bbbb cccc dddd eeee ffff\n", BodyRules::kText, 20);
    EXPECT_EQ(lines, (std::vector<std::string>{"aaaa bbbb cccc dddd", "eeee ffff"}));
    // A word longer than the width at the start is cut where it crosses.
    lines = body_lines(std::string(45, 'x') + " end\n", BodyRules::kText, 20);
    EXPECT_EQ(lines,
              (std::vector<std::string>{std::string(20, 'x'), std::string(20, 'x'), "xxxxx end"}));
    // Widths below 20 count as 20; tabs go to the next multiple of 8.
    lines = body_lines("\t\tab cd ef\n", BodyRules::kText, 5);
    EXPECT_EQ(lines, (std::vector<std::string>{"\t\tab", "cd ef"}));
    // Commands are never wrapped.
    std::string long_command = "@sub " + std::string(300, 'y');
    EXPECT_EQ(body_lines(long_command, BodyRules::kCommand, 20),
              std::vector<std::string>{long_command});
    // A wrapped continuation that begins with "@" is doubled too.
    lines = body_lines("aaaa bbbb cccc dddd @eee\n", BodyRules::kText, 20);
    EXPECT_EQ(lines, (std::vector<std::string>{"aaaa bbbb cccc dddd", "@@eee"}));
}

TEST(PacketHeaderTest, VersionAndZoneLines) {
    EXPECT_EQ(version_line(6 | 1 << 8 | 94 << 16), "@VERS 55 Win 0601");
    EXPECT_EQ(time_zone_line_for_offset(0), "@TZ -0000");
    EXPECT_EQ(time_zone_line_for_offset(3600), "@TZ +0100");
    EXPECT_EQ(time_zone_line_for_offset(-5 * 3600), "@TZ -0500");
    EXPECT_EQ(time_zone_line_for_offset(5 * 3600 + 1800), "@TZ +0530");
    EXPECT_EQ(time_zone_line_for_offset(-(9 * 3600 + 1800)), "@TZ -0930");

    const char* old = std::getenv("TZ");
    std::string saved = old ? old : "";
    setenv("TZ", "UTC0", 1);
    tzset();
    EXPECT_EQ(time_zone_line(1757246400), "@TZ -0000");
    setenv("TZ", "CET-1CEST,M3.5.0,M10.5.0/3", 1);
    tzset();
    EXPECT_EQ(time_zone_line(1757246400), "@TZ +0100") << "summer time is left out";
    if (old)
        setenv("TZ", saved.c_str(), 1);
    else
        unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace orvane::packet
