#include "cabinet/record_walk.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace orvane::cabinet {

using namespace store;

namespace {
// Larger than any stored text, so that an oversized damaged record is still
// seen far enough to be judged.
constexpr size_t kWalkBufferSize = 65504;
}  // namespace

int32_t walk_records(DbHandle db, const uint8_t* prefix, size_t prefix_length,
                     const std::function<WalkStep(const WalkedRecord&)>& visit) {
    uint8_t key[kDbMaxKey];
    std::memcpy(key, prefix, prefix_length);
    size_t key_length = prefix_length;
    std::vector<uint8_t> data(kWalkBufferSize);
    int mode = GET_AT_OR_AFTER;
    for (;;) {
        uint8_t found[kDbMaxKey];
        size_t found_length = 0;
        size_t data_length = 0;
        int32_t code = DbGet(db, mode, key, key_length, found, &found_length, sizeof found,
                             data.data(), &data_length, data.size());
        if (mode == GET_AT_OR_AFTER && code == kDbNotFound && found_length > 0) code = kDbOk;
        mode = GET_NEXT;
        if (code == kDbNoNext || code == kDbNotFound) return kDbOk;
        if (code != kDbOk) return code;
        if (found_length < prefix_length || std::memcmp(found, prefix, prefix_length) != 0)
            return kDbOk;
        std::copy(found, found + found_length, key);
        key_length = found_length;
        if (visit(WalkedRecord{key, key_length, data.data(), data_length}) == WalkStep::kStop)
            return kDbOk;
    }
}

}  // namespace orvane::cabinet
