#include "connection/zmodem_crc.h"

#include <zlib.h>

#include <array>

namespace orvane::connection::zmodem {

namespace {

// The usual table of the left-shifting CRC-16: entry i is the register after
// shifting the byte i through it.
constexpr std::array<uint16_t, 256> make_crc16_table() {
    std::array<uint16_t, 256> table{};
    for (unsigned i = 0; i < 256; ++i) {
        unsigned crc = i << 8;
        for (int bit = 0; bit < 8; ++bit) crc = crc & 0x8000 ? (crc << 1) ^ 0x1021 : crc << 1;
        table[i] = static_cast<uint16_t>(crc);
    }
    return table;
}

constexpr std::array<uint16_t, 256> kCrc16Table = make_crc16_table();

}  // namespace

uint16_t crc16_byte(uint8_t byte, uint16_t crc) {
    return static_cast<uint16_t>(kCrc16Table[(crc >> 8) ^ byte] ^ (crc << 8));
}

uint16_t crc16(std::span<const uint8_t> bytes, uint16_t crc) {
    for (uint8_t byte : bytes) crc = crc16_byte(byte, crc);
    return crc;
}

uint32_t crc32(std::span<const uint8_t> bytes, uint32_t crc) {
    // zlib takes its length as uInt; subpackets are far below that.
    return static_cast<uint32_t>(::crc32(crc, bytes.data(), static_cast<uInt>(bytes.size())));
}

}  // namespace orvane::connection::zmodem
