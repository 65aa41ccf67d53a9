// The one checksum of the database format: an 8-bit CRC, reflected, with the
// polynomial x^8 + x^6 + x^5 + x^4 + 1 (0x8E reflected), starting at 0xFF and
// without a final XOR.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::store {

inline constexpr uint8_t kCrc8Start = 0xFF;

// Continues `crc` over `length` bytes.
uint8_t crc8_update(uint8_t crc, const uint8_t* bytes, size_t length);
inline uint8_t crc8_byte(uint8_t crc, uint8_t byte) {
    return crc8_update(crc, &byte, 1);
}
inline uint8_t crc8(const uint8_t* bytes, size_t length) {
    return crc8_update(kCrc8Start, bytes, length);
}

}  // namespace orvane::store
