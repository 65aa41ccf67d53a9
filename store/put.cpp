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
    Records records;
    if (!decode_records(db.area_bytes(), db.area_length(), db.area_flags() & kBlockPrefixKeys,
                        &records))
        return db.fail(kDbBadDataBlock, kDbCorrupt);
    const std::string new_key(reinterpret_cast<const char*>(key), key_length);
    auto at = std::lower_bound(
        records.begin(), records.end(), new_key, [&db](const Record& r, const std::string& k) {
            return compare_keys(db, reinterpret_cast<const uint8_t*>(r.key.data()), r.key.size(),
                                reinterpret_cast<const uint8_t*>(k.data()), k.size()) < 0;
        });
    const bool replaces =
        at != records.end() && keys_equal(db, reinterpret_cast<const uint8_t*>(at->key.data()),
                                          at->key.size(), key, key_length);
    const bool appended = !replaces && at == records.end();
    DataPart replaced;
    if (replaces)
        parse_data_part(reinterpret_cast<const uint8_t*>(at->data.data()), at->data.size(),
                        &replaced);

    if (int32_t error = begin_write(db)) return error;
    std::string data_part;
    if (shape.is_long) {
        uint32_t base = 0;
        if (int32_t error = write_long_data(db, shape.bytes, shape.length, &base)) return error;
        position += pieces;  // the new extension entries come before every data entry
        data_part = encode_long_data(static_cast<uint32_t>(length), pieces, shape.compressed, base);
    } else {
        data_part = encode_inline_data(data, length);
    }
    if (replaces) {
        at->key = new_key;
        at->data = std::move(data_part);
    } else {
        records.insert(at, Record{new_key, std::move(data_part)});
    }
    if (int32_t error = write_records(db, position, records, appended)) return error;
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
    if (int32_t error = begin_operation(handle, Intent::Write)) return error;
    const int32_t result = with_auto_repair(*handle, [&] {
        return put_record(*handle, static_cast<const uint8_t*>(key), key_length,
                          static_cast<const uint8_t*>(data), data_length);
    });
    return end_operation(*handle, result);
}

}  // namespace orvane::store
