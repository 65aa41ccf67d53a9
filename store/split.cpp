#include "store/split.h"

#include "store/block.h"
#include "store/blocks.h"

namespace orvane::store {

namespace {

// Records [first, last) and the block they are packed into.
struct Part {
    size_t first;
    size_t last;
    std::vector<uint8_t> raw;
};

// The split point by the rule: half the bytes to the left part (all but the
// new last record after an append), then more to the left while the right
// part would not fit.
size_t initial_split(Db& db, const Records& records, bool appended, bool prefixed) {
    const size_t n = records.size();
    const size_t capacity = db.blocksize() - kDataHeaderSize;
    size_t split = n - 1;
    if (!appended) {
        const size_t total = area_size(records, 0, n, prefixed);
        size_t left = 0;
        split = 0;
        while (split < n - 1 && left * 2 < total) {
            left += area_size(records, split, split + 1, prefixed);
            ++split;
        }
        if (split == 0) split = 1;
    }
    while (split < n - 1 && area_size(records, split, n, prefixed) > capacity) ++split;
    return split;
}

// Moves the split point towards the part that does not fit, never turning
// back. Fills `left` and `right` and gives true when both parts fit.
bool find_two_way_split(Db& db, const Records& records, bool appended, bool allow_compress,
                        std::vector<uint8_t>* left, std::vector<uint8_t>* right, size_t* split_at) {
    const size_t n = records.size();
    size_t split = initial_split(db, records, appended, db.prefix_keys());
    int direction = 0;
    for (;;) {
        const bool left_fits = pack_records(db, records, 0, split, allow_compress, left, false);
        const bool right_fits = pack_records(db, records, split, n, allow_compress, right, false);
        if (left_fits && right_fits) {
            seal_block(left);
            seal_block(right);
            *split_at = split;
            return true;
        }
        if (!left_fits && !right_fits) return false;
        const int wanted = left_fits ? 1 : -1;
        if (direction != 0 && wanted != direction) return false;
        direction = wanted;
        if ((wanted < 0 && split == 1) || (wanted > 0 && split == n - 1)) return false;
        split = wanted > 0 ? split + 1 : split - 1;
    }
}

// When no division in two fits (a big record between two others), or when
// records came in key order, every part takes as many records as fit. Only
// parts too big to fit unpacked are packed on trial.
bool find_greedy_parts(Db& db, const Records& records, bool allow_compress,
                       std::vector<Part>* parts) {
    const size_t capacity = db.blocksize() - kDataHeaderSize;
    const bool prefixed = db.prefix_keys();
    std::vector<uint8_t> packed, trial;
    size_t first = 0;
    while (first < records.size()) {
        size_t last = first, size = 0;
        bool compressed = false;
        while (last < records.size()) {
            const size_t grown = size + record_size(records, last, first, prefixed);
            if (grown > capacity) {
                if (!allow_compress || grown > db.max_area() ||
                    !pack_records(db, records, first, last + 1, true, &trial, false))
                    break;
                std::swap(packed, trial);
                compressed = true;
            }
            size = grown;
            ++last;
        }
        if (last == first) return false;
        if (compressed)
            seal_block(&packed);
        else
            pack_records(db, records, first, last, false, &packed);
        parts->push_back({first, last, std::move(packed)});
        packed.clear();
        first = last;
    }
    return true;
}

// Writes parts 1.. as new blocks behind entry `position`, then part 0 into
// the block itself, so that a failure leaves the old block intact.
int32_t write_parts(Db& db, size_t position, const Records& records,
                    const std::vector<Part>& parts) {
    for (size_t i = 1; i < parts.size(); ++i) {
        uint32_t block = 0;
        if (int32_t error = next_block_number(db, &block)) return error;
        if (int32_t error = write_raw_block(db, block, parts[i].raw.data())) return error;
        const std::string& key = records[parts[i].first].key;
        add_data_entry(db, position + i, block, reinterpret_cast<const uint8_t*>(key.data()),
                       key.size());
    }
    return write_block_records(db, position, records, parts[0].first, parts[0].last, parts[0].raw);
}

}  // namespace

bool pack_records(Db& db, const Records& records, size_t first, size_t last, bool allow_compress,
                  std::vector<uint8_t>* raw, bool seal) {
    std::vector<uint8_t> area;
    encode_records(records, first, last, db.prefix_keys(), &area);
    return pack_block(db, area.data(), area.size(), allow_compress, raw, seal);
}

int32_t write_block_records(Db& db, size_t position, const Records& records, size_t first,
                            size_t last, const std::vector<uint8_t>& raw) {
    std::vector<uint8_t> area;
    encode_records(records, first, last, db.prefix_keys(), &area);
    if (int32_t error =
            write_packed_block(db, db.index.block(position), raw, area.data(), area.size()))
        return error;
    if (first == last) {
        update_data_entry(db, position, nullptr, 0);
    } else {
        const std::string& key = records[first].key;
        update_data_entry(db, position, reinterpret_cast<const uint8_t*>(key.data()), key.size());
    }
    return kDbOk;
}

int32_t write_records(Db& db, size_t position, const Records& records, bool appended) {
    std::vector<uint8_t> raw;
    if (pack_records(db, records, 0, records.size(), db.compress, &raw))
        return write_block_records(db, position, records, 0, records.size(), raw);
    if (records.size() < 2) return kDbDataTooLong;

    std::vector<uint8_t> left, right;
    size_t split = 0;
    bool compress = db.compress;
    bool found = find_two_way_split(db, records, appended, compress, &left, &right, &split);
    if (!found && !compress && db.file_allows_compression()) {
        compress = true;
        found = find_two_way_split(db, records, appended, compress, &left, &right, &split);
    }
    std::vector<Part> parts;
    if (found) {
        parts.push_back({0, split, std::move(left)});
        parts.push_back({split, records.size(), std::move(right)});
    } else {
        compress = db.compress || db.file_allows_compression();
        if (!find_greedy_parts(db, records, compress, &parts)) return kDbDataTooLong;
    }
    return write_parts(db, position, records, parts);
}

int32_t write_records_filling(Db& db, size_t position, const Records& records) {
    bool compress = db.compress;
    std::vector<Part> parts;
    if (!find_greedy_parts(db, records, compress, &parts)) {
        if (compress || !db.file_allows_compression()) return kDbDataTooLong;
        compress = true;
        parts.clear();
        if (!find_greedy_parts(db, records, compress, &parts)) return kDbDataTooLong;
    }
    return write_parts(db, position, records, parts);
}

}  // namespace orvane::store
