// DbDeleteRange: removing every record with first <= key <= last. Blocks
// that lie wholly inside the range are freed whole; the records at its two
// ends are deleted one by one.
#include "store/block.h"
#include "store/blocks.h"
#include "store/delete.h"
#include "store/keys.h"
#include "store/long_record.h"
#include "store/period.h"
#include "store/search.h"

namespace orvane::store {

namespace {

// Frees the block of `position` with the extension blocks of its long records.
int32_t free_whole_block(Db& db, size_t position) {
    if (int32_t error = load_block(db, position)) return error;
    Records records;
    if (!decode_records(db.area_bytes(), db.area_length(), db.area_flags() & kBlockPrefixKeys,
                        &records))
        return db.fail(kDbBadDataBlock, kDbCorrupt);
    if (int32_t error = free_block(db, position)) return error;
    for (const Record& record : records) {
        DataPart part;
        parse_data_part(reinterpret_cast<const uint8_t*>(record.data.data()), record.data.size(),
                        &part);
        if (!part.is_long) continue;
        if (int32_t error = free_long_data(db, part)) return error;
    }
    return kDbOk;
}

int32_t delete_range(Db& db, const uint8_t* first, size_t first_length, const uint8_t* last,
                     size_t last_length) {
    if (compare_keys(db, first, first_length, last, last_length) > 0) return kDbOk;
    size_t from = 0, to = 0;
    if (int32_t error = choose_entry(db, first, first_length, false, &from)) return error;
    if (int32_t error = choose_entry(db, last, last_length, false, &to)) return error;
    if (from == Index::npos) from = db.index.data_begin();
    if (to == Index::npos) to = db.index.data_begin();
    if (int32_t error = begin_write(db)) return error;
    // The blocks after `from` and before `to` hold only keys of the range.
    const size_t whole = to > from + 1 ? to - from - 1 : 0;
    for (size_t done = 0; done < whole; ++done) {
        const uint32_t extensions = db.index.extension_count();
        if (int32_t error = free_whole_block(db, from + 1)) return error;
        from -= extensions - db.index.extension_count();  // freed extension entries came before it
        if (db.notify(kDbCallbackDeleteRange, static_cast<int32_t>(done + 1),
                      static_cast<int32_t>(whole)) == 0)
            return kDbAborted;
    }
    for (;;) {
        Found found;
        if (int32_t error = find_record(db, first, first_length, Seek::AtOrAfter, &found))
            return error;
        if (found.result == kFoundNone ||
            compare_keys(db, found.key, found.key_length, last, last_length) > 0)
            break;
        if (int32_t error = delete_record(db, found.key, found.key_length)) return error;
    }
    fit_block_number_width(db, db.index.count());
    return kDbOk;
}

}  // namespace

int32_t DbDeleteRange(DbHandle handle, const void* first, size_t first_length, const void* last,
                      size_t last_length) {
    if (!handle) return kDbNotOpen;
    if (!first || !last || first_length == 0 || last_length == 0) return kDbBadParameter;
    if (first_length > kDbMaxKey || last_length > kDbMaxKey) return kDbKeyTooLong;
    if (int32_t error = begin_operation(handle, Intent::Write)) return error;
    const int32_t result = with_auto_repair(*handle, [&] {
        return delete_range(*handle, static_cast<const uint8_t*>(first), first_length,
                            static_cast<const uint8_t*>(last), last_length);
    });
    return end_operation(*handle, result);
}

}  // namespace orvane::store
