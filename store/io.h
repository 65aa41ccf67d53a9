// The engine's one path to its file. Reads see the writes of the current
// lock period; writes are kept in the period's buffer (store/period_writes.h)
// and reach the file, behind the before-images in the journal
// (store/journal.h), when the buffer is full and when the period commits.
#pragma once

#include <cstddef>
#include <cstdint>

#include "store/handle.h"

namespace orvane::store {

// Each returns true when exactly `length` bytes were transferred. A failed
// write marks the period failed (db.write_failed).
[[nodiscard]] bool read_exact(Db& db, uint64_t offset, void* buffer, size_t length);
[[nodiscard]] bool write_exact(Db& db, uint64_t offset, const void* buffer, size_t length);
// Writes `length` zero bytes.
[[nodiscard]] bool write_zeros(Db& db, uint64_t offset, uint64_t length);
// The file's length as the period sees it, and changing it.
[[nodiscard]] bool file_size(Db& db, uint64_t* size);
[[nodiscard]] bool set_file_size(Db& db, uint64_t size);

// Makes the period's writes durable: writes what is pending behind its
// before-images, flushes the file, then empties the journal. Nothing to do
// when the period wrote nothing. 0 or 11; after 11 the caller undoes the
// period with roll_back_writes().
[[nodiscard]] int32_t commit_writes(Db& db);
// Undoes the period's writes: drops what is pending and puts back the
// before-images of what reached the file, and its old size. 0 or 11; after
// 11 the journal stays live and db.recovery_needed is set, so that the next
// period (or the next open) undoes it.
[[nodiscard]] int32_t roll_back_writes(Db& db);

// Opens the handle's file for reading and writing, or for reading only when
// the file is read-only on disk; a platform error.
[[nodiscard]] int open_file(Db& db);

}  // namespace orvane::store
