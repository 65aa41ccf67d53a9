// The block compression of the database file: LZ77 with a 4096-byte window,
// matches of 3 to 18 bytes and 16-bit flag words (most significant bit first,
// 1 = match). A match item is two little-endian bytes: (distance - 1) << 4 |
// (length - 3). The stream carries no length of its own; the caller knows the
// expanded size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace orvane::store {

inline constexpr size_t kLzWindow = 4096;
inline constexpr size_t kLzMaxMatch = 18;

// Input positions by hash of three bytes; -1 = empty. Reset by every call.
using LzTable = std::array<int32_t, 4096>;

// Compresses `length` bytes into at most `capacity` bytes. Returns the
// compressed length, or `length` when the compressed form would not be
// shorter than `length` (or than `capacity`, when that is smaller); callers
// treat a result of `length` as "does not compress".
size_t LzCompress(LzTable& table, const uint8_t* input, size_t length, uint8_t* output,
                  size_t capacity);

// The compressor's state part-way through an input. A block that grows only
// at its end is compressed again from here instead of from its start, giving
// the same bytes as a full run: every item before the saved position looked
// at no input beyond it and was not cut short by the input's end.
struct LzCheckpoint {
    bool valid = false;
    size_t limit = 0;
    size_t in = 0;
    size_t out = 0;
    size_t flag_at = 0;
    int bits_left = 0;
    uint16_t flags = 0;
    LzTable table;
    std::vector<uint8_t> input;   // the input bytes the items before `in` depended on
    std::vector<uint8_t> output;  // the output up to `out`
};

// LzCompress for blocks that grow at their end: resumes from the checkpoint
// of its last call when the input begins with the bytes that call saw, and
// leaves a new checkpoint near the end of this input. The checkpoint's
// table is worked on in place; the few entries changed after the new
// checkpoint are put back afterwards, so that no table is copied.
class LzResumingCompressor {
  public:
    LzResumingCompressor() : checkpoint_(std::make_unique<LzCheckpoint>()) {}
    size_t compress(const uint8_t* input, size_t length, uint8_t* output, size_t capacity);

  private:
    std::unique_ptr<LzCheckpoint> checkpoint_;
};

enum class LzResult {
    Exact,        // all input used and exactly the expected length produced
    Short,        // the input ended first
    TooLong,      // input left over at the expected length, or a match ran past it
    BadDistance,  // a match reaches before the start of the output
};

// Expands `length` bytes of stream into `expected` bytes at `output`, which
// must have room for `expected`. `*produced` gets the number of bytes made.
LzResult LzExpand(const uint8_t* input, size_t length, uint8_t* output, size_t expected,
                  size_t* produced = nullptr);

}  // namespace orvane::store
