#include "store/crc8.h"

#include <array>

namespace orvane::store {

namespace {

// kTables[k][b]: the CRC step for byte b followed by k zero bytes, so that
// eight bytes can be folded in at once.
using Tables = std::array<std::array<uint8_t, 256>, 8>;

constexpr Tables make_tables() {
    Tables t{};
    for (int i = 0; i < 256; ++i) {
        uint8_t crc = static_cast<uint8_t>(i);
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0x8E : crc >> 1;
        t[0][i] = crc;
    }
    for (int k = 1; k < 8; ++k)
        for (int i = 0; i < 256; ++i) t[k][i] = t[0][t[k - 1][i]];
    return t;
}

constexpr Tables kTables = make_tables();

}  // namespace

uint8_t crc8_update(uint8_t crc, const uint8_t* bytes, size_t length) {
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        crc = kTables[7][crc ^ bytes[i]] ^ kTables[6][bytes[i + 1]] ^ kTables[5][bytes[i + 2]] ^
              kTables[4][bytes[i + 3]] ^ kTables[3][bytes[i + 4]] ^ kTables[2][bytes[i + 5]] ^
              kTables[1][bytes[i + 6]] ^ kTables[0][bytes[i + 7]];
    }
    for (; i < length; ++i) crc = kTables[0][crc ^ bytes[i]];
    return crc;
}

}  // namespace orvane::store
