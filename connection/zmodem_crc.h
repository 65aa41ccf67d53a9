// The two checks of Zmodem frames: CRC-16 with polynomial 0x1021 (sent high
// byte first) and CRC-32 as zlib computes it (sent low byte first).
#pragma once

#include <cstdint>
#include <span>

namespace orvane::connection::zmodem {

// CRC-16 of `bytes` continued from `crc` (0 to start).
uint16_t crc16(std::span<const uint8_t> bytes, uint16_t crc = 0);
uint16_t crc16_byte(uint8_t byte, uint16_t crc);

// CRC-32 of `bytes` continued from `crc` (0 to start), zlib's crc32().
uint32_t crc32(std::span<const uint8_t> bytes, uint32_t crc = 0);

}  // namespace orvane::connection::zmodem
