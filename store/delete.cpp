// DbDelete: removing one record, merging the next block in when it fits.
#include <algorithm>

#include "store/block.h"
#include "store/blocks.h"
#include "store/delete.h"
#include "store/keys.h"
#include "store/long_record.h"
#include "store/period.h"
#include "store/search.h"
#include "store/split.h"

namespace orvane::store {

namespace {

int32_t load_records(Db& db, size_t position, Records* records) {
    if (int32_t error = load_block(db, position)) return error;
    if (!decode_records(db.area_bytes(), db.area_length(), db.area_flags() & kBlockPrefixKeys,
                        records))
        return db.fail(kDbBadDataBlock, kDbCorrupt);
    return kDbOk;
}

// Writes what is left of the block of `position` after a deletion: appends
// the next block's records when they fit and frees that block; frees a block
// left empty unless it is the only data block.
int32_t write_remaining(Db& db, size_t position, Records& records) {
    std::vector<uint8_t> raw;
    if (records.empty()) {
        if (db.index.data_count() > 1) return free_block(db, position);
        pack_block(db, nullptr, 0, false, &raw);
        return write_block_records(db, position, records, 0, 0, raw);
    }
    const size_t next = position + 1;
    if (next < db.index.count()) {
        Records following;
        if (int32_t error = load_records(db, next, &following)) return error;
        const size_t own = records.size();
        records.insert(records.end(), following.begin(), following.end());
        if (pack_records(db, records, 0, records.size(), db.compress, &raw)) {
            if (int32_t error = write_block_records(db, position, records, 0, records.size(), raw))
                return error;
            return free_block(db, next);
        }
        records.resize(own);
    }
    // The next record may have got its whole key back, so the rest may even
    // have to be split.
    return write_records(db, position, records, false);
}

}  // namespace

int32_t delete_record(Db& db, const uint8_t* key, size_t key_length) {
    size_t position = 0;
    if (int32_t error = choose_entry(db, key, key_length, false, &position)) return error;
    if (position == Index::npos) return kDbNotFound;
    Records records;
    if (int32_t error = load_records(db, position, &records)) return error;
    auto at = std::find_if(records.begin(), records.end(), [&](const Record& r) {
        return keys_equal(db, reinterpret_cast<const uint8_t*>(r.key.data()), r.key.size(), key,
                          key_length);
    });
    if (at == records.end()) return kDbNotFound;
    DataPart removed;
    parse_data_part(reinterpret_cast<const uint8_t*>(at->data.data()), at->data.size(), &removed);
    if (int32_t error = begin_write(db)) return error;
    records.erase(at);
    if (int32_t error = write_remaining(db, position, records)) return error;
    if (removed.is_long) {
        if (int32_t error = free_long_data(db, removed)) return error;
    }
    fit_block_number_width(db, db.index.count());
    return kDbOk;
}

int32_t DbDelete(DbHandle handle, const void* key, size_t key_length) {
    if (!handle) return kDbNotOpen;
    if (!key || key_length == 0) return kDbBadParameter;
    if (key_length > kDbMaxKey) return kDbKeyTooLong;
    if (int32_t error = begin_operation(handle, Intent::Write)) return error;
    const int32_t result = with_auto_repair(*handle, [&] {
        return delete_record(*handle, static_cast<const uint8_t*>(key), key_length);
    });
    return end_operation(*handle, result);
}

}  // namespace orvane::store
