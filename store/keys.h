// Key order: bytes compared after mapping through the collating table; a key
// that is a prefix of another sorts first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/handle.h"

namespace orvane::store {

int compare_keys(const Db& db, const uint8_t* a, size_t a_length, const uint8_t* b,
                 size_t b_length);
inline bool keys_equal(const Db& db, const uint8_t* a, size_t a_length, const uint8_t* b,
                       size_t b_length) {
    return compare_keys(db, a, a_length, b, b_length) == 0;
}

// The leading key_width() bytes of a key, collated and zero-padded, as an
// index entry holds them.
void cut_key(const Db& db, const uint8_t* key, size_t length, uint8_t* cut);

// Order of data entry `position` against a key given by its cut form and
// full length: <0 the block's first key is smaller, >0 greater, 0 equal.
// kUndecided when both are longer than the cut and the cut bytes tie, so
// that only the block's full first key can tell.
inline constexpr int kUndecided = 2;
int compare_entry(const Db& db, size_t position, const uint8_t* cut, size_t length);

}  // namespace orvane::store
