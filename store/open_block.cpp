#include "store/open_block.h"

#include "store/block.h"
#include "store/blocks.h"
#include "store/handle.h"
#include "store/keys.h"
#include "store/split.h"

namespace orvane::store {

namespace {

// An open area beyond this many bytes is packed and written: the bound
// keeps the cost of a put's walk over the area small.
size_t open_area_limit(const Db& db) {
    return 8 * static_cast<size_t>(db.blocksize());
}

// The key header of a record: with prefixed keys and not the first, the
// length shared with the previous key; then the rest of the key.
void append_key_header(bool prefixed, bool first, const std::string& previous,
                       const std::string& key, std::string* out) {
    const size_t prefix = prefixed && !first ? shared_prefix(previous, key) : 0;
    if (prefixed && !first) out->push_back(static_cast<char>(prefix));
    out->push_back(static_cast<char>(key.size() - prefix));
    out->append(key, prefix, std::string::npos);
}

}  // namespace

bool find_place(Db& db, const BlockArea& area, const uint8_t* key, size_t key_length,
                Place* place) {
    RecordCursor cursor(area.bytes.data(), area.bytes.size(), area.flags & kBlockPrefixKeys);
    enum { kBefore, kReplaced, kDone } state = kBefore;
    place->from = place->to = area.bytes.size();
    while (cursor.next()) {
        if (state == kDone) continue;
        const std::string current(reinterpret_cast<const char*>(cursor.key()), cursor.key_length());
        if (state == kReplaced) {
            // The record after the replaced one.
            place->has_next = true;
            place->next_key = current;
            place->to = cursor.data_offset();
            state = kDone;
            continue;
        }
        const int order = compare_keys(db, cursor.key(), cursor.key_length(), key, key_length);
        if (order < 0) {
            place->last_key = current;
            continue;
        }
        place->from = cursor.offset();
        if (order == 0) {
            place->replaces = true;
            place->replaced = cursor.data();
            place->to = cursor.end();
            state = kReplaced;
        } else {
            place->has_next = true;
            place->next_key = current;
            place->to = cursor.data_offset();
            state = kDone;
        }
    }
    return !cursor.malformed();
}

int32_t put_into_open_block(Db& db, size_t position, const SharedArea& area, const Place& place,
                            const Record& record) {
    const uint32_t block = db.index.block(position);
    if (db.open.block != static_cast<int64_t>(block)) {
        // The handle's own copy: cached areas are shared and never change.
        db.open.block = block;
        db.open.area = std::make_shared<BlockArea>(*area);
        db.open.puts = 0;
        db.open.appended_only = true;
    }
    const bool prefixed = area->flags & kBlockPrefixKeys;
    const bool first = place.from == 0;
    std::string inserted;
    append_key_header(prefixed, first, place.last_key, record.key, &inserted);
    inserted += record.data;
    if (place.has_next) append_key_header(prefixed, false, record.key, place.next_key, &inserted);
    std::vector<uint8_t>& bytes = db.open.area->bytes;
    const auto from = bytes.begin() + static_cast<std::ptrdiff_t>(place.from);
    const auto to = bytes.begin() + static_cast<std::ptrdiff_t>(place.to);
    const size_t kept = place.to - place.from;
    if (kept >= inserted.size()) {
        std::copy(inserted.begin(), inserted.end(), from);
        bytes.erase(from + static_cast<std::ptrdiff_t>(inserted.size()), to);
    } else {
        std::copy(inserted.begin(), inserted.begin() + static_cast<std::ptrdiff_t>(kept), from);
        bytes.insert(to, inserted.begin() + static_cast<std::ptrdiff_t>(kept), inserted.end());
    }
    db.open.position = position;
    ++db.open.puts;
    db.open.appended_only = db.open.appended_only && !place.has_next && !place.replaces;
    db.area = db.open.area;
    db.buffer_block = block;
    if (first)
        update_data_entry(db, position, reinterpret_cast<const uint8_t*>(record.key.data()),
                          record.key.size());
    if (bytes.size() > open_area_limit(db)) return close_open_block(db);
    return kDbOk;
}

int32_t close_open_block(Db& db) {
    if (db.open.block < 0) return kDbOk;
    const uint32_t block = static_cast<uint32_t>(db.open.block);
    const std::shared_ptr<BlockArea> area = std::move(db.open.area);
    const bool appended_only = db.open.appended_only;
    const bool run = db.open.puts > 1;
    size_t position = db.open.position;
    drop_open_block(db);
    if (position >= db.index.count() || db.index.block(position) != block)
        position = db.index.find_block(block);
    // The buffer holds the open area; what gets written replaces it.
    if (db.buffer_block == static_cast<int64_t>(block)) forget_buffer(db);
    Records records;
    if (!decode_records(area->bytes.data(), area->bytes.size(), area->flags & kBlockPrefixKeys,
                        &records))
        return db.fail(kDbBadDataBlock, kDbCorrupt);
    if (!run || area->bytes.size() <= db.max_area())
        return write_records(db, position, records, appended_only);
    return write_records_filling(db, position, records);
}

void drop_open_block(Db& db) {
    db.open.block = -1;
    db.open.area.reset();
    db.open.puts = 0;
    db.open.appended_only = true;
}

}  // namespace orvane::store
