#include "tests/store/layout.h"

#include <vector>

#include "store/block.h"
#include "store/handle.h"
#include "store/records.h"
#include "tests/store/test_db.h"

namespace orvane::store::testing {

Layout layout_of(DbHandle db) {
    Layout layout;
    layout.blocksize = db->blocksize();
    const Index& index = db->index;
    for (size_t i = 0; i < index.count(); ++i)
        layout.is_extension[index.block(i)] = i < index.extension_count();
    for (size_t position = index.data_begin(); position < index.count(); ++position) {
        forget_buffer(*db);
        if (load_block(*db, position) != kDbOk) continue;
        Records records;
        decode_records(db->area_bytes(), db->area_length(), db->area_flags() & kBlockPrefixKeys,
                       &records);
        for (const Record& record : records) {
            layout.by_block[index.block(position)].insert(record.key);
            DataPart part;
            parse_data_part(reinterpret_cast<const uint8_t*>(record.data.data()),
                            record.data.size(), &part);
            for (uint32_t i = 0; part.is_long && i < part.blocks; ++i) {
                const size_t at = index.find_extension(part.base + i);
                if (at != Index::npos) layout.by_block[index.block(at)].insert(record.key);
            }
        }
    }
    forget_buffer(*db);
    auto r = get(db, GET_FIRST, "");
    while (r.code == kDbOk) {
        layout.records[r.key] = r.data;
        r = get(db, GET_NEXT, r.key);
    }
    return layout;
}

}  // namespace orvane::store::testing
