// Turns headers and data subpackets into the bytes on the line. Binary
// headers and subpackets are ZDLE-escaped: with escape-all every control
// character (0x00-0x1F, 0x80-0x9F) goes as ZDLE and the byte XOR 0x40, 0x7F
// as ZDLE "l"; in the reduced mode only ZDLE itself and the flow-control
// bytes (0x10, 0x11, 0x13, 0x18 and the same with 0x80) are escaped. 0xFF is
// always sent as ZDLE "m", so that it never reaches a Telnet layer as IAC.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "connection/zmodem_frames.h"

namespace orvane::connection::zmodem {

class FrameEncoder {
  public:
    // With `escape_all` false, the reduced mode.
    explicit FrameEncoder(bool escape_all = true);

    // Each appends to `out`.
    // "**", ZDLE, "B", type, four bytes and CRC-16 as lower-case hex, CR LF.
    void hex_header(const Header& header, std::vector<uint8_t>* out) const;
    // "*", ZDLE, "A" (CRC-16) or "C" (CRC-32), then type, bytes and CRC escaped.
    void binary_header(const Header& header, bool crc32, std::vector<uint8_t>* out) const;
    // The data escaped, ZDLE and the frame end, and the CRC over data and
    // frame end, escaped.
    void subpacket(std::span<const uint8_t> data, FrameEnd end, bool crc32,
                   std::vector<uint8_t>* out) const;

  private:
    void escaped(std::span<const uint8_t> bytes, std::vector<uint8_t>* out) const;

    // For each byte: 0 when it goes as it is, else the byte sent after ZDLE.
    std::array<uint8_t, 256> escape_{};
};

}  // namespace orvane::connection::zmodem
