// The index area on disk: a 16-byte header ("ZtIX", the change counter of
// the period that wrote it, the CRC of the entries, zeros) and the entries.
// It lies at offset 1024 in file block 0 when it fits there, else right
// behind the last data block, where the file then ends.
#pragma once

#include <cstdint>

#include "store/handle.h"

namespace orvane::store {

inline constexpr uint32_t kIndexHeaderSize = 16;

uint64_t index_area_size(const Db& db);
bool index_in_block0(const Db& db);
uint64_t index_offset(const Db& db);
// The file size the header's block count and the index call for.
uint64_t expected_file_size(const Db& db);

// Reads the index of the header's block count; 16 when it is missing,
// damaged or stale (the detail goes to the callback).
[[nodiscard]] int32_t read_index(Db& db);
[[nodiscard]] int32_t write_index(Db& db);

}  // namespace orvane::store
