// Reading the line: decoders that are fed the received bytes and say when a
// header or a data subpacket is complete. They never wait and never fail on
// any input, so that the protocol code around them owns all time limits and
// the fuzzer can drive them directly.
//
// Both undo ZDLE escapes the same way: ZDLE and "l" or "m" give 0x7F or
// 0xFF, ZDLE and a byte whose bits 0x60 are 0x40 give that byte XOR 0x40,
// ZDLE and "h" to "k" end a subpacket; anything else after ZDLE is an error.
// Bare flow-control bytes (XON, XOFF, with or without 0x80) are line noise
// and dropped: a sender escapes them. Five CAN (0x18) in a row cancel.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "connection/zmodem_frames.h"

namespace orvane::connection::zmodem {

enum class HeaderFormat : uint8_t { kHex, kBinary16, kBinary32 };

// Bytes that do not start a header which the search skips before it gives up.
inline constexpr size_t kGarbageLimit = 5000;

class HeaderDecoder {
  public:
    enum class Event {
        kMore,     // feed more
        kHeader,   // header() and format() are valid
        kBad,      // a header began but was garbled or failed its CRC
        kGarbage,  // more than the garbage limit skipped without a header
        kCancel,   // five CAN in a row
    };

    explicit HeaderDecoder(size_t garbage_limit = kGarbageLimit) : garbage_limit_(garbage_limit) {}

    // Forgets a header begun and the bytes skipped.
    void reset();
    Event feed(uint8_t byte);

    const Header& header() const { return header_; }
    HeaderFormat format() const { return format_; }

  private:
    enum class State { kSearch, kPad, kPadZdle, kHex, kBinary };
    Event skip();
    Event hex_digit(uint8_t byte);
    Event binary_byte(uint8_t byte);
    Event finish();

    size_t garbage_limit_;
    State state_ = State::kSearch;
    size_t skipped_ = 0;
    int cans_ = 0;
    bool escaped_ = false;
    HeaderFormat format_ = HeaderFormat::kHex;
    uint8_t body_[9] = {};  // type, four bytes, CRC
    size_t have_ = 0;       // bytes (binary) or hex digits (hex) so far
    Header header_;
};

class SubpacketDecoder {
  public:
    enum class Event {
        kMore,       // feed more
        kDone,       // data() is complete and its CRC good; see end()
        kBadCrc,     // complete, but the CRC does not match
        kBadEscape,  // ZDLE followed by something that is no escape
        kTooLong,    // more data than the limit
        kCancel,     // five CAN in a row
    };

    SubpacketDecoder() : buffer_(kMaxSubpacket) {}

    // Begins a subpacket of at most `limit` (up to kMaxSubpacket) bytes.
    void start(bool crc32, size_t limit = kMaxSubpacket);
    // Decodes from the front of `input` until the subpacket is complete or
    // wrong (*event not kMore) or the input is used up; returns the number
    // of bytes used.
    size_t feed(std::span<const uint8_t> input, Event* event);
    // The data so far; valid until the next start().
    std::span<const uint8_t> data() const { return {buffer_.data(), length_}; }
    FrameEnd end() const { return static_cast<FrameEnd>(end_); }

  private:
    enum class State { kData, kEscaped, kCheck };
    // One byte that is not plain data, or any byte after a ZDLE or of the
    // CRC.
    Event step(uint8_t byte);
    Event append(int value);
    Event check_complete() const;

    std::vector<uint8_t> buffer_;
    size_t length_ = 0;
    size_t limit_ = kMaxSubpacket;
    bool crc32_ = true;
    State state_ = State::kData;
    int cans_ = 0;
    uint8_t end_ = 0;  // the frame end once seen
    uint8_t check_[4] = {};
    size_t check_have_ = 0;
    bool check_escaped_ = false;  // a ZDLE came within the CRC
};

}  // namespace orvane::connection::zmodem
