// DbPut: adding or replacing one record.
#include <algorithm>
#include <cstring>

#include "store/block.h"
#include "store/blocks.h"
#include "store/keys.h"
#include "store/long_record.h"
#include "store/lz.h"
#include "store/open_block.h"
#include "store/period.h"
#include "store/search.h"
#include "store/split.h"

namespace orvane::store {

namespace {

// How the data will be stored: inline in the block, or in extension blocks
// (plain or LZ-compressed, whichever needs fewer blocks).
struct Shape {
    bool is_long = false;
    bool compressed = false;
    const uint8_t* bytes = nullptr;
    size_t length = 0;
    std::vector<uint8_t> packed;
};

int32_t shape_data(Db& db, const uint8_t* key, size_t key_length, const uint8_t* data,
                   size_t length, Shape* shape) {
    const size_t capacity = db.blocksize() - kDataHeaderSize;
    const size_t record_size = key_length + length + 4;
    if (record_size <= capacity) return kDbOk;
    if (db.compress && record_size <= db.max_area() && length <= kMaxInlineData) {
        // The record alone, as it would stand first in a block.
        Records alone{{std::string(reinterpret_cast<const char*>(key), key_length),
                       encode_inline_data(data, length)}};
        std::vector<uint8_t> area, packed(capacity);
        encode_records(alone, 0, 1, false, &area);
        if (LzCompress(*db.lz_table, area.data(), area.size(), packed.data(), capacity) <
            area.size())
            return kDbOk;
    }
    if (length > kMaxLongData) return kDbDataTooLong;
    shape->is_long = true;
    shape->bytes = data;
    shape->length = length;
    if (db.compress && length > 0) {
        shape->packed.resize(length);
        const size_t packed = LzCompress(*db.lz_table, data, length, shape->packed.data(), length);
        if (packed < length && pieces_for(db, packed) < pieces_for(db, length)) {
            shape->compressed = true;
            shape->bytes = shape->packed.data();
            shape->length = packed;
        }
    }
    const uint32_t pieces = pieces_for(db, shape->length);
    if (pieces > kMaxExtensionBlocks) return kDbDataTooLong;
    if (db.index.count() + pieces > kMaxBlocks - 2) return kDbTooBig;
    return kDbOk;
}

// The data entry whose block takes `key`, loaded; an open block elsewhere
// is closed first, which may divide it and so move the entries.
int32_t find_entry(Db& db, const uint8_t* key, size_t key_length, size_t* position) {
    for (;;) {
        if (int32_t error = choose_entry(db, key, key_length, false, position)) return error;
        if (*position == Index::npos) *position = db.index.data_begin();
        if (db.open.block < 0 || db.open.block == db.index.block(*position)) break;
        if (int32_t error = close_open_block(db)) return error;
    }
    return load_block(db, *position);
}

// Puts the record into the block of entry `position`: in place in the open
// block when the block's keys are prefixed as this handle writes them, else
// (a file written with the other setting) by rewriting the block at once.
int32_t place_record(Db& db, size_t position, const SharedArea& block_area, const Place& place,
                     Record record) {
    const bool prefixed = block_area->flags & kBlockPrefixKeys;
    if (prefixed == db.prefix_keys())
        return put_into_open_block(db, position, block_area, place, record);
    Records records;
    if (!decode_records(block_area->bytes.data(), block_area->bytes.size(), prefixed, &records))
        return db.fail(kDbBadDataBlock, kDbCorrupt);
    auto at = std::lower_bound(
        records.begin(), records.end(), record.key, [&db](const Record& r, const std::string& k) {
            return compare_keys(db, reinterpret_cast<const uint8_t*>(r.key.data()), r.key.size(),
                                reinterpret_cast<const uint8_t*>(k.data()), k.size()) < 0;
        });
    if (place.replaces)
        *at = std::move(record);
    else
        records.insert(at, std::move(record));
    return write_records(db, position, records, !place.has_next && !place.replaces);
}

int32_t put_record(Db& db, const uint8_t* key, size_t key_length, const uint8_t* data,
                   size_t length) {
    Shape shape;
    if (int32_t error = shape_data(db, key, key_length, data, length, &shape)) return error;
    const uint32_t pieces = shape.is_long ? pieces_for(db, shape.length) : 0;
    fit_block_number_width(db, db.index.count() + pieces);

    size_t position = 0;
    if (int32_t error = find_entry(db, key, key_length, &position)) return error;
    // Kept whole while long data is written to other blocks.
    const SharedArea block_area = db.area;
    Place place;
    if (!find_place(db, *block_area, key, key_length, &place))
        return db.fail(kDbBadDataBlock, kDbCorrupt);

    if (int32_t error = begin_write(db)) return error;
    Record record{std::string(reinterpret_cast<const char*>(key), key_length), {}};
    if (shape.is_long) {
        uint32_t base = 0;
        if (int32_t error = write_long_data(db, shape.bytes, shape.length, &base)) return error;
        position += pieces;  // the new extension entries come before every data entry
        record.data =
            encode_long_data(static_cast<uint32_t>(length), pieces, shape.compressed, base);
    } else {
        record.data = encode_inline_data(data, length);
    }
    if (int32_t error = place_record(db, position, block_area, place, std::move(record)))
        return error;
    if (place.replaces && place.replaced.is_long) return free_long_data(db, place.replaced);
    return kDbOk;
}

}  // namespace

int32_t DbPut(DbHandle handle, const void* key, size_t key_length, const void* data,
              size_t data_length) {
    if (!handle) return kDbNotOpen;
    if (!key || key_length == 0) return kDbBadParameter;
    if (key_length > kDbMaxKey) return kDbKeyTooLong;
    if (!data) data_length = 0;
    if (int32_t error = begin_operation(handle, Intent::Put)) return error;
    const int32_t result = with_auto_repair(*handle, [&] {
        return put_record(*handle, static_cast<const uint8_t*>(key), key_length,
                          static_cast<const uint8_t*>(data), data_length);
    });
    return end_operation(*handle, result);
}

}  // namespace orvane::store
