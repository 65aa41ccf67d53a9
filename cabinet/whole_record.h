// Reading a record of any length whole: a first read into the buffer as it
// is, and a second one only when the record is longer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/db.h"

namespace orvane::cabinet {

// Finds `key` with `mode` (GET_EXACT or GET_EXACT_UPDATE, which keeps the
// position for a following DbPut or DbDelete) and reads its data into
// `data`. 0, 1 when there is no such record, or the engine's error.
[[nodiscard]] int32_t read_whole_record(store::DbHandle db, int mode, const void* key,
                                        size_t key_length, std::vector<uint8_t>* data);

// The data of the record the last DbGet found, whole, into `data`;
// `first_read` bytes are there already.
[[nodiscard]] int32_t read_rest_of_record(store::DbHandle db, size_t first_read,
                                          std::vector<uint8_t>* data);

}  // namespace orvane::cabinet
