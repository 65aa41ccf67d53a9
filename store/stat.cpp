// DbStat: the figures `orvane db stat` shows, gathered by walking the blocks.
#include "platform/bytes.h"
#include "store/block.h"
#include "store/header.h"
#include "store/index_area.h"
#include "store/io.h"
#include "store/period.h"

namespace orvane::store {

namespace {

int32_t gather(Db& db, DbStatistics* s) {
    s->version = static_cast<int>(header_version(db.header));
    s->blocksize = static_cast<int>(db.blocksize());
    s->entry_size = platform::load_le16(&db.header[header_offset::kEntrySize]);
    s->options = db.header[header_offset::kOptions];
    s->change_counter = header_counter(db.header);
    s->blocks = db.index.count();
    s->extension_blocks = db.index.extension_count();
    s->data_blocks = db.index.data_count();
    s->index_in_block0 = index_in_block0(db);
    s->index_offset = index_offset(db);
    if (!file_size(db, &s->file_size)) return kDbReadError;
    for (size_t i = db.index.data_begin(); i < db.index.count(); ++i) {
        if (int32_t error = load_block(db, i)) return error;
        if (db.area_flags() & kBlockCompressed) ++s->compressed_blocks;
        RecordCursor cursor(db.area_bytes(), db.area_length(), db.area_flags() & kBlockPrefixKeys);
        while (cursor.next()) {
            ++s->records;
            if (cursor.data().is_long) ++s->long_records;
        }
        if (cursor.malformed()) return db.fail(kDbBadDataBlock, kDbCorrupt);
    }
    return kDbOk;
}

}  // namespace

int32_t DbStat(DbHandle handle, DbStatistics* statistics) {
    if (!statistics) return kDbBadParameter;
    if (int32_t error = begin_operation(handle, Intent::Read)) return error;
    *statistics = DbStatistics{};
    return end_operation(*handle, gather(*handle, statistics));
}

}  // namespace orvane::store
