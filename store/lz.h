// The block compression of the database file: LZ77 with a 4096-byte window,
// matches of 3 to 18 bytes and 16-bit flag words (most significant bit first,
// 1 = match). A match item is two little-endian bytes: (distance - 1) << 4 |
// (length - 3). The stream carries no length of its own; the caller knows the
// expanded size.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

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
