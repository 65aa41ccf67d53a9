#include "store/split.h"

#include "store/block.h"
#include "store/blocks.h"
#include "store/open_block.h"

namespace orvane::store {

namespace {

struct Part {
    size_t first;
    size_t last;
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
        const bool left_fits = pack_records(db, records, 0, split, allow_compress, left);
        const bool right_fits = pack_records(db, records, split, n, allow_compress, right);
        if (left_fits && right_fits) {
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

// When no division in two fits (a big record between two others), every
// part takes as many records as fit.
bool find_greedy_parts(Db& db, const Records& records, bool allow_compress,
                       std::vector<Part>* parts) {
    std::vector<uint8_t> raw;
    size_t first = 0;
    while (first < records.size()) {
        if (!pack_records(db, records, first, first + 1, allow_compress, &raw)) return false;
        size_t last = first + 1;
        while (last < records.size() &&
               pack_records(db, records, first, last + 1, allow_compress, &raw))
            ++last;
        parts->push_back({first, last});
        first = last;
    }
    return true;
}

// Writes parts 1.. as new blocks behind entry `position`, then part 0 into
// the block itself, so that a failure leaves the old block intact.
int32_t write_parts(Db& db, size_t position, const Records& records, const std::vector<Part>& parts,
                    bool allow_compress) {
    std::vector<uint8_t> raw;
    for (size_t i = 1; i < parts.size(); ++i) {
        uint32_t block = 0;
        if (int32_t error = next_block_number(db, &block)) return error;
        pack_records(db, records, parts[i].first, parts[i].last, allow_compress, &raw);
        if (int32_t error = write_raw_block(db, block, raw.data())) return error;
        const std::string& key = records[parts[i].first].key;
        add_data_entry(db, position + i, block, reinterpret_cast<const uint8_t*>(key.data()),
                       key.size());
    }
    pack_records(db, records, parts[0].first, parts[0].last, allow_compress, &raw);
    return write_block_records(db, position, records, parts[0].first, parts[0].last, raw);
}

}  // namespace

bool pack_records(Db& db, const Records& records, size_t first, size_t last, bool allow_compress,
                  std::vector<uint8_t>* raw) {
    std::vector<uint8_t> area;
    encode_records(records, first, last, db.prefix_keys(), &area);
    return pack_block(db, area.data(), area.size(), allow_compress, raw);
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

int32_t append_record(Db& db, size_t position, const SharedArea& block_area,
                      const std::string& last_key, const Record& record) {
    const bool prefixed = db.prefix_keys();
    const bool empty = block_area->bytes.empty();
    auto area = std::make_shared<BlockArea>();
    std::vector<uint8_t>& bytes = area->bytes;
    bytes.reserve(block_area->bytes.size() + 2 + record.key.size() + record.data.size());
    bytes = block_area->bytes;
    const size_t prefix = prefixed && !empty ? shared_prefix(last_key, record.key) : 0;
    if (prefixed && !empty) bytes.push_back(static_cast<uint8_t>(prefix));
    bytes.push_back(static_cast<uint8_t>(record.key.size() - prefix));
    bytes.insert(bytes.end(), record.key.begin() + static_cast<long>(prefix), record.key.end());
    bytes.insert(bytes.end(), record.data.begin(), record.data.end());
    const uint32_t block = db.index.block(position);
    const auto* key = reinterpret_cast<const uint8_t*>(record.key.data());
    // Only an area too big for a block unpacked is packed now, to know
    // whether it fits compressed.
    std::vector<uint8_t> raw;
    if (bytes.size() <= db.blocksize() - kDataHeaderSize ||
        pack_block(db, bytes.data(), bytes.size(), db.compress, &raw, false)) {
        area->flags = static_cast<uint8_t>((prefixed ? kBlockPrefixKeys : 0) |
                                           (raw.empty() ? 0 : raw[1] & kBlockCompressed));
        if (int32_t error = keep_open(db, block, std::move(area), std::move(raw))) return error;
        if (empty) update_data_entry(db, position, key, record.key.size());
        return kDbOk;
    }
    if (empty) return kDbDataTooLong;
    // The block stays as it was; the record starts the next one.
    if (int32_t error = close_open_block(db)) return error;
    const Records alone{record};
    if (!pack_records(db, alone, 0, 1, db.compress, &raw) &&
        !(db.file_allows_compression() && pack_records(db, alone, 0, 1, true, &raw)))
        return kDbDataTooLong;
    uint32_t next = 0;
    if (int32_t error = next_block_number(db, &next)) return error;
    add_data_entry(db, position + 1, next, key, record.key.size());
    auto started = std::make_shared<BlockArea>();
    started->bytes.assign(1, static_cast<uint8_t>(record.key.size()));
    started->bytes.insert(started->bytes.end(), record.key.begin(), record.key.end());
    started->bytes.insert(started->bytes.end(), record.data.begin(), record.data.end());
    started->flags = raw[1];
    // Packed above: the record alone may have needed compressing.
    const bool packed = raw[1] & kBlockCompressed;
    return keep_open(db, next, std::move(started),
                     packed ? std::move(raw) : std::vector<uint8_t>{});
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
        parts = {{0, split}, {split, records.size()}};
    } else {
        compress = db.compress || db.file_allows_compression();
        if (!find_greedy_parts(db, records, compress, &parts)) return kDbDataTooLong;
    }
    return write_parts(db, position, records, parts, compress);
}

}  // namespace orvane::store
