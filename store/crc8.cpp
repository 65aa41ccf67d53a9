#include "store/crc8.h"

#include <array>

namespace orvane::store {

namespace {

constexpr std::array<uint8_t, 256> make_table() {
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        uint8_t crc = static_cast<uint8_t>(i);
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? (crc >> 1) ^ 0x8E : crc >> 1;
        table[i] = crc;
    }
    return table;
}

constexpr std::array<uint8_t, 256> kTable = make_table();

}  // namespace

uint8_t crc8_update(uint8_t crc, const uint8_t* bytes, size_t length) {
    for (size_t i = 0; i < length; ++i) crc = kTable[crc ^ bytes[i]];
    return crc;
}

}  // namespace orvane::store
