#include "store/keys.h"

#include <algorithm>
#include <cstring>

namespace orvane::store {

int compare_keys(const Db& db, const uint8_t* a, size_t a_length, const uint8_t* b,
                 size_t b_length) {
    const size_t common = std::min(a_length, b_length);
    if (db.identity_table) {
        if (int order = common ? std::memcmp(a, b, common) : 0) return order < 0 ? -1 : 1;
    } else {
        for (size_t i = 0; i < common; ++i) {
            const uint8_t x = db.collate[a[i]], y = db.collate[b[i]];
            if (x != y) return x < y ? -1 : 1;
        }
    }
    return a_length < b_length ? -1 : a_length > b_length ? 1 : 0;
}

void cut_key(const Db& db, const uint8_t* key, size_t length, uint8_t* cut) {
    const size_t width = db.index.key_width();
    const size_t used = std::min(width, length);
    for (size_t i = 0; i < used; ++i) cut[i] = db.collate[key[i]];
    std::memset(cut + used, 0, width - used);
}

int compare_entry(const Db& db, size_t position, const uint8_t* cut, size_t length) {
    const size_t width = db.index.key_width();
    if (int order = std::memcmp(db.index.cut_key(position), cut, width)) return order < 0 ? -1 : 1;
    const size_t entry_length = db.index.key_length(position);
    if (entry_length > width && length > width) return kUndecided;
    return entry_length < length ? -1 : entry_length > length ? 1 : 0;
}

}  // namespace orvane::store
