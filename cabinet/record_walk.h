// A walk over every record whose key starts with a given prefix, in key
// order, with a data buffer big enough for any text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "store/db.h"

namespace orvane::cabinet {

struct WalkedRecord {
    const uint8_t* key;
    size_t key_length;
    const uint8_t* data;
    size_t data_length;
};

enum class WalkStep { kNext, kStop };

// Calls `visit` for each record whose key starts with `prefix`. The visitor
// may write or delete the record it is given. Returns 0, or the engine's
// error.
[[nodiscard]] int32_t walk_records(store::DbHandle db, const uint8_t* prefix, size_t prefix_length,
                                   const std::function<WalkStep(const WalkedRecord&)>& visit);

}  // namespace orvane::cabinet
