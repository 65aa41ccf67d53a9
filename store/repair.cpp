// Rebuilding the index from the blocks themselves. Run by DbRepair and
// automatically when an operation meets a bad index (reason 26: one step per
// block) or a bad structure (reason 16: a second pass over the records).
#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/bytes.h"
#include "store/block.h"
#include "store/blocks.h"
#include "store/crc8.h"
#include "store/header.h"
#include "store/io.h"
#include "store/keys.h"
#include "store/long_record.h"
#include "store/period.h"
#include "store/split.h"

namespace orvane::store {

using namespace header_offset;
using platform::load_le16;
using platform::load_le32;

namespace {

struct BlockInfo {
    uint32_t block = 0;
    bool extension = false;
    bool bad = false;
    uint32_t extension_key = 0;
    std::string first_key;
    bool referenced = false;  // extension block used by a record
};

class Repair {
  public:
    Repair(Db& db, int32_t reason)
        : db_(db),
          code_(reason == kDbBadIndex ? kDbCallbackRepairIndex : kDbCallbackRepair),
          record_pass_(reason != kDbBadIndex) {}

    int32_t run();

  private:
    bool progress(uint32_t step) {
        return db_.notify(code_, static_cast<int32_t>(step), static_cast<int32_t>(steps_)) != 0;
    }
    void prepare_header(uint32_t count);
    int32_t scan_block(uint32_t block, BlockInfo* info);
    void sort_and_mark_duplicates();
    int32_t check_records();
    int32_t check_block_records(BlockInfo& info, const std::string* previous_last,
                                std::string* last);
    bool extension_readable(const DataPart& part);
    void build_index();
    int32_t drop_bad_blocks();
    void reset_extension_counter();

