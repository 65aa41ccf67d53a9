// The host system as the core sees it: files at the level of descriptors,
// the clock, sleeping, waiting on descriptors, and byte streams (sockets,
// pipes, terminals). The running program uses system_env(); tests pass a
// VirtualClockEnv, so that time limits pass in milliseconds of nobody's
// time, or a FaultEnv, which fails, tears or loses unflushed writes on cue.
// Everything that touches time, files or sockets takes an Env.
//
// Calls return 0 or an errno value, never throw, and never retry on their
// own: an interrupted or short transfer is the caller's to repeat.
#pragma once

#include <poll.h>
#include <sys/socket.h>

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <string>

namespace orvane::platform {

class Env {
  public:
    virtual ~Env() = default;

    // --- Files ---
    virtual int open(const std::string& path, int flags, int mode, int* fd) = 0;
    virtual void close(int fd) = 0;
    // One transfer at `offset`; `*done` may be short (0 at the end of the file).
    virtual int pread(int fd, void* buffer, size_t length, uint64_t offset, size_t* done) = 0;
    virtual int pwrite(int fd, const void* buffer, size_t length, uint64_t offset,
                       size_t* done) = 0;
    virtual int fsync(int fd) = 0;
    virtual int ftruncate(int fd, uint64_t size) = 0;
    virtual int rename(const std::string& from, const std::string& to) = 0;
    virtual int unlink(const std::string& path) = 0;

    // --- Clock ---
    // Milliseconds since an arbitrary origin, wrapping at 2^32 (about 49.7
    // days). Compare ticks only through tick_reached / ticks_until.
    virtual uint32_t tick_count() = 0;
    // Seconds since 1970-01-01 UTC.
    virtual std::time_t now_utc() = 0;
    virtual void sleep_ms(uint32_t milliseconds) = 0;

    // --- Waiting and streams ---
    // poll(2): the number of descriptors ready, 0 when the time ran out, or
    // a negative errno. timeout_ms -1 waits without limit.
    virtual int poll(pollfd* fds, size_t count, int timeout_ms) = 0;
    // read(2) and write(2) on a socket, pipe or terminal; with a
    // non-blocking descriptor EAGAIN says "not now". A read of 0 bytes
    // that succeeds is the end of the stream.
    virtual int read(int fd, void* buffer, size_t length, size_t* done) = 0;
    virtual int write(int fd, const void* buffer, size_t length, size_t* done) = 0;
    // A non-blocking stream socket to `address`, its connection started:
    // `*fd` is set, and the connection finishes (or fails) later, seen as
    // the descriptor becoming writable.
    virtual int connect(const sockaddr* address, socklen_t length, int* fd) = 0;
};

// The real system.
Env& system_env();

// Forwards every call to another Env; test environments override a few.
class EnvWrapper : public Env {
  public:
    explicit EnvWrapper(Env& target) : target_(target) {}
    Env& target() { return target_; }

    int open(const std::string& path, int flags, int mode, int* fd) override {
        return target_.open(path, flags, mode, fd);
    }
    void close(int fd) override { target_.close(fd); }
    int pread(int fd, void* buffer, size_t length, uint64_t offset, size_t* done) override {
        return target_.pread(fd, buffer, length, offset, done);
    }
    int pwrite(int fd, const void* buffer, size_t length, uint64_t offset, size_t* done) override {
        return target_.pwrite(fd, buffer, length, offset, done);
    }
    int fsync(int fd) override { return target_.fsync(fd); }
    int ftruncate(int fd, uint64_t size) override { return target_.ftruncate(fd, size); }
    int rename(const std::string& from, const std::string& to) override {
        return target_.rename(from, to);
    }
    int unlink(const std::string& path) override { return target_.unlink(path); }
    uint32_t tick_count() override { return target_.tick_count(); }
    std::time_t now_utc() override { return target_.now_utc(); }
    void sleep_ms(uint32_t milliseconds) override { target_.sleep_ms(milliseconds); }
    int poll(pollfd* fds, size_t count, int timeout_ms) override {
        return target_.poll(fds, count, timeout_ms);
    }
    int read(int fd, void* buffer, size_t length, size_t* done) override {
        return target_.read(fd, buffer, length, done);
    }
    int write(int fd, const void* buffer, size_t length, size_t* done) override {
        return target_.write(fd, buffer, length, done);
    }
    int connect(const sockaddr* address, socklen_t length, int* fd) override {
        return target_.connect(address, length, fd);
    }

  private:
    Env& target_;
};

}  // namespace orvane::platform
