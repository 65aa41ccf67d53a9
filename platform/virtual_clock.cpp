#include "platform/virtual_clock.h"

namespace orvane::platform {

namespace {
constexpr int kRealPauseMs = 10;
}

VirtualClockEnv::VirtualClockEnv(Env& target, uint32_t start_tick, std::time_t start_time)
    : EnvWrapper(target), tick_(start_tick), start_time_(start_time) {}

void VirtualClockEnv::advance(uint32_t milliseconds) {
    tick_ += milliseconds;
    elapsed_ms_ += milliseconds;
}

std::time_t VirtualClockEnv::now_utc() {
    return start_time_ + static_cast<std::time_t>(elapsed_ms_.load() / 1000);
}

int VirtualClockEnv::poll(pollfd* fds, size_t count, int timeout_ms) {
    int ready = target().poll(fds, count, 0);
    if (ready != 0 || timeout_ms == 0) return ready;
    if (timeout_ms < 0) return target().poll(fds, count, kRealPauseMs);
    advance(static_cast<uint32_t>(timeout_ms));
    return 0;
}

}  // namespace orvane::platform
