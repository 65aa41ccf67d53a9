// One running copy of the program per program directory: a lock file held
// without sharing for as long as the program runs, holding the process id
// of the copy that holds it so that a second copy can say who it waits for.
#pragma once

#include <cstdint>
#include <string>

#include "platform/env.h"
#include "platform/file.h"
#include "platform/policy.h"
#include "platform/status.h"

namespace orvane::platform {

class SingleInstance {
  public:
    // The lock file and the clock of the waits go through `env`.
    explicit SingleInstance(Env& env = system_env()) : env_(env), lock_(env) {}

    // Takes the lock file "orvane.lock" in `directory`. Returns 0, kInUse
    // when another copy holds it, or another error code.
    [[nodiscard]] int acquire(const std::string& directory);

    // Takes the lock file, waiting while another copy holds it: it tries
    // again every kRetryMs on the environment's clock, tells `policy` once
    // after kNoticeAfterMs that it waits (and for which process), and gives
    // up after `limit_ms` with a status that names the other copy. A
    // directory where no lock file can be made (read-only) is used without
    // one, as before.
    [[nodiscard]] Status acquire_waiting(const std::string& directory, Policy& policy,
                                         uint32_t limit_ms);

    bool held() const { return lock_.is_open(); }
    void release() { lock_.close(); }

    static constexpr uint32_t kRetryMs = 100;
    static constexpr uint32_t kNoticeAfterMs = 1000;

  private:
    // The process id the holder wrote, as text ("unknown" when there is none).
    std::string holder(const std::string& directory);

    Env& env_;
    File lock_;
};

}  // namespace orvane::platform
