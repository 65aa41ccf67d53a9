#include "store/index.h"

#include <algorithm>
#include <cstring>

#include "platform/bytes.h"

namespace orvane::store {

using platform::load_le32;
using platform::store_le32;

namespace {

// The array grows in steps of 16 KiB.
constexpr size_t kAllocationStep = 16384;

void reserve_in_steps(std::vector<uint8_t>& bytes, size_t needed) {
    if (needed > bytes.capacity())
        bytes.reserve((needed + kAllocationStep - 1) / kAllocationStep * kAllocationStep);
}

}  // namespace

void Index::set_layout(bool wide, uint32_t header_entry_size) {
    key_offset_ = wide ? 3 : 2;
    entry_size_ = header_entry_size + (wide ? 1 : 0);
}

uint32_t Index::block(size_t i) const {
    const uint8_t* e = entry(i);
    uint32_t number = static_cast<uint32_t>(e[0]) | static_cast<uint32_t>(e[1]) << 8;
    if (key_offset_ == 3) number |= static_cast<uint32_t>(e[2]) << 16;
    return number;
}

void Index::set_block(size_t i, uint32_t block) {
    uint8_t* e = entry(i);
    e[0] = static_cast<uint8_t>(block);
    e[1] = static_cast<uint8_t>(block >> 8);
    if (key_offset_ == 3) e[2] = static_cast<uint8_t>(block >> 16);
}

uint32_t Index::extension_key(size_t i) const {
    return load_le32(entry(i) + key_offset_ + 2);
}

void Index::assign(const uint8_t* entries, uint32_t count) {
    count_ = count;
    bytes_.clear();
    reserve_in_steps(bytes_, byte_size());
    bytes_.assign(entries, entries + byte_size());
    count_extensions();
}

void Index::count_extensions() {
    extension_count_ = 0;
    while (extension_count_ + 1 < count_ && key_length(extension_count_) == 0) ++extension_count_;
}

void Index::make_room(size_t position) {
    reserve_in_steps(bytes_, byte_size() + entry_size_);
    bytes_.insert(bytes_.begin() + static_cast<ptrdiff_t>(position * entry_size_), entry_size_, 0);
    ++count_;
}

void Index::insert_data_entry(size_t position, uint32_t block, const uint8_t* cut_key,
                              uint32_t key_length) {
    make_room(position);
    set_block(position, block);
    set_data_key(position, cut_key, key_length);
}

void Index::set_data_key(size_t position, const uint8_t* cut_key, uint32_t key_length) {
    uint8_t* e = entry(position);
    e[key_offset_] = static_cast<uint8_t>(key_length);
    std::memcpy(e + key_offset_ + 1, cut_key, key_width());
}

size_t Index::insert_extension_entry(uint32_t block, uint32_t extension_key) {
    size_t low = 0, high = extension_count_;
    while (low < high) {
        size_t middle = (low + high) / 2;
        if (this->extension_key(middle) < extension_key)
            low = middle + 1;
        else
            high = middle;
    }
    make_room(low);
    set_block(low, block);
    store_le32(entry(low) + key_offset_ + 2, extension_key);
    ++extension_count_;
    return low;
}

void Index::remove(size_t position) {
    auto first = bytes_.begin() + static_cast<ptrdiff_t>(position * entry_size_);
    bytes_.erase(first, first + entry_size_);
    --count_;
    if (position < extension_count_) --extension_count_;
}

size_t Index::find_extension(uint32_t extension_key) const {
    size_t low = 0, high = extension_count_;
    while (low < high) {
        size_t middle = (low + high) / 2;
        uint32_t key = this->extension_key(middle);
        if (key == extension_key) return middle;
        if (key < extension_key)
            low = middle + 1;
        else
            high = middle;
    }
    return npos;
}

size_t Index::find_block(uint32_t block) const {
    for (size_t i = 0; i < count_; ++i)
        if (this->block(i) == block) return i;
    return npos;
}

void Index::convert(bool wide) {
    if (wide == this->wide()) return;
    const uint32_t old_size = entry_size_;
    const uint32_t new_size = wide ? old_size + 1 : old_size - 1;
    std::vector<uint8_t> converted;
    reserve_in_steps(converted, static_cast<size_t>(count_) * new_size);
    converted.resize(static_cast<size_t>(count_) * new_size);
    for (size_t i = 0; i < count_; ++i) {
        const uint8_t* from = bytes_.data() + i * old_size;
        uint8_t* to = converted.data() + i * new_size;
        to[0] = from[0];
        to[1] = from[1];
        if (wide) {
            to[2] = 0;
            std::memcpy(to + 3, from + 2, old_size - 2);
        } else {
            std::memcpy(to + 2, from + 3, old_size - 3);
        }
    }
    bytes_.swap(converted);
    entry_size_ = new_size;
    key_offset_ = wide ? 3 : 2;
}

}  // namespace orvane::store
