// An Env for tests that breaks the n-th operation that changes a file
// (a write, a flush, a change of size, a rename or an unlink), counted from
// when it is armed, and can lose what was never flushed:
//  - kFail: that operation fails with EIO; later ones go through.
//  - kTear: a write stores its first half and fails; other kinds fail.
//  - kPowerCut: that operation and every later one fails, as if the machine
//    had stopped there. drop_unsynced() then puts every file back as its last
//    flush left it, which is what a disk holds after a power cut.
// Renames and unlinks count as durable once done. Sockets, pipes and the
// clock are passed through.
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "platform/env.h"

namespace orvane::platform {

class FaultEnv : public EnvWrapper {
  public:
    enum class Fault { kFail, kTear, kPowerCut };

    explicit FaultEnv(Env& target = system_env()) : EnvWrapper(target) {}

    // Breaks operation `index` (0 = the next one) on files whose path
    // contains `path_part` (every file when empty), and counts afresh.
    void arm(uint64_t index, Fault fault, std::string path_part = {});
    // Counts operations without breaking any, to learn how many there are.
    void count_only(std::string path_part = {});
    void disarm();

    // Operations counted since arm() or count_only().
    uint64_t operations() const { return operations_; }
    bool fired() const { return fired_; }

    // Puts back the contents that the last flush of every file made durable
    // and ends the power cut. Returns 0 or the errno of a failed restore.
    // The file at `keep_path` (when given) keeps the first `kept_changes`
    // of its changes since its last flush: the system had written those
    // out before the power went, and nothing of the other files, which is
    // the worst order for a program that flushes one file before writing
    // another.
    int drop_unsynced(const std::string& keep_path = {}, size_t kept_changes = SIZE_MAX);

    int open(const std::string& path, int flags, int mode, int* fd) override;
    void close(int fd) override;
    int pwrite(int fd, const void* buffer, size_t length, uint64_t offset, size_t* done) override;
    int fsync(int fd) override;
    int ftruncate(int fd, uint64_t size) override;
    int rename(const std::string& from, const std::string& to) override;
    int unlink(const std::string& path) override;

  private:
    // What an unflushed change overwrote: the bytes at `offset` and the
    // size of the file before it.
    struct Undo {
        uint64_t offset = 0;
        std::vector<char> bytes;
        uint64_t size_before = 0;
    };
    enum class Verdict { kPass, kFail, kTear };

    Verdict count(const std::string& path, bool write);
    int remember(int fd, uint64_t offset, size_t length);
    uint64_t size_of(int fd);

    bool armed_ = false;
    bool counting_ = false;
    bool fired_ = false;
    bool power_off_ = false;
    uint64_t target_index_ = 0;
    uint64_t operations_ = 0;
    Fault fault_ = Fault::kFail;
    std::string path_part_;
    std::map<int, std::string> paths_;               // open descriptors
    std::map<std::string, std::vector<Undo>> undo_;  // by path, oldest first
};

}  // namespace orvane::platform
