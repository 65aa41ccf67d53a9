// The session log that the terminal writes: opened for appending, so that
// every session of a day on a node adds to the same dated ".log" file, with
// the length it had when this session began remembered (the import reads
// from there).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/file.h"
#include "platform/status.h"

namespace orvane::connection {

class CaptureFile {
  public:
    explicit CaptureFile(platform::Env& env = platform::system_env()) : file_(env) {}

    // Opens `path` for appending, creating it when missing.
    [[nodiscard]] platform::Status open(const std::string& path);
    [[nodiscard]] platform::Status append(std::span<const uint8_t> text);
    void close() { file_.close(); }

    bool is_open() const { return file_.is_open(); }
    const std::string& path() const { return file_.path(); }
    // The file's length when it was opened: where this session's text begins.
    uint64_t start() const { return start_; }

  private:
    platform::File file_;
    uint64_t start_ = 0;
    uint64_t end_ = 0;
};

}  // namespace orvane::connection
