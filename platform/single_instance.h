// One running copy of the program per program directory: a lock file held
// without sharing for as long as the program runs.
#pragma once

#include <string>

#include "platform/file.h"

namespace orvane::platform {

class SingleInstance {
  public:
    // Takes the lock file "orvane.lock" in `directory`. Returns 0, kInUse
    // when another copy holds it, or another error code.
    [[nodiscard]] int acquire(const std::string& directory);
    bool held() const { return lock_.is_open(); }
    void release() { lock_.close(); }

  private:
    File lock_;
};

}  // namespace orvane::platform
