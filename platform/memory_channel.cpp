#include "platform/memory_channel.h"

namespace orvane::platform {

std::pair<std::unique_ptr<MemoryChannel>, std::unique_ptr<MemoryChannel>> MemoryChannel::pair(
    EventLoop& loop) {
    std::unique_ptr<MemoryChannel> a(new MemoryChannel(loop));
    std::unique_ptr<MemoryChannel> b(new MemoryChannel(loop));
    auto line = std::make_shared<Line>();
    line->ends[0] = a.get();
    line->ends[1] = b.get();
    a->line_ = b->line_ = line;
    a->side_ = 0;
    b->side_ = 1;
    return {std::move(a), std::move(b)};
}

MemoryChannel::~MemoryChannel() {
    line_->ends[side_] = nullptr;
    end_peer(Status());
}

void MemoryChannel::end_peer(Status why) {
    // The peer sees the end after what is already on its way.
    loop().defer([line = line_, side = side_, why] {
        if (MemoryChannel* peer = line->ends[1 - side]) peer->finish(why);
    });
}

void MemoryChannel::cut(Status why) {
    end_peer(why);
    finish(why);
}

Status MemoryChannel::write(std::span<const uint8_t> bytes) {
    if (ended())
        return end_status().ok() ? Status::message(MessageId::kConnectionClosed) : end_status();
    std::vector<uint8_t> copy(bytes.begin(), bytes.end());
    if (tamper_) tamper_(copy);
    std::shared_ptr<Line> line = line_;
    const int side = side_;
    loop().defer([line, side, copy = std::move(copy)] {
        if (MemoryChannel* peer = line->ends[1 - side]; peer && !peer->ended()) peer->deliver(copy);
    });
    return Status();
}

}  // namespace orvane::platform
