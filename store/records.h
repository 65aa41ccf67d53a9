// The record area of a data block: a run of records, each
//   [prefix length P]  only with prefix-compressed keys, not for the first record
//   suffix length S, then S key bytes (the key is P bytes of the previous key + these)
//   data part: length byte L < 255 and L bytes; or 0xFF and a 16-bit H: bit 15
//   clear: H data bytes follow; bit 15 set: a long record whose data lies in
//   extension blocks (H bits 8-14 = block count, bit 7 = compressed, bits 0-6
//   = data length bits 16-22; then 16 bits of length, 24 bits of base >> 8).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace orvane::store {

inline constexpr size_t kMaxInlineData = 32767;
inline constexpr uint32_t kMaxExtensionBlocks = 127;
inline constexpr uint32_t kMaxLongData = (1u << 23) - 1;
inline constexpr size_t kLongDataPartSize = 8;

struct DataPart {
    bool is_long = false;
    uint32_t length = 0;             // the record's data length
    const uint8_t* bytes = nullptr;  // inline data
    uint32_t blocks = 0;             // long: number of extension blocks
    bool compressed = false;         // long: the pieces hold the LZ form
    uint32_t base = 0;               // long: extension key of the first piece
};

// Parses a data part; gives the bytes it takes, or 0 when malformed.
size_t parse_data_part(const uint8_t* p, size_t available, DataPart* part);
std::string encode_inline_data(const uint8_t* data, size_t length);
std::string encode_long_data(uint32_t length, uint32_t blocks, bool compressed, uint32_t base);

// Walks the records of an area in order, rebuilding full keys.
class RecordCursor {
  public:
    RecordCursor(const uint8_t* area, size_t length, bool prefixed)
        : area_(area), length_(length), prefixed_(prefixed) {}
    // Steps to the next record: false at the end of the area, or when the
    // record is malformed (then malformed() is true).
    bool next();
    bool malformed() const { return malformed_; }
    bool first() const { return offset_ == 0; }
    const uint8_t* key() const { return key_.data(); }
    size_t key_length() const { return key_length_; }
    const DataPart& data() const { return data_; }
    size_t offset() const { return offset_; }
    size_t end() const { return next_; }
    // Where the data part of the current record starts, and its size.
    size_t data_offset() const { return data_offset_; }

  private:
    const uint8_t* area_;
    size_t length_;
    bool prefixed_;
    bool malformed_ = false;
    size_t offset_ = 0;
    size_t next_ = 0;
    size_t data_offset_ = 0;
    std::array<uint8_t, 256> key_{};
    size_t key_length_ = 0;
    DataPart data_;
};

// A record taken apart for rewriting: its full key and encoded data part.
struct Record {
    std::string key;
    std::string data;
};
using Records = std::vector<Record>;

// False when the area is malformed.
bool decode_records(const uint8_t* area, size_t length, bool prefixed, Records* records);
// Size of record i in an area that begins with record `first`.
size_t record_size(const Records& records, size_t i, size_t first, bool prefixed);
// Size and bytes of records [first, last) as one block's area (the first
// with its full key).
size_t area_size(const Records& records, size_t first, size_t last, bool prefixed);
void encode_records(const Records& records, size_t first, size_t last, bool prefixed,
                    std::vector<uint8_t>* area);
size_t shared_prefix(const std::string& a, const std::string& b);

}  // namespace orvane::store
