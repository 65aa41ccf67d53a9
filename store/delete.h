// Deleting one record inside an operation that holds the lock.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/handle.h"

namespace orvane::store {

// 1 when the key is not in the file.
[[nodiscard]] int32_t delete_record(Db& db, const uint8_t* key, size_t key_length);

}  // namespace orvane::store
