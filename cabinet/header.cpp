#include "cabinet/header.h"

#include <algorithm>
#include <cstring>

#include "platform/bytes.h"

namespace orvane::cabinet {

std::array<uint8_t, kHeaderSize> encode_header(const CabinetHeader& header) {
    std::array<uint8_t, kHeaderSize> bytes{};
    bytes[0] = header.format_level;
    bytes[1] = header.password_kind;
    platform::store_le16(&bytes[2], header.entry_count);
    platform::store_le32(&bytes[4], header.local_counter);
    bytes[8] = header.new_box_flags;
    bytes[9] = header.index_up_to_date;
    bytes[10] = header.index_kept;
    bytes[11] = header.fixed_box_numbers;
    std::copy(header.scrambled_password.begin(), header.scrambled_password.end(),
              bytes.begin() + 12);
    std::copy(header.reserved.begin(), header.reserved.end(), bytes.begin() + 44);
    return bytes;
}

std::optional<CabinetHeader> decode_header(const uint8_t* data, size_t length) {
    constexpr size_t kShortest = 32;
    if (length < kShortest || (data[1] != kNoPassword && length < kHeaderSize)) return std::nullopt;
    std::array<uint8_t, kHeaderSize> bytes{};
    std::memcpy(bytes.data(), data, std::min(length, kHeaderSize));
    CabinetHeader header;
    header.format_level = bytes[0];
    header.password_kind = bytes[1];
    header.entry_count = platform::load_le16(&bytes[2]);
    header.local_counter = platform::load_le32(&bytes[4]);
    header.new_box_flags = bytes[8];
    header.index_up_to_date = bytes[9];
    header.index_kept = bytes[10];
    header.fixed_box_numbers = bytes[11];
    std::copy(bytes.begin() + 12, bytes.begin() + 44, header.scrambled_password.begin());
    std::copy(bytes.begin() + 44, bytes.end(), header.reserved.begin());
    return header;
}

}  // namespace orvane::cabinet
