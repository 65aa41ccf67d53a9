#include "connection/telnet_parser.h"

#include <gtest/gtest.h>

#include "connection/telnet_protocol.h"

namespace orvane::connection {
namespace {

using Bytes = std::vector<uint8_t>;
using State = TelnetParser::State;

struct Parsed {
    Bytes data;
    std::vector<OptionRequest> requests;
};

// Feeds `input` in pieces of the given sizes (the rest in one piece).
Parsed parse(const Bytes& input, const std::vector<size_t>& pieces = {},
             TelnetParser* parser_used = nullptr) {
    TelnetParser own;
    TelnetParser& parser = parser_used ? *parser_used : own;
    Parsed parsed;
    size_t at = 0;
    auto feed_piece = [&](size_t length) {
        std::span<const uint8_t> piece(input.data() + at, length);
        size_t used = 0;
        while (used < piece.size()) {
            std::optional<OptionRequest> request;
            used += parser.feed(piece.subspan(used), &parsed.data, &request);
            if (request) parsed.requests.push_back(*request);
        }
        at += length;
    };
    for (size_t length : pieces) feed_piece(std::min(length, input.size() - at));
    feed_piece(input.size() - at);
    return parsed;
}

TEST(TelnetParserTest, KeepsDataAndDoubledIacAndDropsCommandsWithoutOption) {
    // NOP (241), GA (249), a stray SE (240) and DM (242) vanish; IAC IAC is one 255.
    const Bytes input = {'a', 255, 241, 'b', 255, 249, 255, 240, 255, 242, 'c', 255, 255, 'd'};
    const Parsed parsed = parse(input);
    EXPECT_EQ(parsed.data, (Bytes{'a', 'b', 'c', 255, 'd'}));
    EXPECT_TRUE(parsed.requests.empty());
}

TEST(TelnetParserTest, StopsAfterEachOptionRequestSoTheCallerCanSwitchLayers) {
    const Bytes input = {'x', 255, 253, 46, 0x16, 0x03, 0x01};  // DO START_TLS, then TLS bytes
    TelnetParser parser;
    Bytes data;
    std::optional<OptionRequest> request;
    const size_t used = parser.feed(input, &data, &request);
    EXPECT_EQ(used, 4u);
    ASSERT_TRUE(request);
    EXPECT_EQ(*request, (OptionRequest{telnet::kDo, 46}));
    EXPECT_EQ(data, (Bytes{'x'}));
    EXPECT_EQ(parser.state(), State::kData);
}

TEST(TelnetParserTest, SubnegotiationIsSkippedUpToIacSe) {
    // SB TERMINAL-TYPE SEND, with a stray IAC x inside, then IAC SE.
    Parsed parsed = parse({'a', 255, 250, 24, 1, 'v', 't', 255, 7, 'z', 255, 240, 'b'});
    EXPECT_EQ(parsed.data, (Bytes{'a', 'b'}));

    // IAC IAC inside is an escaped 255: a later byte 240 does not end it.
    parsed = parse({255, 250, 24, 255, 255, 240, 'h', 'i', 'd', 255, 240, 'b'});
    EXPECT_EQ(parsed.data, (Bytes{'b'}));
    EXPECT_TRUE(parsed.requests.empty());
}

TEST(TelnetParserTest, EndlessSubnegotiationCostsNothingAndYieldsNothing) {
    TelnetParser parser;
    Bytes data;
    std::optional<OptionRequest> request;
    const Bytes start = {255, 250, 24};
    (void)parser.feed(start, &data, &request);
    Bytes filler(1 << 20, 'x');
    filler[1000] = 255;  // IAC followed by 'x': still inside
    for (int round = 0; round < 16; ++round) {
        EXPECT_EQ(parser.feed(filler, &data, &request), filler.size());
        EXPECT_FALSE(request);
    }
    EXPECT_TRUE(data.empty());
    EXPECT_NE(parser.state(), State::kData);
    const Bytes end = {255, 240, 'o', 'k'};
    (void)parser.feed(end, &data, &request);
    EXPECT_EQ(data, (Bytes{'o', 'k'}));
}

TEST(TelnetParserTest, CommandsCutAtAnyPieceBoundaryParseAlike) {
    const Bytes input = {'a', 255, 255, 'b', 255, 251, 1,   255, 250, 24,  1,   255, 255, 240,
                         255, 240, 'c', 255, 253, 46,  255, 241, 'd', 255, 254, 0,   255};
    const Parsed whole = parse(input);
    for (size_t first = 0; first <= input.size(); ++first) {
        for (size_t second = 0; first + second <= input.size(); ++second) {
            const Parsed pieces = parse(input, {first, second});
            ASSERT_EQ(pieces.data, whole.data) << first << "+" << second;
            ASSERT_EQ(pieces.requests, whole.requests) << first << "+" << second;
        }
    }
    std::vector<size_t> single(input.size(), 1);
    EXPECT_EQ(parse(input, single).data, whole.data);
}

TEST(TelnetEncodingTest, DoublesIacAndEndsLinesByMode) {
    Bytes out;
    const Bytes data = {'a', 255, 'b', 255, 255};
    append_telnet_data(&out, data);
    EXPECT_EQ(out, (Bytes{'a', 255, 255, 'b', 255, 255, 255, 255}));
    out.clear();
    append_line_end(&out, false);
    EXPECT_EQ(out, (Bytes{13, 0}));
    out.clear();
    append_line_end(&out, true);
    EXPECT_EQ(out, (Bytes{13}));
}

}  // namespace
}  // namespace orvane::connection
