// An Env whose clock moves only when asked: sleeping and waiting advance it
// at once, so that time limits of seconds or minutes are tested in no real
// time, and the same run gives the same ticks every time.
#pragma once

#include <atomic>

#include "platform/env.h"

namespace orvane::platform {

class VirtualClockEnv : public EnvWrapper {
  public:
    explicit VirtualClockEnv(Env& target = system_env(), uint32_t start_tick = 0,
                             std::time_t start_time = 1700000000);

    void advance(uint32_t milliseconds);

    uint32_t tick_count() override { return tick_.load(); }
    std::time_t now_utc() override;
    void sleep_ms(uint32_t milliseconds) override { advance(milliseconds); }
    // Looks at the descriptors without waiting; when none is ready, the
    // clock moves on by the whole timeout. A wait without limit looks
    // again after a short real pause (another process may be writing).
    int poll(pollfd* fds, size_t count, int timeout_ms) override;

  private:
    std::atomic<uint32_t> tick_;
    std::atomic<uint64_t> elapsed_ms_{0};
    std::time_t start_time_;
};

}  // namespace orvane::platform
