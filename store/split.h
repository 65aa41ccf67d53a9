// Writing the records of one block back: into the block itself when they
// fit, else split over the block and new blocks appended at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/handle.h"
#include "store/records.h"

namespace orvane::store {

// Whether records [first, last) fit one block, packing them into `raw`.
bool pack_records(Db& db, const Records& records, size_t first, size_t last, bool allow_compress,
                  std::vector<uint8_t>* raw);

// Writes `records` (not empty) as the block of data entry `position`.
// `appended` says the change was a new record after the block's last one,
// so that an ascending load fills every block before starting the next.
// 6 when no division fits.
[[nodiscard]] int32_t write_records(Db& db, size_t position, const Records& records, bool appended);

// Adds `record` after the last record of the block of data entry
// `position` (held in `block_area`, whose last key is `last_key`) without
// taking the block apart; when the block is full, the record starts a new
// block behind it and the block stays as it is. 6 when it fits nowhere.
[[nodiscard]] int32_t append_record(Db& db, size_t position, const SharedArea& block_area,
                                    const std::string& last_key, const Record& record);

// Writes an area already known to fit into the block of entry `position`.
[[nodiscard]] int32_t write_block_records(Db& db, size_t position, const Records& records,
                                          size_t first, size_t last,
                                          const std::vector<uint8_t>& raw);

}  // namespace orvane::store
