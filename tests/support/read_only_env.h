// An Env in which every file is write-protected: opening for writing fails
// as it does for a read-only file, whoever runs the test (root included).
#pragma once

#include <fcntl.h>

#include <cerrno>

#include "platform/env.h"

namespace orvane::testing {

class ReadOnlyEnv : public platform::EnvWrapper {
  public:
    explicit ReadOnlyEnv(platform::Env& target = platform::system_env()) : EnvWrapper(target) {}
    int open(const std::string& path, int flags, int mode, int* fd) override {
        if ((flags & O_ACCMODE) != O_RDONLY) return EACCES;
        return EnvWrapper::open(path, flags, mode, fd);
    }
};

}  // namespace orvane::testing
