// The writes of the current lock period that have not reached the file yet,
// and what the period's journal already holds. The file is seen in units of
// the block size: unit k covers the bytes [k * unit, (k + 1) * unit).
//
// Invariants between calls (store/io.cpp keeps them):
//  - a unit in `pending` holds the period's content of the whole unit, with
//    zeros past `size`;
//  - outside `pending`, the file holds the period's content below
//    min(`size`, `cut`); from `cut` on the content is zeros (the file is
//    cut there when the pending units are written);
//  - a unit that lay, even in part, inside the file when the period began
//    (below `start_size`) is overwritten or cut off only after its
//    before-image was flushed to the journal; it is then in `journaled`.
// Pending units are written to the file when they exceed `limit` bytes and
// when the period commits; so a period that rewrites a block many times
// writes it once, and the journal is flushed once per batch of units.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <vector>

namespace orvane::store {

struct PeriodWrites {
    // Pending units beyond this many bytes are written out.
    static constexpr size_t kDefaultLimit = 4u << 20;
    static constexpr size_t kSparePages = 256;

    bool active = false;  // the period has written (begin() was called)
    uint32_t unit = 0;
    uint64_t start_size = 0;  // the file's size when the period began
    uint64_t size = 0;        // the file's size as the period sees it
    uint64_t disk_size = 0;   // the file's size on disk now
    uint64_t cut = 0;         // lowest size the period cut the file to; see above
    std::map<uint64_t, std::vector<uint8_t>> pending;
    std::set<uint64_t> journaled;
    size_t limit = kDefaultLimit;
    // Unit buffers of written units, kept for the next ones, and the buffer
    // adjacent units are gathered in for one transfer.
    std::vector<std::vector<uint8_t>> spare_pages;
    std::vector<uint8_t> run;

    void begin(uint64_t file_size, uint32_t unit_size) {
        active = true;
        unit = unit_size;
        start_size = size = disk_size = cut = file_size;
        release_pending();
        journaled.clear();
    }
    void end() {
        active = false;
        release_pending();
        journaled.clear();
    }
    // Empties `pending`, keeping some of its buffers.
    void release_pending() {
        for (auto& entry : pending)
            if (spare_pages.size() < kSparePages) spare_pages.push_back(std::move(entry.second));
        pending.clear();
    }
    // A buffer for a new pending unit, all zeros.
    std::vector<uint8_t> new_page() {
        if (spare_pages.empty()) return std::vector<uint8_t>(unit, 0);
        std::vector<uint8_t> page = std::move(spare_pages.back());
        spare_pages.pop_back();
        page.assign(unit, 0);
        return page;
    }
    size_t pending_bytes() const { return pending.size() * unit; }
};

}  // namespace orvane::store
