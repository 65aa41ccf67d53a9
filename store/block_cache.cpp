#include "store/block_cache.h"

namespace orvane::store {

namespace {

size_t cost(const SharedArea& area) {
    return area->bytes.size() + sizeof(BlockArea);
}

}  // namespace

void BlockCache::set_budget(size_t bytes) {
    budget_ = bytes;
    trim();
}

SharedArea BlockCache::find(uint32_t block) {
    auto found = by_block_.find(block);
    if (found == by_block_.end()) return nullptr;
    order_.splice(order_.begin(), order_, found->second);
    return found->second->area;
}

void BlockCache::put(uint32_t block, SharedArea area) {
    erase(block);
    if (cost(area) > budget_) return;
    used_ += cost(area);
    order_.push_front({block, std::move(area)});
    by_block_[block] = order_.begin();
    trim();
}

void BlockCache::erase(uint32_t block) {
    auto found = by_block_.find(block);
    if (found == by_block_.end()) return;
    used_ -= cost(found->second->area);
    order_.erase(found->second);
    by_block_.erase(found);
}

void BlockCache::clear() {
    order_.clear();
    by_block_.clear();
    used_ = 0;
}

void BlockCache::trim() {
    while (used_ > budget_ && !order_.empty()) {
        used_ -= cost(order_.back().area);
        by_block_.erase(order_.back().block);
        order_.pop_back();
    }
}

}  // namespace orvane::store
