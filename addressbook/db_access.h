// Record access on an open database handle with strings for keys and data,
// so that the address book never deals in buffer sizes. Each returns the
// engine's code.
#pragma once

#include <string>
#include <string_view>

#include "store/db.h"

namespace orvane::addressbook {

// The record with exactly `key`: 0 with its data, or 1 when there is none.
[[nodiscard]] int32_t get_exact(store::DbHandle db, std::string_view key, std::string* data);
// The first record at or after `key` (0 when equal, 1 when greater), or 2
// when there is none.
[[nodiscard]] int32_t get_at_or_after(store::DbHandle db, std::string_view key,
                                      std::string* found_key, std::string* data);
// The first record after `key`: 0, or 2 when there is none.
[[nodiscard]] int32_t get_next(store::DbHandle db, std::string_view key, std::string* found_key,
                               std::string* data);
[[nodiscard]] int32_t put_record(store::DbHandle db, std::string_view key, std::string_view data);
// Removes the record; a key that is not there is no error.
[[nodiscard]] int32_t remove_record(store::DbHandle db, std::string_view key);

}  // namespace orvane::addressbook
