// The in-memory index: one fixed-size entry per block. Extension entries
// (pieces of long records) come first, sorted by extension key; data entries
// follow, sorted by the first key of their blocks. Entry layout (K = 2 for
// 16-bit block numbers, 3 for 24-bit):
//   0..K-1  block number, little-endian
//   K       key length of the block's first key; 0 for an extension entry
//   K+1..   data entry: the first key's leading bytes, collated, zero-padded
//   K+1     extension entry: 0, then K+2..K+5 the extension key
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace orvane::store {

class Index {
  public:
    static constexpr size_t npos = static_cast<size_t>(-1);

    // Entry size as the header stores it; wide entries are one byte longer.
    void set_layout(bool wide, uint32_t header_entry_size);
    bool wide() const { return key_offset_ == 3; }
    uint32_t entry_size() const { return entry_size_; }
    uint32_t key_offset() const { return key_offset_; }
    // How many leading bytes of a first key the entry holds.
    uint32_t key_width() const { return entry_size_ - key_offset_ - 1; }

    uint32_t count() const { return count_; }
    uint32_t extension_count() const { return extension_count_; }
    size_t data_begin() const { return extension_count_; }
    uint32_t data_count() const { return count_ - extension_count_; }

    uint8_t* entry(size_t i) { return bytes_.data() + i * entry_size_; }
    const uint8_t* entry(size_t i) const { return bytes_.data() + i * entry_size_; }
    uint32_t block(size_t i) const;
    void set_block(size_t i, uint32_t block);
    uint32_t key_length(size_t i) const { return entry(i)[key_offset_]; }
    const uint8_t* cut_key(size_t i) const { return entry(i) + key_offset_ + 1; }
    uint32_t extension_key(size_t i) const;

    // Replaces the whole index with `count` entries of the current layout.
    void assign(const uint8_t* entries, uint32_t count);
    // Counts the leading extension entries (never the last entry).
    void count_extensions();
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    size_t byte_size() const { return static_cast<size_t>(count_) * entry_size_; }

    // `cut_key` holds key_width() collated bytes of a key `key_length` long.
    void insert_data_entry(size_t position, uint32_t block, const uint8_t* cut_key,
                           uint32_t key_length);
    void set_data_key(size_t position, const uint8_t* cut_key, uint32_t key_length);
    // Inserts at the sorted place among the extension entries; gives the position.
    size_t insert_extension_entry(uint32_t block, uint32_t extension_key);
    void remove(size_t position);

    size_t find_extension(uint32_t extension_key) const;
    size_t find_block(uint32_t block) const;

    // Changes between 16-bit and 24-bit block numbers in place.
    void convert(bool wide);

  private:
    void make_room(size_t position);

    std::vector<uint8_t> bytes_;
    uint32_t count_ = 0;
    uint32_t extension_count_ = 0;
    uint32_t entry_size_ = 8;
    uint32_t key_offset_ = 2;
};

}  // namespace orvane::store
