// A text as the cabinet stores it (key 02 + id): a fixed part of 38 bytes
// and variable parts reached through 16-bit offsets from the record start.
//
// Variable parts, in this order: the box array (when the text is in two or
// more boxes), the author, receiver items, link items, field items (the By or
// Via name, then an item of code 24 with the display width and the
// for-person name, close the field list), the subject, the body with its
// closing NUL.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "texts/text_record.h"

namespace orvane::cabinet {

inline constexpr size_t kStoredTextFixedSize = 38;
// The largest stored text; a larger one loses its receivers, then body.
inline constexpr size_t kMaxStoredText = 64480;
inline constexpr uint8_t kStoredTextFormat = 2;

// The stored form of `text`. Nothing when even without receivers and body
// it would not fit.
std::optional<std::vector<uint8_t>> encode_stored_text(const texts::TextRecord& text);

// The bytes `text` takes when stored whole, with its receivers and body;
// above kMaxStoredText the cabinet would have to cut it.
size_t stored_text_size(const texts::TextRecord& text);

// The length the record says it has (offset 8), or 0 when fewer than 10
// bytes are at hand.
size_t stored_text_length(const uint8_t* data, size_t length);

// Checks `length` bytes read under the key of `key_id` and rebuilds the
// text. Nothing when the record is damaged: shorter than its stored length,
// another id, an offset or list item outside the record, a string without
// its NUL.
std::optional<texts::TextRecord> decode_stored_text(const uint8_t* data, size_t length,
                                                    texts::TextId key_id);

// The stamp kept in a box's stamp list: the date with bit 0 replaced by the
// letter bit.
uint32_t text_stamp(const texts::TextRecord& text);

}  // namespace orvane::cabinet
