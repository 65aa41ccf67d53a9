// DbPut: adding or replacing one record.
#include <algorithm>
#include <cstring>

#include "store/block.h"
#include "store/blocks.h"
#include "store/keys.h"
#include "store/long_record.h"
#include "store/lz.h"
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

// Where a key goes in the block in the buffer: whether a record has the key
// already, whether it goes after every record, and the key of the last
// record before it.
struct Place {
    bool replaces = false;
    bool appended = false;
    std::string last_key;
};

// The whole block is walked, so that nothing is written for a block that
// turns out malformed.
int32_t find_place(Db& db, const uint8_t* key, size_t key_length, Place* place) {
    RecordCursor cursor(db.area_bytes(), db.area_length(), db.area_flags() & kBlockPrefixKeys);
    bool found = false;
    while (cursor.next()) {
        if (found) continue;
        const int order = compare_keys(db, cursor.key(), cursor.key_length(), key, key_length);
        if (order >= 0) {
            place->replaces = order == 0;
            found = true;
        } else {
            place->last_key.assign(reinterpret_cast<const char*>(cursor.key()),
                                   cursor.key_length());
        }
    }
    if (cursor.malformed()) return db.fail(kDbBadDataBlock, kDbCorrupt);
    place->appended = !found;
    return kDbOk;
}

// Puts the record into the block of entry `position`, taking the block
// apart unless the record only goes after its last one.
int32_t place_record(Db& db, size_t position, const SharedArea& block_area, const Place& place,
                     Record record, DataPart* replaced) {
    const bool prefixed = block_area->flags & kBlockPrefixKeys;
    if (place.appended && prefixed == db.prefix_keys())
        return append_record(db, position, block_area, place.last_key, record);
    if (int32_t error = close_open_block(db)) return error;
    Records records;
    if (!decode_records(block_area->bytes.data(), block_area->bytes.size(), prefixed, &records))
        return db.fail(kDbBadDataBlock, kDbCorrupt);
    auto at = std::lower_bound(
        records.begin(), records.end(), record.key, [&db](const Record& r, const std::string& k) {
            return compare_keys(db, reinterpret_cast<const uint8_t*>(r.key.data()), r.key.size(),
                                reinterpret_cast<const uint8_t*>(k.data()), k.size()) < 0;
        });
    if (place.replaces) {
        parse_data_part(reinterpret_cast<const uint8_t*>(at->data.data()), at->data.size(),
                        replaced);
        *at = std::move(record);
    } else {
        records.insert(at, std::move(record));
    }
    return write_records(db, position, records, place.appended);
}

int32_t put_record(Db& db, const uint8_t* key, size_t key_length, const uint8_t* data,
                   size_t length) {
    Shape shape;
    if (int32_t error = shape_data(db, key, key_length, data, length, &shape)) return error;
    const uint32_t pieces = shape.is_long ? pieces_for(db, shape.length) : 0;
    fit_block_number_width(db, db.index.count() + pieces);

    size_t position = 0;
    if (int32_t error = choose_entry(db, key, key_length, false, &position)) return error;
    if (position == Index::npos) position = db.index.data_begin();
    if (int32_t error = load_block(db, position)) return error;
    // Kept whole while long data is written to other blocks.
    const SharedArea block_area = db.area;
    Place place;
    if (int32_t error = find_place(db, key, key_length, &place)) return error;

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
    DataPart replaced;
    if (int32_t error = place_record(db, position, block_area, place, std::move(record), &replaced))
        return error;
    if (replaced.is_long) return free_long_data(db, replaced);
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
