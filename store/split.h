// Writing the records of one block back: into the block itself when they
// fit, else split over the block and new blocks appended at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/handle.h"
#include "store/records.h"

namespace orvane::store {

// Whether records [first, last) fit one block, packing them into `raw`
// (with its checksum only with `seal`).
bool pack_records(Db& db, const Records& records, size_t first, size_t last, bool allow_compress,
                  std::vector<uint8_t>* raw, bool seal = true);

// Writes `records` (not empty) as the block of data entry `position`.
// `appended` says the change was a new record after the block's last one,
// so that an ascending load fills every block before starting the next.
// 6 when no division fits.
[[nodiscard]] int32_t write_records(Db& db, size_t position, const Records& records, bool appended);

// Writes records in key order into the block of entry `position` and as
// many new blocks behind it as they need, each filled as far as it goes:
// for records that come in key order, where no later put fills the gaps.
[[nodiscard]] int32_t write_records_filling(Db& db, size_t position, const Records& records);

// Writes an area already known to fit into the block of entry `position`.
[[nodiscard]] int32_t write_block_records(Db& db, size_t position, const Records& records,
                                          size_t first, size_t last,
                                          const std::vector<uint8_t>& raw);

}  // namespace orvane::store
