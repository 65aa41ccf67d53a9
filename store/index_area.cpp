#include "store/index_area.h"

#include <cstring>
#include <vector>

#include "platform/bytes.h"
#include "store/crc8.h"
#include "store/header.h"
#include "store/io.h"

namespace orvane::store {

using platform::load_le32;
using platform::store_le32;

namespace {

constexpr uint8_t kIndexMagic[4] = {0x5A, 0x74, 0x49, 0x58};  // "ZtIX"

// Every block number must name one existing block, once.
bool block_numbers_valid(const Index& index) {
    std::vector<bool> seen(index.count(), false);
    for (size_t i = 0; i < index.count(); ++i) {
        const uint32_t block = index.block(i);
        if (block >= index.count() || seen[block]) return false;
        seen[block] = true;
    }
    return true;
}

}  // namespace

uint64_t index_area_size(const Db& db) {
    return kIndexHeaderSize + static_cast<uint64_t>(db.index.count()) * db.index.entry_size();
}

bool index_in_block0(const Db& db) {
    return db.blocksize() - kHeaderSize >= index_area_size(db);
}

uint64_t index_offset(const Db& db) {
    return index_in_block0(db) ? kHeaderSize
                               : (static_cast<uint64_t>(db.index.count()) + 1) * db.blocksize();
}

uint64_t expected_file_size(const Db& db) {
    const uint64_t blocks_end = (static_cast<uint64_t>(db.index.count()) + 1) * db.blocksize();
    return index_in_block0(db) ? blocks_end : blocks_end + index_area_size(db);
}

int32_t read_index(Db& db) {
    const uint32_t count = header_blockcount(db.header);
    Index& index = db.index;
    // Size the index without entries first, to know where the area lies.
    std::vector<uint8_t> none;
    index.assign(none.data(), 0);
    const uint64_t entries_size = static_cast<uint64_t>(count) * index.entry_size();
    const uint64_t area_size = kIndexHeaderSize + entries_size;
    const bool in_block0 = db.blocksize() - kHeaderSize >= area_size;
    const uint64_t blocks_end = (static_cast<uint64_t>(count) + 1) * db.blocksize();
    const uint64_t offset = in_block0 ? kHeaderSize : blocks_end;
    uint64_t file_size = 0;
    if (!store::file_size(db, &file_size)) return kDbReadError;
    if (count == 0 || file_size < (in_block0 ? blocks_end : offset + area_size))
        return db.fail(kDbFileTooShort, kDbCorrupt);

    std::vector<uint8_t> area(static_cast<size_t>(area_size));
    if (!read_exact(db, offset, area.data(), area.size())) return kDbReadError;
    if (std::memcmp(area.data(), kIndexMagic, 4) != 0 ||
        load_le32(&area[4]) != header_counter(db.header))
        return db.fail(kDbBadIndexHeader, kDbCorrupt);
    if (crc8(area.data() + kIndexHeaderSize, static_cast<size_t>(entries_size)) != area[8])
        return db.fail(kDbIndexHeaderCrc, kDbCorrupt);
    index.assign(area.data() + kIndexHeaderSize, count);
    if (!block_numbers_valid(index)) {
        index.assign(none.data(), 0);
        return db.fail(kDbBadIndexHeader, kDbCorrupt);
    }
    db.index_bytes_in_block0 = in_block0 ? static_cast<uint32_t>(area_size) : 0;
    return kDbOk;
}

int32_t write_index(Db& db) {
    const uint64_t size = index_area_size(db);
    std::vector<uint8_t> area(static_cast<size_t>(size), 0);
    std::memcpy(area.data(), kIndexMagic, 4);
    store_le32(&area[4], header_counter(db.header));
    const std::vector<uint8_t>& entries = db.index.bytes();
    area[8] = crc8(entries.data(), db.index.byte_size());
    std::memcpy(area.data() + kIndexHeaderSize, entries.data(), db.index.byte_size());
    if (!write_exact(db, index_offset(db), area.data(), area.size())) return kDbWriteError;
    const uint32_t used = index_in_block0(db) ? static_cast<uint32_t>(size) : 0;
    if (used < db.index_bytes_in_block0 &&
        !write_zeros(db, kHeaderSize + used, db.index_bytes_in_block0 - used))
        return kDbWriteError;
    db.index_bytes_in_block0 = used;
    return kDbOk;
}

}  // namespace orvane::store
