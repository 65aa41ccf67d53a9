#include "import/buffered_input.h"

#include <algorithm>
#include <cstring>

namespace orvane::import {

BufferedInput::BufferedInput(ByteLayer& layer, size_t capacity)
    : layer_(layer), buffer_(std::max<size_t>(capacity, 64)) {}

bool BufferedInput::fill(size_t wanted) {
    wanted = std::min(wanted, buffer_.size());
    if (size() >= wanted) return true;
    if (exhausted_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, size());
        end_ -= begin_;
        begin_ = 0;
    }
    while (end_ < wanted) {
        platform::Status failure;
        const size_t got = layer_.read(buffer_.data() + end_, buffer_.size() - end_, &failure);
        if (got == 0) {
            exhausted_ = true;
            if (!failure.ok() && status_.ok()) status_ = std::move(failure);
            return false;
        }
        end_ += got;
    }
    return true;
}

size_t BufferedInput::read(uint8_t* out, size_t count) {
    size_t done = 0;
    while (done < count) {
        if (size() == 0 && !fill()) break;
        const size_t take = std::min(count - done, size());
        std::memcpy(out + done, data(), take);
        consume(take);
        done += take;
    }
    return done;
}

uint64_t BufferedInput::skip(uint64_t count) {
    uint64_t done = 0;
    while (done < count) {
        if (size() == 0 && !fill()) break;
        const size_t take = static_cast<size_t>(std::min<uint64_t>(count - done, size()));
        consume(take);
        done += take;
    }
    return done;
}

}  // namespace orvane::import
