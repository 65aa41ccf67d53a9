// The file a download is written to. It is opened without following a
// symbolic link and only when it is a regular file, so a link or a device
// planted under a received name is never written through. Data gathers in
// memory and goes to the file in large writes through the Env (so tests can
// fail them); what was gathered is written also when the download breaks
// off, so the file keeps everything that arrived.
#pragma once

#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <vector>

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
    const std::string& path() const { return path_; }
    // The length the file had when it was opened.
    uint64_t initial_size() const { return initial_size_; }

    // Writes `data` at `offset` (in order, as a download arrives).
    [[nodiscard]] int write_at(uint64_t offset, std::span<const uint8_t> data);
    // Writes what is gathered, flushes to the disk when `sync`, closes.
    [[nodiscard]] int finish(bool sync);
    // Writes what is gathered as far as it goes, and closes.
    void close();

  private:
    [[nodiscard]] int write_pending();

    platform::Env& env_;
    int fd_ = -1;
    std::string path_;
    uint64_t initial_size_ = 0;
    std::vector<uint8_t> pending_;
    uint64_t pending_offset_ = 0;
};

}  // namespace orvane::connection