    Db& db_;
    int32_t code_;
    bool record_pass_;
    uint32_t steps_ = 0;
    uint32_t step_ = 0;
    std::vector<BlockInfo> extensions_;
    std::vector<BlockInfo> data_;
    std::vector<uint32_t> bad_blocks_;
};

void Repair::prepare_header(uint32_t count) {
    uint32_t entry_size = load_le16(&db_.header[kEntrySize]);
    if (entry_size < 8 || entry_size > 254) entry_size = 8;
    const bool wide = count > kVersion2MaxBlocks;
    platform::store_le16(&db_.header[kEntrySize], static_cast<uint16_t>(entry_size));
    platform::store_le16(&db_.header[kVersion], wide ? 3 : 2);
    db_.header[kWide] = wide ? 1 : 0;
    db_.index.set_layout(wide, entry_size);
}

// A sound block whose bytes behind its stored bytes are not zero is written
// again with zeros there, as the format keeps them.
int32_t clear_padding(Db& db, uint32_t block, std::vector<uint8_t>& raw, size_t used) {
    if (std::all_of(raw.begin() + static_cast<long>(used), raw.end(),
                    [](uint8_t b) { return b == 0; }))
        return kDbOk;
    std::fill(raw.begin() + static_cast<long>(used), raw.end(), 0);
    return write_raw_block(db, block, raw.data());
}

int32_t Repair::scan_block(uint32_t block, BlockInfo* info) {
    info->block = block;
    std::vector<uint8_t> raw(db_.blocksize());
    if (read_raw_block(db_, block, raw.data()) != kDbOk) {
        info->bad = true;
        return kDbOk;
    }
    if (raw[1] == kExtensionMarker) {
        info->extension = true;
        const size_t length = load_le16(&raw[2]);
        info->extension_key = load_le32(&raw[4]);
        if (length > db_.blocksize() - kExtensionHeaderSize) {
            info->bad = true;
            db_.notify(kDbBadExtensionBlock, 1, 1);
        } else if (crc8(&raw[1], kExtensionHeaderSize - 1 + length) != raw[0]) {
            info->bad = true;
            db_.notify(kDbExtensionBlockCrc, 1, 1);
        } else {
            return clear_padding(db_, block, raw, kExtensionHeaderSize + length);
        }
        return kDbOk;
    }
    forget_buffer(db_);
    if (load_block_number(db_, block) != kDbOk) {
        info->bad = true;
        return kDbOk;
    }
    RecordCursor cursor(db_.area_bytes(), db_.area_length(), db_.area_flags() & kBlockPrefixKeys);
    if (!cursor.next()) {
        // Empty blocks are dropped; an empty file keeps one below.
        if (!cursor.malformed()) db_.notify(kDbRepairEmptyBlock, 1, 1);
        info->bad = true;
        return kDbOk;
    }
    info->first_key.assign(reinterpret_cast<const char*>(cursor.key()), cursor.key_length());
    return clear_padding(db_, block, raw, kDataHeaderSize + load_le16(&raw[2]));
}

void Repair::sort_and_mark_duplicates() {
    std::sort(extensions_.begin(), extensions_.end(), [](const BlockInfo& a, const BlockInfo& b) {
        return a.extension_key < b.extension_key;
    });
    for (size_t i = 1; i < extensions_.size(); ++i) {
        if (extensions_[i].extension_key == extensions_[i - 1].extension_key) {
            db_.notify(kDbIndexDuplicateExtension, 1, 1);
            extensions_[i].bad = extensions_[i - 1].bad = true;
            record_pass_ = true;
        }
    }
    auto less = [this](const BlockInfo& a, const BlockInfo& b) {
        return compare_keys(
                   db_, reinterpret_cast<const uint8_t*>(a.first_key.data()), a.first_key.size(),
                   reinterpret_cast<const uint8_t*>(b.first_key.data()), b.first_key.size()) < 0;
    };
    std::stable_sort(data_.begin(), data_.end(), less);
    for (size_t i = 1; i < data_.size(); ++i) {
        if (!less(data_[i - 1], data_[i])) {
            db_.notify(kDbIndexDuplicateKey, 1, 1);
            record_pass_ = true;
        }
    }
}

bool Repair::extension_readable(const DataPart& part) {
    for (uint32_t i = 0; i < part.blocks; ++i) {
        auto it = std::lower_bound(
            extensions_.begin(), extensions_.end(), part.base + i,
            [](const BlockInfo& e, uint32_t key) { return e.extension_key < key; });
        if (it == extensions_.end() || it->extension_key != part.base + i || it->bad) return false;
    }
    for (uint32_t i = 0; i < part.blocks; ++i) {
        auto it = std::lower_bound(
            extensions_.begin(), extensions_.end(), part.base + i,
            [](const BlockInfo& e, uint32_t key) { return e.extension_key < key; });
        it->referenced = true;
    }
    return true;
}

// Keeps the records of one block that ascend after `previous_last` and whose
// long data is all there; rewrites the block when it lost any.
int32_t Repair::check_block_records(BlockInfo& info, const std::string* previous_last,
                                    std::string* last) {
    forget_buffer(db_);
    if (load_block_number(db_, info.block) != kDbOk) {
        info.bad = true;
        return kDbOk;
    }
    Records records;
    decode_records(db_.area_bytes(), db_.area_length(), db_.area_flags() & kBlockPrefixKeys,
                   &records);
    Records kept;
    bool changed = false;
    for (Record& record : records) {
        const std::string& bound =
            kept.empty() ? (previous_last ? *previous_last : std::string()) : kept.back().key;
        const bool ascending =
            (kept.empty() && !previous_last) ||
            compare_keys(db_, reinterpret_cast<const uint8_t*>(bound.data()), bound.size(),
                         reinterpret_cast<const uint8_t*>(record.key.data()),
                         record.key.size()) < 0;
        DataPart part;
        parse_data_part(reinterpret_cast<const uint8_t*>(record.data.data()), record.data.size(),
                        &part);
        if (!ascending || (part.is_long && !extension_readable(part))) {
            changed = true;
            continue;
        }
        kept.push_back(std::move(record));
    }
    if (!changed && !kept.empty() &&
        db_.area_length() ==
            area_size(records, 0, records.size(), db_.area_flags() & kBlockPrefixKeys)) {
        *last = kept.back().key;
        return kDbOk;
    }
    if (kept.empty()) {
        db_.notify(kDbRepairFailed, 1, 1);
        info.bad = true;
        return kDbOk;
    }
    std::vector<uint8_t> raw;
    if (!pack_records(db_, kept, 0, kept.size(), db_.file_allows_compression(), &raw)) {
        // Dropping a record can give the next its whole key back; keep the
        // records that still fit.
        while (kept.size() > 1 &&
               !pack_records(db_, kept, 0, kept.size(), db_.file_allows_compression(), &raw))
            kept.pop_back();
        db_.notify(kDbRepairFailed, 1, 1);
    }
    if (write_raw_block(db_, info.block, raw.data()) != kDbOk) return kDbWriteError;
    info.first_key = kept.front().key;
    *last = kept.back().key;
    return kDbOk;
}

int32_t Repair::check_records() {
    std::string last;
    bool have_last = false;
    for (BlockInfo& info : data_) {
        if (!progress(++step_)) return kDbAborted;
        if (info.bad) continue;
        std::string block_last;
        if (int32_t error = check_block_records(info, have_last ? &last : nullptr, &block_last))
            return error;
        if (!info.bad) {
            last = block_last;
            have_last = true;
        }
    }
    for (BlockInfo& e : extensions_)
        if (!e.referenced) e.bad = true;
    return kDbOk;
}

void Repair::build_index() {
    std::vector<uint8_t> none;
    db_.index.assign(none.data(), 0);
    for (const BlockInfo& e : extensions_)
        if (!e.bad)
            db_.index.insert_extension_entry(e.block, e.extension_key);
        else
            bad_blocks_.push_back(e.block);
    for (const BlockInfo& d : data_) {
        if (d.bad) {
            bad_blocks_.push_back(d.block);
            continue;
        }
        uint8_t cut[256];
        cut_key(db_, reinterpret_cast<const uint8_t*>(d.first_key.data()), d.first_key.size(), cut);
        db_.index.insert_data_entry(db_.index.count(), d.block, cut,
                                    static_cast<uint32_t>(d.first_key.size()));
    }
}

int32_t Repair::drop_bad_blocks() {
    if (int32_t error = drop_unlisted_blocks(db_, bad_blocks_)) return error;
    if (db_.index.data_count() == 0 || db_.index.count() == db_.index.extension_count()) {
        // Nothing readable is left: one empty data block.
        std::vector<uint8_t> empty;
        pack_block(db_, nullptr, 0, false, &empty);
        const uint32_t block = db_.index.count();
        if (int32_t error = write_raw_block(db_, block, empty.data())) return error;
        const uint8_t cut[256] = {};
        db_.index.insert_data_entry(db_.index.count(), block, cut, 0);
    }
    return kDbOk;
}

void Repair::reset_extension_counter() {
    uint32_t next = 0;
    db_.header[kWrapped] = 0;
    if (db_.index.extension_count() > 0) {
        next =
            (db_.index.extension_key(db_.index.extension_count() - 1) & ~0xFFu) + kExtensionKeyStep;
        if (next == 0) db_.header[kWrapped] = 1;
    }
    if (db_.header[kWrapped]) next = first_unused_base(db_, 0);
    platform::store_le32(&db_.header[kNextExtension], next);
}

int32_t Repair::run() {
    uint64_t file_size = 0;
    if (!store::file_size(db_, &file_size)) return kDbReadError;
    uint64_t blocks = file_size / db_.blocksize();
    const uint32_t count =
        static_cast<uint32_t>(std::clamp<uint64_t>(blocks > 0 ? blocks - 1 : 0, 1, kMaxBlocks));
    prepare_header(count);
    steps_ = record_pass_ || code_ == kDbCallbackRepair ? 2 * count : count;
    if (!progress(0)) return kDbAborted;
    for (uint32_t block = 0; block < count; ++block) {
        BlockInfo info;
        if (int32_t error = scan_block(block, &info)) return error;
        if (info.bad && !info.extension && !record_pass_) {
            // The records of the other blocks are checked too: that pass
            // joins the progress shown, which must not run past its total.
            record_pass_ = true;
            steps_ = 2 * count;
        }
        (info.extension ? extensions_ : data_).push_back(std::move(info));
        if (!progress(++step_)) return kDbAborted;
    }
    sort_and_mark_duplicates();
    if (record_pass_) {
        if (int32_t error = check_records()) return error;
    }
    build_index();
    if (int32_t error = drop_bad_blocks()) return error;
    set_blockcount(db_, db_.index.count());
    fit_block_number_width(db_, db_.index.count());
    reset_extension_counter();
    db_.dirty_index = db_.dirty_header = db_.dirty_table = db_.dirty_size = true;
    // Everything in block 0 behind the index is zeroed when it is written,
    // and both backups are written afresh.
    db_.index_bytes_in_block0 = db_.blocksize() - kHeaderSize;
    (void)progress(steps_);  // the work is done: a late cancel changes nothing
    return kDbOk;
}

}  // namespace

int32_t repair(Db& db, int32_t reason) {
    if (!db.writable || db.file_read_only) return kDbReadOnly;
    if (db.repairing) return kDbCorrupt;
    // Every block is read from the file, so an open one is written first.
    if (int32_t error = close_open_block(db)) return error;
    db.repairing = true;
    forget_blocks(db);
    db.search.result = -1;
    const HeaderBytes old_header = db.header;
    const Index old_index = db.index;
    int32_t result = begin_write(db);
    if (!result) result = Repair(db, reason).run();
    if (result) {
        // Back to the state before, but leave the index on disk stale so that
        // the next open repairs again.
        const uint32_t counter = header_counter(db.header);
        db.header = old_header;
        platform::store_le32(&db.header[4], counter);
        adopt_header(db);
        db.index = old_index;
        db.dirty_index = db.dirty_header = db.dirty_size = false;
    }
    forget_blocks(db);
    db.repairing = false;
    return result;
}

int32_t DbRepair(DbHandle handle) {
    if (!handle) return kDbNotOpen;
    if (int32_t error = begin_operation(handle, Intent::Write, ChangeCheck::HeaderOnly))
        return error;
    return end_operation(*handle, repair(*handle, kDbCorrupt));
}

}  // namespace orvane::store
