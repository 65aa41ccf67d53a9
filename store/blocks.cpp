#include "store/blocks.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/bytes.h"
#include "store/block.h"
#include "store/header.h"
#include "store/keys.h"
#include "store/period.h"

namespace orvane::store {

using namespace header_offset;

void convert_version(Db& db, bool wide) {
    if (db.index.wide() == wide) return;
    db.index.convert(wide);
    platform::store_le16(&db.header[kVersion], wide ? 3 : 2);
    db.header[kWide] = wide ? 1 : 0;
    set_blockcount(db, db.index.count());
    db.dirty_index = true;
}

void fit_block_number_width(Db& db, uint32_t blocks) {
    convert_version(
        db, db.index.wide() ? blocks >= kVersion2ReturnBelow : blocks >= kVersion2MaxBlocks);
}

int32_t next_block_number(Db& db, uint32_t* block) {
    const uint32_t count = db.index.count();
    if (count >= kMaxBlocks) return kDbTooBig;
    fit_block_number_width(db, count + 1);
    *block = count;
    return kDbOk;
}

void add_data_entry(Db& db, size_t position, uint32_t block, const uint8_t* key,
                    size_t key_length) {
    uint8_t cut[256];
    cut_key(db, key, key_length, cut);
    db.index.insert_data_entry(position, block, cut, static_cast<uint32_t>(key_length));
    set_blockcount(db, db.index.count());
    db.dirty_index = true;
}

void update_data_entry(Db& db, size_t position, const uint8_t* key, size_t key_length) {
    uint8_t cut[256];
    cut_key(db, key, key_length, cut);
    if (db.index.key_length(position) == key_length &&
        std::memcmp(db.index.cut_key(position), cut, db.index.key_width()) == 0)
        return;
    db.index.set_data_key(position, cut, static_cast<uint32_t>(key_length));
    db.dirty_index = true;
}

int32_t free_block(Db& db, size_t position) {
    const uint32_t block = db.index.block(position);
    const uint32_t last = db.index.count() - 1;
    if (block != last) {
        if (db.open.block == static_cast<int64_t>(last)) {
            // The open block's newest area is in the handle, not in the
            // file: it is written at its new number when it closes.
            db.open.block = block;
        } else {
            std::vector<uint8_t> raw(db.blocksize());
            if (int32_t error = read_raw_block(db, last, raw.data())) return error;
            if (int32_t error = write_raw_block(db, block, raw.data())) return error;
        }
        const size_t moved = db.index.find_block(last);
        db.index.set_block(moved, block);
        // The buffer may hold the moved block under its new number.
        if (db.buffer_block == static_cast<int64_t>(last)) db.buffer_block = block;
    } else if (db.buffer_block == static_cast<int64_t>(block)) {
        forget_buffer(db);
    }
    db.cache.erase(last);
    db.index.remove(position);
    set_blockcount(db, db.index.count());
    db.dirty_index = true;
    return kDbOk;
}

}  // namespace orvane::store

namespace orvane::store {

int32_t drop_unlisted_blocks(Db& db, std::vector<uint32_t> blocks) {
    // Highest number first, so that the last block moved into a hole is
    // always one that stays.
    std::sort(blocks.rbegin(), blocks.rend());
    uint32_t count = db.index.count() + static_cast<uint32_t>(blocks.size());
    std::vector<uint8_t> raw(db.blocksize());
    for (uint32_t block : blocks) {
        const uint32_t last = count - 1;
        if (block != last) {
            if (int32_t error = read_raw_block(db, last, raw.data())) return error;
            if (int32_t error = write_raw_block(db, block, raw.data())) return error;
            db.index.set_block(db.index.find_block(last), block);
        }
        --count;
    }
    forget_blocks(db);
    set_blockcount(db, db.index.count());
    db.dirty_index = true;
    return kDbOk;
}

}  // namespace orvane::store
