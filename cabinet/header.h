// The cabinet header (key 00): 64 bytes that describe the whole cabinet.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

namespace orvane::cabinet {

inline constexpr size_t kHeaderSize = 64;
inline constexpr uint8_t kFormatLevel = 55;
// Cabinets below this level name boxes 2 and 3 differently and are converted.
inline constexpr uint8_t kFirstCurrentLevel = 41;
inline constexpr uint8_t kNoPassword = 0;
inline constexpr uint8_t kWithPassword = 1;
// Local text identifiers stay below this value.
inline constexpr uint32_t kLocalIdLimit = 0xFF0000;
// Box numbers an old cabinet reserves for fixed boxes when its byte says 0.
inline constexpr uint8_t kOldFixedBoxNumbers = 14;
inline constexpr size_t kScrambledPasswordSize = 32;

struct CabinetHeader {
    uint8_t format_level = kFormatLevel;
    uint8_t password_kind = kNoPassword;
    uint16_t entry_count = 0;
    uint32_t local_counter = 0;  // the last local TextId given out
    uint8_t new_box_flags = 0;   // box flags for a new box that inherits from no directory
    uint8_t index_up_to_date = 0;
    uint8_t index_kept = 0;
    uint8_t fixed_box_numbers = 0;
    std::array<uint8_t, kScrambledPasswordSize> scrambled_password{};
    // Bytes 44-63, kept as found so that a later format's additions survive.
    std::array<uint8_t, kHeaderSize - 44> reserved{};

    bool operator==(const CabinetHeader&) const = default;
};

std::array<uint8_t, kHeaderSize> encode_header(const CabinetHeader& header);
// Nothing when the record is too short to be a header: under 32 bytes, or
// under 64 when it says a password is present. Missing bytes read as 0.
std::optional<CabinetHeader> decode_header(const uint8_t* data, size_t length);

}  // namespace orvane::cabinet
