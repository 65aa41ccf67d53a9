// Finding the place of a key: one binary search over the in-memory index
// (reading a block's first key only when cut keys tie), then a walk through
// the chosen block.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/handle.h"
#include "store/records.h"

namespace orvane::store {

enum class Seek {
    Before,     // the greatest key strictly less
    AtOrAfter,  // the smallest key greater than or equal
    After,      // the smallest key strictly greater
    Exact,      // equal, within the one block that could hold it
};

inline constexpr int kFoundEqual = 0;
inline constexpr int kFoundGreater = 1;
inline constexpr int kFoundNone = 2;

struct Found {
    int result = kFoundNone;
    size_t position = 0;  // index entry of the block now in the buffer
    uint8_t key[256];
    size_t key_length = 0;
    DataPart data;  // inline bytes point into the buffer
};

// The last data entry whose block's first key is not greater than `key`
// (strictly less when `strict`); Index::npos when there is none.
[[nodiscard]] int32_t choose_entry(Db& db, const uint8_t* key, size_t length, bool strict,
                                   size_t* position);

[[nodiscard]] int32_t find_record(Db& db, const uint8_t* key, size_t length, Seek seek,
                                  Found* found);

}  // namespace orvane::store
