// Two ByteChannels joined in memory, for tests of protocols: what one end
// writes arrives at the other from the loop (never inside the write), after
// passing through that direction's tamper function, which may change, drop
// or add bytes to play a bad line.
#pragma once

#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "platform/byte_channel.h"

namespace orvane::platform {

class MemoryChannel : public ByteChannel {
  public:
    using Tamper = std::function<void(std::vector<uint8_t>& bytes)>;

    // Two connected ends on `loop`.
    static std::pair<std::unique_ptr<MemoryChannel>, std::unique_ptr<MemoryChannel>> pair(
        EventLoop& loop);
    ~MemoryChannel() override;

    // Changes what this end writes on its way to the peer.
    void set_tamper(Tamper tamper) { tamper_ = std::move(tamper); }
    // Cuts the line: both ends end with `why` (success: an orderly close).
    void cut(Status why = Status());

    Status write(std::span<const uint8_t> bytes) override;
    size_t unsent() const override { return 0; }
    void close() override { cut(); }

  private:
    explicit MemoryChannel(EventLoop& loop) : ByteChannel(loop) {}
    void end_peer(Status why);
    // Shared by both ends, so that a delivery scheduled before one end went
    // away finds out.
    struct Line {
        MemoryChannel* ends[2] = {nullptr, nullptr};
    };
    std::shared_ptr<Line> line_;
    int side_ = 0;
    Tamper tamper_;
};

}  // namespace orvane::platform
