// A two-way byte stream as protocol code sees it: bytes that arrived wait in
// a buffer to be taken, a coroutine awaits more with a deadline, and bytes
// written are queued for the peer. Implementations: a descriptor pair
// (stdin/stdout, pipes, a socket: FdChannel), a connected pair in memory for
// tests (MemoryChannel), and the Telnet connection.
//
// The awaitables resume from the loop's callbacks, never by pumping it; one
// coroutine reads and one writes at a time.
#pragma once

#include <coroutine>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/event_loop.h"
#include "platform/status.h"

namespace orvane::platform {

class ByteChannel {
  public:
    explicit ByteChannel(EventLoop& loop) : loop_(loop) {}
    virtual ~ByteChannel() = default;
    ByteChannel(const ByteChannel&) = delete;
    ByteChannel& operator=(const ByteChannel&) = delete;

    EventLoop& loop() { return loop_; }

    // --- Receiving ---
    size_t available() const { return buffer_.size() - start_; }
    // What has arrived and has not been taken, oldest first.
    std::span<const uint8_t> buffered() const {
        return {buffer_.data() + start_, buffer_.size() - start_};
    }
    void consume(size_t count);
    // The next byte, or -1 when none has arrived.
    int take();
    // Puts bytes back in front of what has arrived.
    void unread(std::span<const uint8_t> bytes);

    class ReadableAwaiter;
    // co_await channel.readable(deadline): true when a byte is there, false
    // when the deadline passed or the stream ended with nothing left (see
    // ended()).
    ReadableAwaiter readable(uint32_t deadline);

    bool ended() const { return ended_; }
    // Why the stream ended: success for an orderly close by the peer.
    const Status& end_status() const { return end_status_; }

    // --- Sending ---
    // Queues bytes for the peer. Fails once the stream has ended.
    [[nodiscard]] virtual Status write(std::span<const uint8_t> bytes) = 0;
    // Bytes written but not yet handed on.
    virtual size_t unsent() const = 0;

    class DrainedAwaiter;
    // co_await channel.drained(deadline, limit): true once no more than
    // `limit` bytes wait to be handed on; false at the deadline or the end.
    DrainedAwaiter drained(uint32_t deadline, size_t limit = 0);

    // Ends the stream from this side.
    virtual void close() = 0;

  protected:
    // For implementations: bytes arrived, the stream ended, output moved on.
    void deliver(std::span<const uint8_t> bytes);
    void finish(Status why);
    void output_progress();
    // Arrived bytes beyond this wait at the source (input_paused()) until
    // the reader takes some; resume_input() is then called.
    static constexpr size_t kReceiveLimit = 1 << 20;
    bool input_paused() const { return available() >= kReceiveLimit; }
    virtual void resume_input() {}

  private:
    friend class ReadableAwaiter;
    friend class DrainedAwaiter;
    void wake_reader();
    void wake_drainer();

    EventLoop& loop_;
    std::vector<uint8_t> buffer_;
    size_t start_ = 0;
    bool ended_ = false;
    // Expires with the channel: a waiter woken first may destroy it.
    std::shared_ptr<bool> lifetime_ = std::make_shared<bool>(true);
    Status end_status_;
    ReadableAwaiter* reader_ = nullptr;
    DrainedAwaiter* drainer_ = nullptr;
};

class ByteChannel::ReadableAwaiter {
  public:
    ReadableAwaiter(ByteChannel& channel, uint32_t deadline)
        : channel_(channel), deadline_(deadline) {}
    ~ReadableAwaiter();
    bool await_ready();
    void await_suspend(std::coroutine_handle<> waiting);
    bool await_resume() const { return channel_.available() > 0; }

  private:
    friend class ByteChannel;
    void wake();
    ByteChannel& channel_;
    uint32_t deadline_;
    std::coroutine_handle<> waiting_;
    EventLoop::Registration timer_;
};

class ByteChannel::DrainedAwaiter {
  public:
    DrainedAwaiter(ByteChannel& channel, uint32_t deadline, size_t limit)
        : channel_(channel), deadline_(deadline), limit_(limit) {}
    ~DrainedAwaiter();
    bool await_ready();
    void await_suspend(std::coroutine_handle<> waiting);
    bool await_resume() const { return channel_.unsent() <= limit_; }

  private:
    friend class ByteChannel;
    void wake();
    ByteChannel& channel_;
    uint32_t deadline_;
    size_t limit_;
    std::coroutine_handle<> waiting_;
    EventLoop::Registration timer_;
};

}  // namespace orvane::platform
