// Expanded data blocks kept between reads, so that a block is read, checked
// and expanded once rather than at every read. Bounded by a byte budget;
// the blocks used longest ago go first.
//
// Invariant: an entry holds the record area that the block of that number
// has in the file as this handle sees it. The engine keeps it so by
// replacing the entry whenever it writes the block, dropping it when the
// block is moved or freed, and dropping everything when another process
// wrote (the change counter moved), when a period is undone and when the
// index is rebuilt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <unordered_map>
#include <vector>

namespace orvane::store {

// A block's record area as expanded; shared by the cache and the handle's
// current block, never changed once made.
struct BlockArea {
    std::vector<uint8_t> bytes;
    uint8_t flags = 0;  // the block's flags (prefixed keys, compressed)
};
using SharedArea = std::shared_ptr<const BlockArea>;

class BlockCache {
  public:
    static constexpr size_t kDefaultBudget = 4u << 20;

    // 0 keeps nothing.
    void set_budget(size_t bytes);
    size_t budget() const { return budget_; }

    // The area of `block`, or null; a hit makes it the most recent.
    SharedArea find(uint32_t block);
    void put(uint32_t block, SharedArea area);
    void erase(uint32_t block);
    void clear();

  private:
    struct Entry {
        uint32_t block;
        SharedArea area;
    };
    void trim();

    size_t budget_ = kDefaultBudget;
    size_t used_ = 0;
    std::list<Entry> order_;  // most recent first
    std::unordered_map<uint32_t, std::list<Entry>::iterator> by_block_;
};

}  // namespace orvane::store
