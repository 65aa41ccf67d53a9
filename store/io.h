// Exact positioned transfers of the engine, with the optional retry.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/handle.h"

namespace orvane::store {

// Each returns true when exactly `length` bytes were transferred.
[[nodiscard]] bool read_exact(Db& db, uint64_t offset, void* buffer, size_t length);
[[nodiscard]] bool write_exact(Db& db, uint64_t offset, const void* buffer, size_t length);
// Writes `length` zero bytes in pieces of at most 16 KiB.
[[nodiscard]] bool write_zeros(Db& db, uint64_t offset, uint64_t length);

// Opens the handle's file as its flags and `writable` say; a platform error.
[[nodiscard]] int open_file(Db& db);

}  // namespace orvane::store
