// DbGet: finding records by mode and copying key and data out.
#include <algorithm>
#include <cstring>

#include "store/long_record.h"
#include "store/period.h"
#include "store/search.h"

namespace orvane::store {

namespace {

struct Output {
    uint8_t* key;
    size_t* key_length;
    size_t key_size;
    uint8_t* data;
    size_t* data_length;
    size_t data_size;
};

// GET_LAST looks before a key greater than every storable key: 256 bytes of
// the byte value that collates highest.
void greatest_key(const Db& db, uint8_t* key) {
    int best = 0;
    for (int i = 1; i < 256; ++i)
        if (db.collate[i] > db.collate[best]) best = i;
    std::memset(key, best, 256);
}

int32_t copy_out(Db& db, const Found& found, bool copy_key, const Output& out) {
    if (copy_key && out.key) {
        const size_t n = std::min(found.key_length, out.key_size);
        std::memcpy(out.key, found.key, n);
        if (out.key_length) *out.key_length = n;
    }
    if (!out.data || out.data_size == 0) {
        if (out.data_length) *out.data_length = found.data.length;
        return kDbOk;
    }
    const size_t n = std::min<size_t>(found.data.length, out.data_size);
    if (found.data.is_long) {
        if (int32_t error = read_long_data(db, found.data, out.data, n)) return error;
    } else if (n) {
        std::memcpy(out.data, found.data.bytes, n);
    }
    if (out.data_length) *out.data_length = n;
    return kDbOk;
}

// One search by mode; gives the mode's result and copies the record out.
int32_t search(Db& db, int mode, const uint8_t* key, size_t length, const Output& out,
               Found* found) {
    uint8_t greatest[256];
    Seek seek = Seek::AtOrAfter;
    switch (mode) {
        case GET_FIRST:
            seek = Seek::After, length = 0;
            break;
        case GET_PREV:
            seek = Seek::Before;
            break;
        case GET_EXACT:
        case GET_EXACT_UPDATE:
            seek = Seek::Exact;
            break;
        case GET_NEXT:
            seek = Seek::After;
            break;
        case GET_LAST:
            greatest_key(db, greatest);
            key = greatest, length = 256, seek = Seek::Before;
            break;
        default:
            break;
    }
    if (int32_t error = find_record(db, key, length, seek, found)) return error;
    const bool exact_mode = seek == Seek::Exact;
    if (found->result == kFoundNone || (exact_mode && found->result != kFoundEqual))
        return exact_mode ? kDbNotFound : kDbNoNext;
    if (int32_t error = copy_out(db, *found, !exact_mode, out)) return error;
    if (mode == GET_AT_OR_AFTER) return found->result == kFoundEqual ? kDbOk : kDbNotFound;
    return kDbOk;
}

void remember(Db& db, int mode, const uint8_t* key, size_t length, const Found& found) {
    SearchState& s = db.search;
    s.mode = mode;
    s.result = found.result;
    s.key_length = std::min<size_t>(length, s.key.size());
    if (s.key_length) std::memcpy(s.key.data(), key, s.key_length);
    s.found_key_length = found.key_length;
    std::memcpy(s.found_key.data(), found.key, found.key_length);
}

// GET_CURRENT: the remembered record again, or the remembered search again
// when the record is gone or another process wrote.
int32_t current(Db& db, const Output& out) {
    SearchState& s = db.search;
    if (s.mode < 0) return kDbBadParameter;
    Found found;
    if (s.result >= 0 && s.found_key_length > 0) {
        if (int32_t error =
                find_record(db, s.found_key.data(), s.found_key_length, Seek::Exact, &found))
            return error;
        if (found.result == kFoundEqual) {
            const bool exact_mode = s.mode == GET_EXACT || s.mode == GET_EXACT_UPDATE;
            if (int32_t error = copy_out(db, found, !exact_mode, out)) return error;
            return s.mode == GET_AT_OR_AFTER && s.result != kFoundEqual ? kDbNotFound : kDbOk;
        }
    }
    const SearchState saved = s;
    const int32_t result = search(db, saved.mode, saved.key.data(), saved.key_length, out, &found);
    if (result <= kDbNoNext) remember(db, saved.mode, saved.key.data(), saved.key_length, found);
    return result;
}

}  // namespace

int32_t DbGet(DbHandle handle, int mode, const void* key, size_t key_length, void* key_buffer,
              size_t* key_length_out, size_t key_buffer_size, void* data_buffer,
              size_t* data_length_out, size_t data_buffer_size) {
    if (!handle) return kDbNotOpen;
    if (mode < GET_FIRST || mode > GET_EXACT_UPDATE) return kDbBadParameter;
    if (!key) key_length = 0;
    if (key_length > kDbMaxKey) return kDbKeyTooLong;
    if (key_length_out) *key_length_out = 0;
    if (data_length_out) *data_length_out = 0;
    const Output out{static_cast<uint8_t*>(key_buffer),  key_length_out,  key_buffer_size,
                     static_cast<uint8_t*>(data_buffer), data_length_out, data_buffer_size};
    const auto* search_key = static_cast<const uint8_t*>(key);
    if (int32_t error = begin_operation(handle, Intent::Read)) return error;
    const int32_t result = with_auto_repair(*handle, [&]() -> int32_t {
        if (mode == GET_CURRENT) return current(*handle, out);
        Found found;
        const int32_t r = search(*handle, mode, search_key, key_length, out, &found);
        if (r <= kDbNoNext) remember(*handle, mode, search_key, key_length, found);
        return r;
    });
    return end_operation(*handle, result);
}

}  // namespace orvane::store
