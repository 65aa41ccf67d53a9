// The data of long records: cut into pieces of at most blocksize - 8 bytes,
// one per extension block, with extension keys base + 0, base + 1, ...
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/handle.h"
#include "store/records.h"

namespace orvane::store {

uint32_t pieces_for(const Db& db, size_t length);

// Copies up to `want` bytes of a long record's data to `out`; 17 when its
// pieces cannot all be found.
[[nodiscard]] int32_t read_long_data(Db& db, const DataPart& part, uint8_t* out, size_t want);
// Writes `length` bytes (the data, or its LZ form) as new extension blocks
// and gives the base of their keys.
[[nodiscard]] int32_t write_long_data(Db& db, const uint8_t* bytes, size_t length, uint32_t* base);
[[nodiscard]] int32_t free_long_data(Db& db, const DataPart& part);

// The first multiple of 256 from `start` on (wrapping) that no extension
// entry uses.
uint32_t first_unused_base(const Db& db, uint32_t start);
// The next free base of extension keys, advancing the header's counter.
uint32_t allocate_extension_base(Db& db);

}  // namespace orvane::store
