// The file a download is written to. It is opened without following a
// symbolic link and only when it is a regular file, so a link or a device
// planted under a received name is never written through. Writes go through
// the Env, so tests can fail them.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>

#include "platform/env.h"

namespace orvane::connection {

struct ExistingFile {
    bool exists = false;
    bool regular = false;  // a regular file itself, not a link to one
    uint64_t size = 0;
    std::time_t modified = 0;
};

// What is at `path` now, without following a symbolic link.
ExistingFile inspect_existing(const std::string& path);

class DownloadTarget {
  public:
    explicit DownloadTarget(platform::Env& env) : env_(env) {}
    ~DownloadTarget() { close(); }
    DownloadTarget(const DownloadTarget&) = delete;
    DownloadTarget& operator=(const DownloadTarget&) = delete;

    // Opens or creates `path` for writing; `truncate` empties it. Returns 0
    // or an errno value (ELOOP for a symbolic link, EINVAL for anything but
    // a regular file).
    [[nodiscard]] int open(const std::string& path, bool truncate);
    bool is_open() const { return fd_ >= 0; }
    const std::string& path() const { return path_; }
    // The length the file had when it was opened.
    uint64_t initial_size() const { return initial_size_; }

    [[nodiscard]] int write_at(uint64_t offset, std::span<const uint8_t> data);
    // Flushes to the disk and closes.
    [[nodiscard]] int finish();
    void close();

  private:
    platform::Env& env_;
    int fd_ = -1;
    std::string path_;
    uint64_t initial_size_ = 0;
};

}  // namespace orvane::connection
