#include "store/search.h"

#include <cstring>

#include "store/block.h"
#include "store/keys.h"

namespace orvane::store {

namespace {

bool may_precede(int order, bool strict) {
    return order == kUndecided || (strict ? order < 0 : order <= 0);
}

// Copies the current record of `cursor` into `found`.
void take(const RecordCursor& cursor, int result, size_t position, Found* found) {
    found->result = result;
    found->position = position;
    found->key_length = cursor.key_length();
    std::memcpy(found->key, cursor.key(), cursor.key_length());
    found->data = cursor.data();
}

}  // namespace

int32_t choose_entry(Db& db, const uint8_t* key, size_t length, bool strict, size_t* position) {
    const Index& index = db.index;
    if (index.data_count() == 0) return kDbCorrupt;
    uint8_t cut[256];
    cut_key(db, key, length, cut);
    // First entry that surely follows the key.
    size_t low = index.data_begin(), high = index.count();
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        if (may_precede(compare_entry(db, middle, cut, length), strict))
            low = middle + 1;
        else
            high = middle;
    }
    if (low == index.data_begin()) {
        *position = Index::npos;
        return kDbOk;
    }
    size_t last = low - 1;
    if (compare_entry(db, last, cut, length) != kUndecided) {
        *position = last;
        return kDbOk;
    }
    // The cut keys tie: the full first keys of the tied blocks decide.
    size_t first = last;
    while (first > index.data_begin() && compare_entry(db, first - 1, cut, length) == kUndecided)
        --first;
    low = first;
    high = last + 1;
    while (low < high) {
        const size_t middle = low + (high - low) / 2;
        uint8_t first_key[256];
        size_t first_length = 0;
        if (int32_t error = read_first_key(db, middle, first_key, &first_length)) return error;
        const int order = compare_keys(db, first_key, first_length, key, length);
        if (strict ? order < 0 : order <= 0)
            low = middle + 1;
        else
            high = middle;
    }
    *position = low > index.data_begin() ? low - 1 : Index::npos;
    return kDbOk;
}

int32_t find_record(Db& db, const uint8_t* key, size_t length, Seek seek, Found* found) {
    found->result = kFoundNone;
    found->key_length = 0;
    size_t position = 0;
    if (int32_t error = choose_entry(db, key, length, seek == Seek::Before, &position))
        return error;
    if (position == Index::npos) {
        if (seek == Seek::Before) return kDbOk;
        position = db.index.data_begin();
    }
    if (int32_t error = load_block(db, position)) return error;
    RecordCursor cursor(db.area_bytes(), db.area_length(), db.area_flags() & kBlockPrefixKeys);
    bool have_before = false;
    while (cursor.next()) {
        const int order = compare_keys(db, cursor.key(), cursor.key_length(), key, length);
        if (seek == Seek::Before) {
            if (order >= 0) break;
            take(cursor, kFoundEqual, position, found);
            have_before = true;
        } else if (seek == Seek::After ? order > 0 : order >= 0) {
            if (seek == Seek::Exact && order != 0) return kDbOk;
            take(cursor, order == 0 ? kFoundEqual : kFoundGreater, position, found);
            return kDbOk;
        }
    }
    if (cursor.malformed()) return db.fail(kDbBadDataBlock, kDbCorrupt);
    if (seek == Seek::Before) {
        if (!have_before) found->result = kFoundNone;
        return kDbOk;
    }
    if (seek == Seek::Exact) return kDbOk;
    // The key lies behind this block: the next block's first record.
    for (size_t next = position + 1; next < db.index.count(); ++next) {
        if (int32_t error = load_block(db, next)) return error;
        RecordCursor first(db.area_bytes(), db.area_length(), db.area_flags() & kBlockPrefixKeys);
        if (first.next()) {
            // Blocks out of order would let a walk run in circles.
            if (compare_keys(db, first.key(), first.key_length(), key, length) <= 0)
                return db.fail(kDbBadDataBlock, kDbCorrupt);
            take(first, kFoundGreater, next, found);
            return kDbOk;
        }
        if (first.malformed()) return db.fail(kDbBadDataBlock, kDbCorrupt);
    }
    return kDbOk;
}

}  // namespace orvane::store
