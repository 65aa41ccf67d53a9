// DbCompact: packing the data blocks in key order, so that every block but
// the last is full, and freeing the blocks left over.
#include <vector>

#include "store/block.h"
#include "store/blocks.h"
#include "store/keys.h"
#include "store/period.h"
#include "store/split.h"

namespace orvane::store {

namespace {

struct Output {
    uint32_t block;
    std::string first_key;
};

class Compaction {
  public:
    explicit Compaction(Db& db) : db_(db) {}
    int32_t run();

  private:
    int32_t absorb(size_t input);
    int32_t emit(size_t input, bool final);
    int32_t write_output(size_t records, size_t input);
    int32_t finish(size_t consumed);

    Db& db_;
    std::vector<uint32_t> inputs_;  // the data blocks in key order
    Records pending_;               // read, not yet written
    std::vector<size_t> source_;    // input block of each pending record
    std::vector<Output> outputs_;
    std::vector<uint8_t> raw_;
};

int32_t Compaction::absorb(size_t input) {
    const size_t position = db_.index.data_begin() + input;
    if (int32_t error = load_block(db_, position)) return error;
    Records records;
    if (!decode_records(db_.area_bytes(), db_.area_length(), db_.area_flags() & kBlockPrefixKeys,
                        &records))
        return db_.fail(kDbBadDataBlock, kDbCorrupt);
    for (Record& record : records) {
        pending_.push_back(std::move(record));
        source_.push_back(input);
    }
    return kDbOk;
}

// Writes the `records` leading pending records as the next output block:
// into the place of the input block of the same rank once every record of
// that block is written, else (rarely, when keys lost their shared prefix)
// into a new block, so that a record is never overwritten before it is
// safe elsewhere.
int32_t Compaction::write_output(size_t records, size_t input) {
    const size_t rank = outputs_.size();
    uint32_t block = 0;
    const bool place_free = rank < inputs_.size() && rank <= input &&
                            (records == pending_.size() || source_[records] > rank);
    if (place_free) {
        block = inputs_[rank];
    } else if (int32_t error = next_block_number(db_, &block)) {
        return error;
    }
    if (int32_t error = write_raw_block(db_, block, raw_.data())) return error;
    if (!place_free) {
        // Listed at once, so that numbering stays dense while more follow.
        const std::string& key = pending_.front().key;
        add_data_entry(db_, db_.index.count(), block, reinterpret_cast<const uint8_t*>(key.data()),
                       key.size());
    }
    outputs_.push_back({block, pending_.front().key});
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(records));
    source_.erase(source_.begin(), source_.begin() + static_cast<long>(records));
    return kDbOk;
}

// Cuts full blocks off the pending records: while all of them fit, they wait
// for the next block's records (unless this is the end).
int32_t Compaction::emit(size_t input, bool final) {
    const bool allow = db_.compress || db_.file_allows_compression();
    while (!pending_.empty()) {
        if (pack_records(db_, pending_, 0, pending_.size(), allow, &raw_)) {
            if (!final) return kDbOk;
            return write_output(pending_.size(), input);
        }
        size_t fit = 1;
        while (fit + 1 < pending_.size() && pack_records(db_, pending_, 0, fit + 1, allow, &raw_))
            ++fit;
        if (!pack_records(db_, pending_, 0, fit, allow, &raw_)) return kDbDataTooLong;
        if (int32_t error = write_output(fit, input)) return error;
    }
    return kDbOk;
}

int32_t Compaction::run() {
    const Index& index = db_.index;
    for (size_t i = index.data_begin(); i < index.count(); ++i) inputs_.push_back(index.block(i));
    const int32_t total = static_cast<int32_t>(inputs_.size());
    size_t consumed = 0;
    int32_t result = kDbOk;
    while (consumed < inputs_.size()) {
        if (int32_t error = absorb(consumed)) return error;
        const bool last = consumed + 1 == inputs_.size();
        if (int32_t error = emit(consumed, last)) return error;
        ++consumed;
        if (!last && db_.notify(kDbCallbackCompact, static_cast<int32_t>(consumed), total) == 0) {
            result = kDbAborted;
            if (int32_t error = emit(consumed - 1, true)) return error;
            break;
        }
    }
    if (consumed == inputs_.size()) db_.notify(kDbCallbackCompact, total, total);
    if (int32_t error = finish(consumed)) return error;
    return result;
}

// Lists the outputs and the input blocks not reached, and frees the rest.
int32_t Compaction::finish(size_t consumed) {
    Index& index = db_.index;
    std::vector<Output> listed = outputs_;
    for (size_t i = consumed; i < inputs_.size(); ++i) {
        uint8_t key[256];
        size_t length = 0;
        if (int32_t error = read_first_key(db_, index.data_begin() + i, key, &length)) return error;
        listed.push_back({inputs_[i], std::string(reinterpret_cast<const char*>(key), length)});
    }
    if (listed.empty()) {
        // The file holds no records: its first block stays, empty.
        pack_block(db_, nullptr, 0, false, &raw_);
        if (int32_t error = write_raw_block(db_, inputs_[0], raw_.data())) return error;
        listed.push_back({inputs_[0], std::string()});
    }
    std::vector<bool> used(index.count(), false);
    for (const Output& o : listed) used[o.block] = true;
    std::vector<uint32_t> unused;
    for (size_t i = 0; i < consumed && i < inputs_.size(); ++i)
        if (!used[inputs_[i]]) unused.push_back(inputs_[i]);
    while (index.count() > index.extension_count()) index.remove(index.count() - 1);
    for (const Output& o : listed)
        add_data_entry(db_, index.count(), o.block,
                       reinterpret_cast<const uint8_t*>(o.first_key.data()), o.first_key.size());
    if (int32_t error = drop_unlisted_blocks(db_, unused)) return error;
    fit_block_number_width(db_, index.count());
    return kDbOk;
}

}  // namespace

int32_t DbCompact(DbHandle handle) {
    if (int32_t error = begin_operation(handle, Intent::Write)) return error;
    int32_t result = begin_write(*handle);
    if (!result) result = with_auto_repair(*handle, [handle] { return Compaction(*handle).run(); });
    return end_operation(*handle, result);
}

}  // namespace orvane::store
