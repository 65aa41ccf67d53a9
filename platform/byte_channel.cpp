#include "platform/byte_channel.h"

#include <algorithm>

#include "platform/clock.h"

namespace orvane::platform {

void ByteChannel::consume(size_t count) {
    const bool was_paused = input_paused();
    start_ += std::min(count, available());
    if (start_ == buffer_.size()) {
        buffer_.clear();
        start_ = 0;
    } else if (start_ > buffer_.size() / 2 && start_ > 4096) {
        buffer_.erase(buffer_.begin(), buffer_.begin() + static_cast<ptrdiff_t>(start_));
        start_ = 0;
    }
    if (was_paused && !input_paused()) resume_input();
}

int ByteChannel::take() {
    if (available() == 0) return -1;
    const uint8_t byte = buffer_[start_];
    consume(1);
    return byte;
}

void ByteChannel::unread(std::span<const uint8_t> bytes) {
    buffer_.insert(buffer_.begin() + static_cast<ptrdiff_t>(start_), bytes.begin(), bytes.end());
}

ByteChannel::ReadableAwaiter ByteChannel::readable(uint32_t deadline) {
    return ReadableAwaiter(*this, deadline);
}

ByteChannel::DrainedAwaiter ByteChannel::drained(uint32_t deadline, size_t limit) {
    return DrainedAwaiter(*this, deadline, limit);
}

void ByteChannel::deliver(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return;
    buffer_.insert(buffer_.end(), bytes.begin(), bytes.end());
    wake_reader();
}

void ByteChannel::finish(Status why) {
    if (ended_) return;
    ended_ = true;
    end_status_ = std::move(why);
    // The reader may close or destroy the channel when it resumes.
    const std::weak_ptr<bool> alive = lifetime_;
    wake_reader();
    if (!alive.expired()) wake_drainer();
}

void ByteChannel::output_progress() {
    if (drainer_ && unsent() <= drainer_->limit_) wake_drainer();
}

void ByteChannel::wake_reader() {
    if (ReadableAwaiter* reader = std::exchange(reader_, nullptr)) reader->wake();
}

void ByteChannel::wake_drainer() {
    if (DrainedAwaiter* drainer = std::exchange(drainer_, nullptr)) drainer->wake();
}

// --- ReadableAwaiter ---

ByteChannel::ReadableAwaiter::~ReadableAwaiter() {
    if (channel_.reader_ == this) channel_.reader_ = nullptr;
}

bool ByteChannel::ReadableAwaiter::await_ready() {
    return channel_.available() > 0 || channel_.ended() ||
           tick_reached(channel_.loop().now(), deadline_);
}

void ByteChannel::ReadableAwaiter::await_suspend(std::coroutine_handle<> waiting) {
    waiting_ = waiting;
    channel_.reader_ = this;
    const uint32_t wait = ticks_until(channel_.loop().now(), deadline_);
    timer_ = channel_.loop().add_timer(wait, 0, [this] {
        if (channel_.reader_ == this) channel_.reader_ = nullptr;
        wake();
    });
}

void ByteChannel::ReadableAwaiter::wake() {
    timer_.cancel();
    if (auto waiting = std::exchange(waiting_, {})) waiting.resume();
}

// --- DrainedAwaiter ---

ByteChannel::DrainedAwaiter::~DrainedAwaiter() {
    if (channel_.drainer_ == this) channel_.drainer_ = nullptr;
}

bool ByteChannel::DrainedAwaiter::await_ready() {
    return channel_.unsent() <= limit_ || channel_.ended() ||
           tick_reached(channel_.loop().now(), deadline_);
}

void ByteChannel::DrainedAwaiter::await_suspend(std::coroutine_handle<> waiting) {
    waiting_ = waiting;
    channel_.drainer_ = this;
    const uint32_t wait = ticks_until(channel_.loop().now(), deadline_);
    timer_ = channel_.loop().add_timer(wait, 0, [this] {
        if (channel_.drainer_ == this) channel_.drainer_ = nullptr;
        wake();
    });
}

void ByteChannel::DrainedAwaiter::wake() {
    timer_.cancel();
    if (auto waiting = std::exchange(waiting_, {})) waiting.resume();
}

}  // namespace orvane::platform
