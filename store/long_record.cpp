#include "store/long_record.h"

#include <algorithm>
#include <cstring>

#include "platform/bytes.h"
#include "store/block.h"
#include "store/blocks.h"
#include "store/header.h"
#include "store/lz.h"
#include "store/period.h"

namespace orvane::store {

using namespace header_offset;
using platform::load_le32;
using platform::store_le32;

uint32_t first_unused_base(const Db& db, uint32_t start) {
    const Index& index = db.index;
    uint32_t candidate = start;
    for (uint32_t tries = 0; tries < (1u << 24); ++tries) {
        size_t low = 0, high = index.extension_count();
        while (low < high) {
            size_t middle = (low + high) / 2;
            if (index.extension_key(middle) < candidate)
                low = middle + 1;
            else
                high = middle;
        }
        if (low == index.extension_count() ||
            index.extension_key(low) - candidate >= kExtensionKeyStep)
            return candidate;
        candidate += kExtensionKeyStep;  // wraps to 0 at the end
    }
    return start;
}

uint32_t pieces_for(const Db& db, size_t length) {
    const size_t piece = db.blocksize() - kExtensionHeaderSize;
    return static_cast<uint32_t>((length + piece - 1) / piece);
}

uint32_t allocate_extension_base(Db& db) {
    uint32_t next = load_le32(&db.header[kNextExtension]) & ~0xFFu;
    uint32_t base = next;
    if (db.header[kWrapped]) base = first_unused_base(db, next);
    next = base + kExtensionKeyStep;
    if (next == 0) db.header[kWrapped] = 1;
    store_le32(&db.header[kNextExtension], next);
    db.dirty_header = true;
    return base;
}

int32_t read_long_data(Db& db, const DataPart& part, uint8_t* out, size_t want) {
    want = std::min<size_t>(want, part.length);
    std::vector<uint8_t> stream;
    for (uint32_t i = 0; i < part.blocks; ++i) {
        if (!part.compressed && stream.size() >= want) break;
        const size_t position = db.index.find_extension(part.base + i);
        if (position == Index::npos) return kDbDataShort;
        if (int32_t error =
                read_extension_block(db, db.index.block(position), part.base + i, &stream))
            return error;
    }
    if (!part.compressed) {
        if (stream.size() < want) return kDbDataShort;
        if (want) std::memcpy(out, stream.data(), want);
        return kDbOk;
    }
    std::vector<uint8_t> expanded(part.length);
    if (LzExpand(stream.data(), stream.size(), expanded.data(), expanded.size()) != LzResult::Exact)
        return db.fail(kDbLzLength, kDbCorrupt);
    if (want) std::memcpy(out, expanded.data(), want);
    return kDbOk;
}

int32_t write_long_data(Db& db, const uint8_t* bytes, size_t length, uint32_t* base) {
    const size_t piece = db.blocksize() - kExtensionHeaderSize;
    const uint32_t pieces = pieces_for(db, length);
    *base = allocate_extension_base(db);
    for (uint32_t i = 0; i < pieces; ++i) {
        uint32_t block = 0;
        if (int32_t error = next_block_number(db, &block)) return error;
        const size_t offset = i * piece;
        const size_t size = std::min(piece, length - offset);
        if (int32_t error = write_extension_block(db, block, *base + i, bytes + offset, size))
            return error;
        db.index.insert_extension_entry(block, *base + i);
        set_blockcount(db, db.index.count());
        db.dirty_index = true;
    }
    return kDbOk;
}

int32_t free_long_data(Db& db, const DataPart& part) {
    for (uint32_t i = 0; i < part.blocks; ++i) {
        const size_t position = db.index.find_extension(part.base + i);
        if (position == Index::npos) continue;
        if (int32_t error = free_block(db, position)) return error;
    }
    return kDbOk;
}

}  // namespace orvane::store
