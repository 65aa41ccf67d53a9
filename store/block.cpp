#include "store/block.h"

#include <algorithm>
#include <cstring>

#include "platform/bytes.h"
#include "store/crc8.h"
#include "store/io.h"
#include "store/keys.h"
#include "store/lz.h"

namespace orvane::store {

using platform::load_le16;
using platform::load_le32;
using platform::store_le16;
using platform::store_le32;

namespace {

// A partial read looks at this many stored bytes for the first key.
constexpr size_t kFirstKeyBytes = 256;
constexpr size_t kFirstKeyBytesCompressed = 288;

// Checks a data block header; 0 or the structural error.
int32_t check_data_header(Db& db, const uint8_t* h) {
    const uint8_t flags = h[1];
    const size_t stored = load_le16(h + 2);
    const size_t length = load_le16(h + 4);
    if (flags >= 4 || stored > db.blocksize() - kDataHeaderSize || length > db.max_area() ||
        length < stored || (!(flags & kBlockCompressed) && length != stored))
        return db.fail(kDbBadDataBlock, kDbCorrupt);
    if ((flags & kBlockCompressed) && !db.file_allows_compression())
        return db.fail(kDbBadLz, kDbCorrupt);
    return kDbOk;
}

// Compares the first record of an area with index entry `position`.
int32_t check_first_key(Db& db, size_t position, const uint8_t* key, size_t key_length) {
    if (db.index.key_length(position) != key_length) return db.fail(kDbIndexKeyLength, kDbBadIndex);
    uint8_t cut[256];
    cut_key(db, key, key_length, cut);
    if (std::memcmp(cut, db.index.cut_key(position), db.index.key_width()) != 0)
        return db.fail(kDbIndexKey, kDbBadIndex);
    return kDbOk;
}

int32_t first_key_of_area(Db& db, const uint8_t* area, size_t length, bool prefixed, uint8_t* key,
                          size_t* key_length) {
    *key_length = 0;
    if (length == 0) return kDbOk;
    const size_t suffix = area[0];
    if (suffix == 0 || suffix + 1 > length) return db.fail(kDbBadDataBlock, kDbCorrupt);
    (void)prefixed;  // the first record of a block always carries its whole key
    std::memcpy(key, area + 1, suffix);
    *key_length = suffix;
    return kDbOk;
}

}  // namespace

uint64_t block_offset(const Db& db, uint32_t block) {
    return (static_cast<uint64_t>(block) + 1) * db.blocksize();
}

void forget_buffer(Db& db) {
    db.buffer_block = -1;
    db.area.reset();
}

void forget_blocks(Db& db) {
    forget_buffer(db);
    db.cache.clear();
}

int32_t read_raw_block(Db& db, uint32_t block, uint8_t* raw) {
    return read_exact(db, block_offset(db, block), raw, db.blocksize()) ? kDbOk : kDbReadError;
}

int32_t load_block_number(Db& db, uint32_t block) {
    if (db.buffer_block == static_cast<int64_t>(block)) return kDbOk;
    forget_buffer(db);
    if (SharedArea cached = db.open.block == static_cast<int64_t>(block) ? SharedArea(db.open.area)
                                                                         : db.cache.find(block)) {
        db.area = std::move(cached);
        db.buffer_block = block;
        return kDbOk;
    }
    uint8_t* raw = db.raw.data();
    if (int32_t error = read_raw_block(db, block, raw)) return error;
    if (int32_t error = check_data_header(db, raw)) return error;
    const uint8_t flags = raw[1];
    const size_t stored = load_le16(raw + 2);
    const size_t length = load_le16(raw + 4);
    if (crc8(raw + 1, kDataHeaderSize - 1 + stored) != raw[0])
        return db.fail(kDbDataBlockCrc, kDbCorrupt);
    auto area = std::make_shared<BlockArea>();
    area->flags = flags;
    if (flags & kBlockCompressed) {
        area->bytes.resize(length);
        if (LzExpand(raw + kDataHeaderSize, stored, area->bytes.data(), length) != LzResult::Exact)
            return db.fail(kDbLzLength, kDbCorrupt);
    } else {
        area->bytes.assign(raw + kDataHeaderSize, raw + kDataHeaderSize + stored);
    }
    db.cache.put(block, area);
    db.area = std::move(area);
    db.buffer_block = block;
    return kDbOk;
}

int32_t load_block(Db& db, size_t position) {
    const uint32_t block = db.index.block(position);
    if (db.buffer_block == static_cast<int64_t>(block)) return kDbOk;
    if (int32_t error = load_block_number(db, block)) return error;
    uint8_t key[256];
    size_t key_length = 0;
    int32_t error = first_key_of_area(db, db.area_bytes(), db.area_length(),
                                      db.area_flags() & kBlockPrefixKeys, key, &key_length);
    if (!error) error = check_first_key(db, position, key, key_length);
    if (error) forget_buffer(db);
    return error;
}

int32_t read_first_key(Db& db, size_t position, uint8_t* key, size_t* key_length) {
    const uint32_t block = db.index.block(position);
    SharedArea known = db.buffer_block == static_cast<int64_t>(block) ? db.area
                       : db.open.block == static_cast<int64_t>(block) ? SharedArea(db.open.area)
                                                                      : db.cache.find(block);
    if (known) {
        if (int32_t error = first_key_of_area(db, known->bytes.data(), known->bytes.size(),
                                              known->flags & kBlockPrefixKeys, key, key_length))
            return error;
        return check_first_key(db, position, key, *key_length);
    }
    uint8_t raw[kDataHeaderSize + kFirstKeyBytesCompressed];
    const size_t want = std::min<size_t>(sizeof raw, db.blocksize());
    if (!read_exact(db, block_offset(db, block), raw, want)) return kDbReadError;
    if (int32_t error = check_data_header(db, raw)) return error;
    const size_t stored = load_le16(raw + 2);
    const size_t length = load_le16(raw + 4);
    uint8_t area[kFirstKeyBytesCompressed * 9];
    const uint8_t* first = raw + kDataHeaderSize;
    size_t available = std::min(stored, kFirstKeyBytes);
    if (raw[1] & kBlockCompressed) {
        // Each stored byte expands to at most 9 bytes (a match of 18 for 2).
        const size_t input = std::min(stored, kFirstKeyBytesCompressed);
        const size_t expected = std::min(length, sizeof area);
        LzResult result = LzExpand(first, input, area, expected, &available);
        if (result == LzResult::BadDistance || (result == LzResult::TooLong && expected == length))
            return db.fail(kDbLzLength, kDbCorrupt);
        first = area;
    }
    const size_t suffix = available ? first[0] : 0;
    if (length > 0 && (suffix == 0 || suffix + 1 > available))
        return db.fail(kDbBadDataBlock, kDbCorrupt);
    *key_length = length > 0 ? suffix : 0;
    std::memcpy(key, first + 1, *key_length);
    return check_first_key(db, position, key, *key_length);
}

bool pack_block(Db& db, const uint8_t* area, size_t length, bool allow_compress,
                std::vector<uint8_t>* raw, bool seal) {
    const size_t capacity = db.blocksize() - kDataHeaderSize;
    raw->assign(db.blocksize(), 0);
    uint8_t* out = raw->data();
    uint8_t flags = db.prefix_keys() ? kBlockPrefixKeys : 0;
    size_t stored = length;
    if (length <= capacity) {
        if (length) std::memcpy(out + kDataHeaderSize, area, length);
    } else {
        if (!allow_compress || length > db.max_area()) return false;
        stored = db.block_compressor->compress(area, length, out + kDataHeaderSize, capacity);
        if (stored >= length) return false;
        flags |= kBlockCompressed;
    }
    out[1] = flags;
    store_le16(out + 2, static_cast<uint16_t>(stored));
    store_le16(out + 4, static_cast<uint16_t>(length));
    if (seal) seal_block(raw);
    return true;
}

void seal_block(std::vector<uint8_t>* raw) {
    uint8_t* out = raw->data();
    out[0] = crc8(out + 1, kDataHeaderSize - 1 + load_le16(out + 2));
}

int32_t write_raw_block(Db& db, uint32_t block, const uint8_t* raw) {
    if (db.buffer_block == static_cast<int64_t>(block)) forget_buffer(db);
    db.cache.erase(block);
    return write_exact(db, block_offset(db, block), raw, db.blocksize()) ? kDbOk : kDbWriteError;
}

int32_t write_packed_block(Db& db, uint32_t block, const std::vector<uint8_t>& raw,
                           const uint8_t* area, size_t length) {
    if (int32_t error = write_raw_block(db, block, raw.data())) return error;
    auto written = std::make_shared<BlockArea>();
    written->bytes.assign(area, area + length);
    written->flags = raw[1];
    db.cache.put(block, written);
    db.area = std::move(written);
    db.buffer_block = block;
    return kDbOk;
}

int32_t read_extension_block(Db& db, uint32_t block, uint32_t extension_key,
                             std::vector<uint8_t>* payload) {
    uint8_t* raw = db.raw.data();
    if (int32_t error = read_raw_block(db, block, raw)) return error;
    const size_t length = load_le16(raw + 2);
    if (raw[1] != kExtensionMarker || length > db.blocksize() - kExtensionHeaderSize)
        return db.fail(kDbBadExtensionBlock, kDbCorrupt);
    if (load_le32(raw + 4) != extension_key) return db.fail(kDbIndexExtensionKey, kDbBadIndex);
    if (crc8(raw + 1, kExtensionHeaderSize - 1 + length) != raw[0])
        return db.fail(kDbExtensionBlockCrc, kDbCorrupt);
    payload->insert(payload->end(), raw + kExtensionHeaderSize,
                    raw + kExtensionHeaderSize + length);
    return kDbOk;
}

int32_t write_extension_block(Db& db, uint32_t block, uint32_t extension_key,
                              const uint8_t* payload, size_t length) {
    std::vector<uint8_t> raw(db.blocksize(), 0);
    raw[1] = kExtensionMarker;
    store_le16(&raw[2], static_cast<uint16_t>(length));
    store_le32(&raw[4], extension_key);
    std::memcpy(&raw[kExtensionHeaderSize], payload, length);
    raw[0] = crc8(&raw[1], kExtensionHeaderSize - 1 + length);
    return write_raw_block(db, block, raw.data());
}

}  // namespace orvane::store
