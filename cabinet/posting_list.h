// The data of a word record: the TextIds of the texts that hold the word,
// strictly ascending. The first is stored as 4 bytes little-endian holding
// the id + 0x01000000 (modulo 2^32); each further one as its difference from
// the one before, in a number of 1 to 5 bytes:
//
//   0 to 191            v
//   192 to 0x37FF       0xC0 + (v >> 8), v & 0xFF
//   0x3800 to 0x5FFFF   0xF8 + (v >> 16), (v >> 8) & 0xFF, v & 0xFF
//   0x60000 to 0xFFFFFF 0xFE, v >> 16, (v >> 8) & 0xFF, v & 0xFF
//   above 0xFFFFFF      0xFF, v as 4 bytes little-endian
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "texts/text_id.h"

namespace orvane::cabinet {

inline constexpr uint32_t kFirstIdBias = 0x01000000;

// Appends the variable-length form of `value`.
void append_number(std::vector<uint8_t>* out, uint32_t value);

// Builds a list from ids given in ascending order.
class PostingWriter {
  public:
    // False (and nothing written) for an id not above the one before.
    bool append(texts::TextId id);
    bool empty() const { return bytes_.empty(); }
    const std::vector<uint8_t>& bytes() const { return bytes_; }
    void clear() {
        bytes_.clear();
        last_ = 0;
    }

  private:
    std::vector<uint8_t> bytes_;
    texts::TextId last_ = 0;
};

// Reads a stored list one id at a time; no bytes at all are an empty list.
// A list is damaged when it is shorter than the first id, ends inside a number, holds a difference
// of 0, or climbs past the largest id; the reader then stops and says so, having given only ids
// read before the fault.
class PostingReader {
  public:
    PostingReader(const uint8_t* data, size_t length);
    explicit PostingReader(std::span<const uint8_t> data)
        : PostingReader(data.data(), data.size()) {}

    // The next id, or false at the end or at a fault.
    bool next(texts::TextId* id);
    bool damaged() const { return damaged_; }

  private:
    const uint8_t* at_;
    const uint8_t* end_;
    texts::TextId last_ = 0;
    bool first_ = true;
    bool damaged_ = false;
};

std::vector<uint8_t> encode_posting_list(std::span<const texts::TextId> ids);
// The ids of a list, or nothing when it is damaged.
std::optional<std::vector<texts::TextId>> decode_posting_list(std::span<const uint8_t> data);

// One change of a word: add the text to it, or remove the text from it.
struct PostingChange {
    texts::TextId id;
    bool add;
};

// Merges `changes` (strictly ascending by id) into the list `old` and writes the
// result to `out`: an id in both stays unless its change removes it, an id
// only in the changes is added when its change adds it, an id only in the
// old list stays. False when `old` is damaged: `out` then holds only what
// the changes add.
bool merge_postings(std::span<const uint8_t> old, std::span<const PostingChange> changes,
                    PostingWriter* out);

}  // namespace orvane::cabinet
