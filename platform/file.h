// Files as the core expects them from the host system: share modes, exact
// positioned I/O at 64-bit offsets, byte-range locks that survive closing other
// descriptors of the same file, and modification times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <string>

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

// The error of the last failed file operation on this thread (0 if none);
// messages about files show it as a second line.
int last_file_error();
void set_last_file_error(int error);

// Test hook: called before every write with the file's path, offset and
// length. Returning a negative number fails the write with EIO; returning a
// count smaller than the length writes only that many bytes and then fails.
// Returning the length (or more) lets the write go through unchanged.
using WriteFaultHook =
    std::function<long long(const std::string& path, uint64_t offset, size_t length)>;
void set_write_fault_hook(WriteFaultHook hook);

class File {
  public:
    File() = default;
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
    int fd_ = -1;
    std::string path_;
};

// Whole-file helpers.
[[nodiscard]] int read_whole_file(const std::string& path, std::string* contents);
[[nodiscard]] int write_whole_file(const std::string& path, const void* data, size_t length);
[[nodiscard]] int set_modification_time(const std::string& path, std::time_t time);
[[nodiscard]] int file_modification_time(const std::string& path, std::time_t* time);
bool file_exists(const std::string& path);
bool directory_exists(const std::string& path);
// Creates the directory and its missing parents.
[[nodiscard]] int make_directories(const std::string& path);

}  // namespace orvane::platform
