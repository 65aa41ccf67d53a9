// The vocabulary of the Zmodem protocol: frame types, the special bytes of
// the line, the frame ends of data subpackets, the capability and option
// flags we use, and the header (a type with four bytes that are a file
// position or flags).
#pragma once

#include <array>
#include <cstdint>

namespace orvane::connection::zmodem {

enum class FrameType : uint8_t {
    kZrqinit = 0,  // sender: please send ZRINIT
    kZrinit = 1,   // receiver: ready, with its capabilities
    kZsinit = 2,   // sender: escaping wishes and attention string
    kZack = 3,     // acknowledge, with a position
    kZfile = 4,    // file information follows
    kZskip = 5,    // receiver: skip this file
    kZnak = 6,     // last header was garbled
    kZabort = 7,   // abort the batch
    kZfin = 8,     // finish the session
    kZrpos = 9,    // receiver: resume data at this position
    kZdata = 10,   // data subpackets follow
    kZeof = 11,    // end of file at this position
    kZferr = 12,   // fatal read or write error
    kZcrc = 13,    // request or reply of a file's CRC
    kZchallenge = 14,
    kZcompl = 15,
    kZcan = 16,  // the other side cancelled with CAN bytes
    kZfreecnt = 17,
    kZcommand = 18,
    kZstderr = 19,
};

inline constexpr uint8_t kZpad = '*';
inline constexpr uint8_t kZdle = 0x18;  // also CAN
inline constexpr uint8_t kCan = 0x18;
inline constexpr uint8_t kZbin = 'A';    // binary header with CRC-16
inline constexpr uint8_t kZhex = 'B';    // hex header with CRC-16
inline constexpr uint8_t kZbin32 = 'C';  // binary header with CRC-32
inline constexpr uint8_t kXon = 0x11;
inline constexpr uint8_t kXoff = 0x13;
// ZDLE escapes of the two bytes that cannot be sent as byte XOR 0x40.
inline constexpr uint8_t kZrub0 = 'l';  // 0x7F
inline constexpr uint8_t kZrub1 = 'm';  // 0xFF

// How a data subpacket ends, and what the receiver does next.
enum class FrameEnd : uint8_t {
    kZcrce = 'h',  // end of frame; a header follows
    kZcrcg = 'i',  // more data follows, no answer
    kZcrcq = 'j',  // more data follows, answer ZACK
    kZcrcw = 'k',  // end of frame, answer ZACK
};

// Whether a ZDLE followed by `code` marks a frame end.
inline bool is_frame_end(uint8_t code) {
    return code >= 'h' && code <= 'k';
}

// ZRINIT capability flags (ZF0).
inline constexpr uint8_t kCanFullDuplex = 0x01;
inline constexpr uint8_t kCanOverlapIo = 0x02;
inline constexpr uint8_t kCanCrc32 = 0x20;
inline constexpr uint8_t kEscapeControl = 0x40;
// ZRINIT ZF1 flag of our peers: the first header byte gives the largest
// block length in KiB.
inline constexpr uint8_t kBlockLengthInKiB = 0x40;
// ZSINIT ZF0: the sender wants every control character escaped.
inline constexpr uint8_t kWantEscapeControl = 0x40;
// ZFILE ZF0: resume an interrupted transfer.
inline constexpr uint8_t kResumeTransfer = 3;

// Where the named flag bytes sit among the four header bytes.
inline constexpr int kZf0 = 3;
inline constexpr int kZf1 = 2;

struct Header {
    FrameType type = FrameType::kZrqinit;
    std::array<uint8_t, 4> bytes{};

    // The four bytes as a little-endian file position.
    uint32_t position() const {
        return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
               static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
    }
    static Header at(FrameType type, uint32_t position) {
        return {type,
                {static_cast<uint8_t>(position), static_cast<uint8_t>(position >> 8),
                 static_cast<uint8_t>(position >> 16), static_cast<uint8_t>(position >> 24)}};
    }
    bool operator==(const Header&) const = default;
};

// Subpackets longer than this are refused; senders use at most 32 KiB.
inline constexpr size_t kMaxSubpacket = 32768;

}  // namespace orvane::connection::zmodem
