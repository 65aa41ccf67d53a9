// Files as the core expects them from the host system: share modes, exact
// positioned I/O at 64-bit offsets, byte-range locks that survive closing other
// descriptors of the same file, and modification times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

#include "platform/env.h"

namespace orvane::platform {

enum class Access { Read, ReadWrite };

// What other openers may do while this handle is open. Without sharing, a
// second opener is refused (it sees the file as in use).
enum class Share { None, Read, ReadWrite };

enum class Disposition {
    OpenExisting,  // fail when missing
    OpenAlways,    // create when missing
    CreateNew,     // fail when present
    CreateAlways,  // create or truncate
};

// Error codes are errno values; 0 is success. A read that meets the end of
// the file before the requested count fails with kShortRead.
inline constexpr int kShortRead = -1;
// Another opener holds the file without sharing, or a lock is held elsewhere.
inline constexpr int kInUse = -2;

// The text the system gives for an error code of this layer.
std::string file_error_text(int error);

class File {
  public:
    // All transfers go through `env`.
    explicit File(Env& env = system_env()) : env_(&env) {}
    ~File();
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    [[nodiscard]] int open(const std::string& path, Access access, Share share,
                           Disposition disposition);
    void close();
    bool is_open() const { return fd_ >= 0; }
    int fd() const { return fd_; }
    const std::string& path() const { return path_; }

    // Reads exactly `length` bytes at `offset`, or fails.
    [[nodiscard]] int read_at(uint64_t offset, void* buffer, size_t length) const;
    // Reads up to `length` bytes; `*count` gets the number read (short at the end).
    [[nodiscard]] int read_some_at(uint64_t offset, void* buffer, size_t length,
                                   size_t* count) const;
    [[nodiscard]] int write_at(uint64_t offset, const void* buffer, size_t length);
    [[nodiscard]] int set_size(uint64_t size);
    [[nodiscard]] int flush();
    [[nodiscard]] int size(uint64_t* size) const;
    [[nodiscard]] int modification_time(std::time_t* time) const;

    // Byte-range lock (open-file-description lock). With `wait` false a lock
    // held elsewhere fails at once with kInUse. Ranges may lie beyond the end.
    [[nodiscard]] int lock(uint64_t offset, uint64_t length, bool exclusive, bool wait);
    [[nodiscard]] int unlock(uint64_t offset, uint64_t length);

  private:
    Env* env_;
    int fd_ = -1;
    std::string path_;
};

// Whole-file helpers.
[[nodiscard]] int read_whole_file(const std::string& path, std::string* contents,
                                  Env& env = system_env());
// Writes beside the target, flushes, and renames over it, so that a failure
// never leaves a half-written file in place of the old one.
[[nodiscard]] int write_whole_file(const std::string& path, const void* data, size_t length,
                                   Env& env = system_env());
[[nodiscard]] int set_modification_time(const std::string& path, std::time_t time);
[[nodiscard]] int file_modification_time(const std::string& path, std::time_t* time);
bool file_exists(const std::string& path);
bool directory_exists(const std::string& path);
// Copies the file `from` to a new file `to` (which must not exist), flushed.
// A copy that fails is removed.
[[nodiscard]] int copy_file(const std::string& from, const std::string& to,
                            Env& env = system_env());
// Creates the directory and its missing parents.
[[nodiscard]] int make_directories(const std::string& path);

}  // namespace orvane::platform
