#include "store/open_block.h"

#include "platform/bytes.h"
#include "store/block.h"
#include "store/crc8.h"
#include "store/handle.h"

namespace orvane::store {

int32_t keep_open(Db& db, uint32_t block, SharedArea area, std::vector<uint8_t> raw) {
    if (db.open.block != static_cast<int64_t>(block)) {
        if (int32_t error = close_open_block(db)) return error;
    }
    db.cache.put(block, area);
    db.area = area;
    db.buffer_block = block;
    db.open.block = block;
    db.open.area = std::move(area);
    db.open.raw = std::move(raw);
    return kDbOk;
}

int32_t close_open_block(Db& db) {
    if (db.open.block < 0) return kDbOk;
    const uint32_t block = static_cast<uint32_t>(db.open.block);
    SharedArea area = std::move(db.open.area);
    std::vector<uint8_t> raw = std::move(db.open.raw);
    drop_open_block(db);
    if (raw.empty()) {
        if (!pack_block(db, area->bytes.data(), area->bytes.size(), false, &raw))
            return db.fail(kDbBadDataBlock, kDbCorrupt);
    } else {
        raw[0] = crc8(&raw[1], kDataHeaderSize - 1 + platform::load_le16(&raw[2]));
    }
    return write_packed_area(db, block, raw, std::move(area));
}

void drop_open_block(Db& db) {
    db.open.block = -1;
    db.open.area.reset();
    db.open.raw.clear();
}

}  // namespace orvane::store
