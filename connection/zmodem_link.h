// One side of a Zmodem line over a ByteChannel, written as coroutines: it
// reads headers, subpackets and single bytes with the per-byte time limit,
// and queues encoded frames for the peer. Waits resume from the loop's
// events and deadlines come from the loop's clock, so the same code runs
// over the Telnet connection, over stdin/stdout and over a memory pair on a
// virtual clock.
//
// Output gathers in a local buffer and goes to the channel at push(); every
// read pushes first, so that nothing we wait an answer for is held back.
//
// (GCC 12 miscompiles a co_await inside the condition of an if statement
// whose branch returns from the coroutine; results of co_await are taken
// into a variable first throughout this folder.)
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "connection/zmodem_decoder.h"
#include "connection/zmodem_encoder.h"
#include "connection/zmodem_frames.h"
#include "platform/byte_channel.h"
#include "platform/task.h"

namespace orvane::connection::zmodem {

// The limit for every byte awaited inside a frame, and for a header to come.
inline constexpr uint32_t kByteTimeoutMs = 5000;

// Message `id` about the file `name`. (A plain function: braced message
// arguments must not live across a co_await.)
platform::Status file_status(platform::MessageId id, const std::string& name);

struct Incoming {
    enum class Kind {
        kHeader,     // header and format are valid
        kTimeout,    // no byte within the limit
        kBad,        // a garbled header or one with a wrong CRC
        kGarbage,    // the garbage limit was reached without a header
        kCancelled,  // the peer sent five CAN
        kEnded,      // the line is closed
    };
    Kind kind = Kind::kTimeout;
    Header header;
    HeaderFormat format = HeaderFormat::kHex;

    bool is(FrameType type) const { return kind == Kind::kHeader && header.type == type; }
    // Data subpackets after a binary header carry the same kind of CRC.
    bool crc32() const { return format == HeaderFormat::kBinary32; }
};

struct SubpacketIn {
    enum class Kind { kData, kTimeout, kBad, kCancelled, kEnded };
    Kind kind = Kind::kTimeout;
    FrameEnd end = FrameEnd::kZcrce;
    // The data of a good subpacket, valid until the next read.
    std::span<const uint8_t> data;
};

class Link {
  public:
    explicit Link(platform::ByteChannel& channel, uint32_t byte_timeout_ms = kByteTimeoutMs)
        : channel_(channel), byte_timeout_ms_(byte_timeout_ms) {}

    platform::ByteChannel& channel() { return channel_; }
    platform::EventLoop& loop() { return channel_.loop(); }
    uint32_t byte_timeout_ms() const { return byte_timeout_ms_; }

    // --- Sending ---
    // A hex header goes out at once, except ZDATA, whose data follow.
    void send_hex_header(const Header& header);
    void send_binary_header(const Header& header, bool crc32);
    void send_subpacket(std::span<const uint8_t> data, FrameEnd end, bool crc32);
    void send_raw(std::span<const uint8_t> bytes);
    // Hands the queued output to the channel. A channel that refuses it has
    // ended, which the next read reports.
    void push();
    // Pushes when much output has gathered, lets the loop run (so that
    // answers of the peer arrive while we stream), and holds back while
    // the channel has too much waiting. False when the output stopped
    // moving for the byte limit, or the line ended.
    platform::Task<bool> pace();
    // Pushes and waits until the channel has handed everything on; false
    // when it stopped moving for the byte limit.
    platform::Task<bool> drain();

    // --- Receiving ---
    platform::Task<Incoming> read_header();
    // Reads a data subpacket (at most kMaxSubpacket bytes).
    platform::Task<SubpacketIn> read_subpacket(bool crc32);
    // The next raw byte within `wait_ms`, or -1 (time-out or end of line).
    platform::Task<int> read_byte(uint32_t wait_ms);
    // Drops whatever has arrived.
    void discard_input();
    // Why the line ended, for a transfer it broke off.
    platform::Status end_status() const;

    // Cancels the transfer: drops queued output, sends ten CAN, drops the
    // input and flushes; then reads until the peer's own ten CAN came or
    // 2000 ms passed without a byte, so that what the peer still sends does
    // not reach whoever reads the line next.
    platform::Task<void> cancel();

  private:
    uint32_t deadline(uint32_t wait_ms) { return loop().now() + wait_ms; }
    // co_await input(ms): true when a byte has arrived or arrives in time.
    platform::ByteChannel::ReadableAwaiter input(uint32_t wait_ms);
    platform::Task<bool> wait_output(size_t limit);
    platform::Task<void> skip_line_end();

    platform::ByteChannel& channel_;
    uint32_t byte_timeout_ms_;
    FrameEncoder encoder_;
    HeaderDecoder header_decoder_;
    SubpacketDecoder subpacket_decoder_;
    std::vector<uint8_t> output_;
    platform::Status write_status_;
};

}  // namespace orvane::connection::zmodem
