// A ByteChannel over descriptors: one to read and one to write, the same one
// for a socket, or stdin and stdout. Both are made non-blocking; reading and
// writing follow the loop's descriptor events through the Env. Either may be
// -1 for a channel of one direction (the keyboard and the screen apart, so
// that the end of one is not taken for the end of the other).
#pragma once

#include <string>
#include <vector>

#include "platform/byte_channel.h"

namespace orvane::platform {

class FdChannel : public ByteChannel {
  public:
    // `name` says in messages which stream failed ("standard input").
    FdChannel(EventLoop& loop, int read_fd, int write_fd, std::string name);
    ~FdChannel() override;

    Status write(std::span<const uint8_t> bytes) override;
    size_t unsent() const override { return output_.size() - sent_; }
    // Stops watching; the descriptors stay open (they belong to the caller).
    void close() override;

  private:
    void on_readable();
    void on_writable();
    void watch_output();
    void resume_input() override;

    int read_fd_;
    int write_fd_;
    std::string name_;
    EventLoop::Registration reading_;
    EventLoop::Registration writing_;
    std::vector<uint8_t> output_;
    size_t sent_ = 0;
    Status write_error_;
};

}  // namespace orvane::platform
