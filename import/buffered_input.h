// Decoded input in layers: a file, the base64 or uuencoded lines inside it,
// the members of a ZIP archive inside those. Each layer hands out its bytes
// in pieces; a BufferedInput over a layer keeps one window of them, so that
// the layer above (or the line reader) can look ahead, take bytes one by one
// or in runs, and leave the rest for whoever reads next.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/status.h"

namespace orvane::import {

class ByteLayer {
  public:
    virtual ~ByteLayer() = default;
    // Up to `capacity` further bytes into `out`. 0 at the end of the layer's
    // content, and on failure, when `*status` says what went wrong.
    virtual size_t read(uint8_t* out, size_t capacity, platform::Status* status) = 0;
};

class BufferedInput {
  public:
    static constexpr size_t kDefaultCapacity = 64 * 1024;

    explicit BufferedInput(ByteLayer& layer, size_t capacity = kDefaultCapacity);
    BufferedInput(const BufferedInput&) = delete;
    BufferedInput& operator=(const BufferedInput&) = delete;

    // The bytes at hand, not yet taken.
    const uint8_t* data() const { return buffer_.data() + begin_; }
    size_t size() const { return end_ - begin_; }
    void consume(size_t count) { begin_ += count; }

    // Reads from the layer until at least `wanted` bytes are at hand (at
    // most the capacity). False when fewer are: the content ended or failed.
    bool fill(size_t wanted = 1);

    // The next byte, or -1 at the end.
    int next_byte() {
        if (begin_ == end_ && !fill()) return -1;
        return buffer_[begin_++];
    }
    // The next byte without taking it, or -1 at the end.
    int peek_byte() {
        if (begin_ == end_ && !fill()) return -1;
        return buffer_[begin_];
    }
    // Up to `count` bytes into `out`; fewer only at the end.
    size_t read(uint8_t* out, size_t count);
    // Passes over up to `count` bytes; the number passed over.
    uint64_t skip(uint64_t count);

    // The first failure of the layer below; success while there was none.
    const platform::Status& status() const { return status_; }
    // Nothing more comes: the content ended or failed.
    bool exhausted() const { return exhausted_ && begin_ == end_; }

  private:
    ByteLayer& layer_;
    std::vector<uint8_t> buffer_;
    size_t begin_ = 0;
    size_t end_ = 0;
    bool exhausted_ = false;
    platform::Status status_;
};

}  // namespace orvane::import
