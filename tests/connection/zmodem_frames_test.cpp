// The bytes on the line: our frames against frames captured from lrzsz
// (sz answering a receiver that asked for escaped control characters and
// CRC-32, and one that asked for neither), escaping, and the decoders'
// limits.
#include <gtest/gtest.h>

#include <string>

#include "connection/zmodem_decoder.h"
#include "connection/zmodem_encoder.h"
#include "connection/zmodem_receiver.h"
#include "connection/zmodem_sender.h"

namespace orvane::connection::zmodem {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytes(std::string_view text) {
    return Bytes(text.begin(), text.end());
}
Bytes hex_header(const Header& header) {
    Bytes out;
    FrameEncoder().hex_header(header, &out);
    return out;
}
Bytes binary_header(const Header& header, bool crc32, bool escape_all = true) {
    Bytes out;
    FrameEncoder(escape_all).binary_header(header, crc32, &out);
    return out;
}
Bytes subpacket(std::string_view data, FrameEnd end, bool crc32, bool escape_all = true) {
    Bytes out;
    FrameEncoder(escape_all).subpacket(bytes(data), end, crc32, &out);
    return out;
}
Header flags(FrameType type, uint8_t zf0) {
    return {type, {0, 0, 0, zf0}};
}

// Frames sz sent for a file "h.txt" holding "hello\n".
const std::string_view kEscapedZdata =
    "*\x18"
    "C\x18J\x18@\x18@\x18@\x18@\xbc\xef\x18\xd2\x18\xcc";
const std::string_view kEscapedHello = "hello\x18J\x18h\x18_\x18\\3\xaa";
const std::string_view kEscapedZeof =
    "*\x18"
    "C\x18K\x18"
    "F\x18@\x18@\x18@\xd0\x18\xd9\x18\xd9\x18\xd4";
const std::string_view kPlainZdata{
    "*\x18"
    "A\n\x00\x00\x00\x00"
    "F\xae",
    10};
const std::string_view kPlainHello = "hello\n\x18h\r\x86";
const std::string_view kPlainZeof{
    "*\x18"
    "A\x0b\x06\x00\x00\x00\xcb"
    "f",
    10};

TEST(ZmodemFrames, HexHeadersAsLrzszWritesThem) {
    EXPECT_EQ(hex_header(flags(FrameType::kZrinit, 0x23)), bytes("**\x18"
                                                                 "B0100000023be50\r\n"));
    EXPECT_EQ(hex_header(flags(FrameType::kZrinit, 0x63)), bytes("**\x18"
                                                                 "B0100000063f694\r\n"));
    EXPECT_EQ(hex_header(Header::at(FrameType::kZrqinit, 0)), bytes("**\x18"
                                                                    "B00000000000000\r\n"));
}

TEST(ZmodemFrames, EscapedFramesWithCrc32AsSzSendsThem) {
    EXPECT_EQ(binary_header(flags(FrameType::kZfile, 0), true), bytes("*\x18"
                                                                      "C\x18"
                                                                      "D\x18@\x18@\x18@\x18@\xdd"
                                                                      "Q\xa2"
                                                                      "3"));
    EXPECT_EQ(binary_header(Header::at(FrameType::kZdata, 0), true), bytes(kEscapedZdata));
    EXPECT_EQ(subpacket("hello\n", FrameEnd::kZcrce, true), bytes(kEscapedHello));
    EXPECT_EQ(binary_header(Header::at(FrameType::kZeof, 6), true), bytes(kEscapedZeof));
}

TEST(ZmodemFrames, ReducedEscapingWithCrc16AsSzSendsIt) {
    EXPECT_EQ(binary_header(Header::at(FrameType::kZdata, 0), false, false), bytes(kPlainZdata));
    EXPECT_EQ(subpacket("hello\n", FrameEnd::kZcrce, false, false), bytes(kPlainHello));
    EXPECT_EQ(binary_header(Header::at(FrameType::kZeof, 6), false, false), bytes(kPlainZeof));
}

// How one data byte goes out: itself, or ZDLE and a code.
Bytes sent_as(uint8_t byte, bool escape_all) {
    Bytes out;
    FrameEncoder(escape_all).subpacket(Bytes{byte}, FrameEnd::kZcrcg, true, &out);
    return Bytes(out.begin(), out.begin() + (out[0] == 0x18 ? 2 : 1));
}

TEST(ZmodemFrames, EscapeTables) {
    // IAC never goes out as itself, in either mode; XON goes as ZDLE "Q".
    EXPECT_EQ(sent_as(0xFF, true), (Bytes{0x18, 'm'}));
    EXPECT_EQ(sent_as(0xFF, false), (Bytes{0x18, 'm'}));
    EXPECT_EQ(sent_as(0x11, true), (Bytes{0x18, 0x51}));
    EXPECT_EQ(sent_as(0x7F, true), (Bytes{0x18, 'l'}));
    EXPECT_EQ(sent_as(0x8D, true), (Bytes{0x18, 0xCD}));
    EXPECT_EQ(sent_as(0x0D, true), (Bytes{0x18, 0x4D}));
    EXPECT_EQ(sent_as(0x18, true), (Bytes{0x18, 0x58}));
    EXPECT_EQ(sent_as('A', true), (Bytes{'A'}));
    EXPECT_EQ(sent_as(0xA0, true), (Bytes{0xA0}));
    int escaped_all = 0, escaped_reduced = 0;
    for (int b = 0; b < 256; ++b) {
        escaped_all += sent_as(static_cast<uint8_t>(b), true).size() == 2;
        escaped_reduced += sent_as(static_cast<uint8_t>(b), false).size() == 2;
    }
    EXPECT_EQ(escaped_all, 66);     // 0x00-0x1F, 0x80-0x9F, 0x7F, 0xFF
    EXPECT_EQ(escaped_reduced, 8);  // 0x10 0x11 0x13 0x18 0x90 0x91 0x93 0xFF
    EXPECT_EQ(sent_as(0x0D, false), (Bytes{0x0D}));
    EXPECT_EQ(sent_as(0x93, false), (Bytes{0x18, 0xD3}));
}

// Feeds `wire` to a header decoder; the last event.
HeaderDecoder::Event decode(HeaderDecoder& decoder, const Bytes& wire) {
    HeaderDecoder::Event event = HeaderDecoder::Event::kMore;
    for (uint8_t byte : wire) {
        event = decoder.feed(byte);
        if (event != HeaderDecoder::Event::kMore) break;
    }
    return event;
}

TEST(ZmodemFrames, DecodersReadWhatSzSent) {
    HeaderDecoder headers;
    ASSERT_EQ(decode(headers, bytes(kEscapedZeof)), HeaderDecoder::Event::kHeader);
    EXPECT_EQ(headers.header(), Header::at(FrameType::kZeof, 6));
    EXPECT_EQ(headers.format(), HeaderFormat::kBinary32);
    ASSERT_EQ(decode(headers, bytes(kPlainZeof)), HeaderDecoder::Event::kHeader);
    EXPECT_EQ(headers.format(), HeaderFormat::kBinary16);
    ASSERT_EQ(decode(headers, bytes("rz\r**\x18"
                                    "B0100000023be50\r\x8a\x11")),
              HeaderDecoder::Event::kHeader);
    EXPECT_EQ(headers.header(), flags(FrameType::kZrinit, 0x23));

    for (auto [wire, crc32] : {std::pair{kEscapedHello, true}, std::pair{kPlainHello, false}}) {
        SubpacketDecoder decoder;
        decoder.start(crc32);
        SubpacketDecoder::Event event;
        const Bytes input = bytes(wire);
        EXPECT_EQ(decoder.feed(input, &event), input.size());
        EXPECT_EQ(event, SubpacketDecoder::Event::kDone);
        EXPECT_EQ(Bytes(decoder.data().begin(), decoder.data().end()), bytes("hello\n"));
        EXPECT_EQ(decoder.end(), FrameEnd::kZcrce);
    }
}

TEST(ZmodemFrames, DamagedHeadersAndSubpacketsAreRefused) {
    Bytes zeof = bytes(kEscapedZeof);
    zeof[6] ^= 1;
    HeaderDecoder headers;
    EXPECT_EQ(decode(headers, zeof), HeaderDecoder::Event::kBad);
    // A frame end inside a header.
    EXPECT_EQ(decode(headers, bytes("*\x18"
                                    "C\x18h")),
              HeaderDecoder::Event::kBad);
    EXPECT_EQ(decode(headers, bytes("**\x18"
                                    "B01x")),
              HeaderDecoder::Event::kBad);

    Bytes hello = bytes(kEscapedHello);
    hello[1] ^= 0x20;
    SubpacketDecoder decoder;
    SubpacketDecoder::Event event;
    decoder.start(true);
    (void)decoder.feed(hello, &event);  // how much it used does not matter here
    EXPECT_EQ(event, SubpacketDecoder::Event::kBadCrc);
    decoder.start(true);
    (void)decoder.feed(bytes("ab\x18\x01"), &event);  // ditto
    EXPECT_EQ(event, SubpacketDecoder::Event::kBadEscape);
}

TEST(ZmodemFrames, LimitsOfTheReaders) {
    // Up to 5000 bytes are skipped looking for a header, not more.
    HeaderDecoder headers;
    EXPECT_EQ(decode(headers, Bytes(5000, 'x')), HeaderDecoder::Event::kMore);
    EXPECT_EQ(headers.feed('x'), HeaderDecoder::Event::kGarbage);
    Bytes late(4999, 'x');
    const Bytes zrinit = hex_header(flags(FrameType::kZrinit, 0x23));
    late.insert(late.end(), zrinit.begin(), zrinit.end());
    headers.reset();
    EXPECT_EQ(decode(headers, late), HeaderDecoder::Event::kHeader);
    // Five CAN cancel, in the search and inside data; four do not.
    headers.reset();
    EXPECT_EQ(decode(headers, Bytes(5, 0x18)), HeaderDecoder::Event::kCancel);
    SubpacketDecoder decoder;
    SubpacketDecoder::Event event;
    decoder.start(true);
    (void)decoder.feed(bytes("abc\x18\x18\x18\x18\x18"), &event);  // the event is what counts
    EXPECT_EQ(event, SubpacketDecoder::Event::kCancel);
    // Bare XON and XOFF are line noise; an escaped one is data.
    decoder.start(false);
    Bytes noisy = bytes("\x11he\x13\x91llo\x93\n\x18h\r\x86");
    EXPECT_EQ(decoder.feed(noisy, &event), noisy.size());
    EXPECT_EQ(event, SubpacketDecoder::Event::kDone);
    EXPECT_EQ(Bytes(decoder.data().begin(), decoder.data().end()), bytes("hello\n"));
    // Subpackets are at most 32 KiB.
    decoder.start(true);
    (void)decoder.feed(Bytes(kMaxSubpacket + 1, 'a'), &event);  // ditto
    EXPECT_EQ(event, SubpacketDecoder::Event::kTooLong);
}

TEST(ZmodemFrames, WhatZrinitSaysAndAsks) {
    EXPECT_EQ(zrinit_bytes(8192), (std::array<uint8_t, 4>{0x20, 0x08, 0x40, 0x63}));
    EXPECT_EQ(zrinit_bytes(0), (std::array<uint8_t, 4>{0x20, 0x00, 0x40, 0x63}));
    EXPECT_EQ(zrinit_bytes(131072)[1], 128);
    EXPECT_EQ(zrinit_bytes(1536)[1], 2);  // rounded

    const ReceiverCapabilities eight =
        receiver_capabilities({FrameType::kZrinit, {8, 0, 0x40, 0x23}}, 0);
    EXPECT_EQ(eight.max_block, 8192u);
    EXPECT_TRUE(eight.crc32);
    EXPECT_FALSE(eight.escapes_control);
    EXPECT_EQ(receiver_capabilities({FrameType::kZrinit, {8, 0, 0, 0x63}}, 0).max_block, 1024u);
    EXPECT_EQ(receiver_capabilities({FrameType::kZrinit, {40, 0, 0x40, 0}}, 0).max_block, 32768u);
    // A first byte of 0 would mean blocks of nothing.
    EXPECT_EQ(receiver_capabilities({FrameType::kZrinit, {0, 0, 0x40, 0}}, 0).max_block, 1024u);
    // A window allows blocks of a quarter of it.
    EXPECT_EQ(receiver_capabilities({FrameType::kZrinit, {32, 0, 0x40, 0}}, 8192).max_block, 2048u);
    EXPECT_TRUE(receiver_capabilities({FrameType::kZrinit, {0, 0, 0, 0x63}}, 0).escapes_control);
}

}  // namespace
}  // namespace orvane::connection::zmodem
