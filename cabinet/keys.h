// Keys of the cabinet's records. The first byte says what a record is;
// numbers inside keys are big-endian so that records sort in numeric order.
#pragma once

#include <cstddef>
#include <cstdint>

#include "texts/text_id.h"

namespace orvane::cabinet {

inline constexpr uint8_t kHeaderPrefix = 0x00;  // header (1 byte) and box table chunks (3 bytes)
inline constexpr uint8_t kListPrefix = 0x01;    // text and stamp lists of a box
inline constexpr uint8_t kTextPrefix = 0x02;    // stored texts
inline constexpr uint8_t kBoxRecordPrefix = 0x03;
// The words of the search index: every key from "!" up.
inline constexpr uint8_t kFirstIndexKeyByte = 0x21;

inline constexpr uint8_t kTextList = 0x00;
inline constexpr uint8_t kStampList = 0x01;

struct Key {
    uint8_t bytes[5] = {};
    size_t length = 0;
};

Key header_key();
// The chunk of the box table whose first entry is `first_index`.
Key chunk_key(uint16_t first_index);
Key list_key(uint8_t list, uint16_t box);
Key text_key(texts::TextId id);
Key box_record_key(uint16_t box);

}  // namespace orvane::cabinet
