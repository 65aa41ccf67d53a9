#include "platform/env.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

namespace orvane::platform {

namespace {

class SystemEnv : public Env {
  public:
    int open(const std::string& path, int flags, int mode, int* fd) override {
        *fd = ::open(path.c_str(), flags, mode);
        return *fd < 0 ? errno : 0;
    }
    void close(int fd) override { ::close(fd); }
    int pread(int fd, void* buffer, size_t length, uint64_t offset, size_t* done) override {
        ssize_t n = ::pread(fd, buffer, length, static_cast<off_t>(offset));
        *done = n > 0 ? static_cast<size_t>(n) : 0;
        return n < 0 ? errno : 0;
    }
    int pwrite(int fd, const void* buffer, size_t length, uint64_t offset, size_t* done) override {
        ssize_t n = ::pwrite(fd, buffer, length, static_cast<off_t>(offset));
        *done = n > 0 ? static_cast<size_t>(n) : 0;
        return n < 0 ? errno : 0;
    }
    int fsync(int fd) override { return ::fsync(fd) == 0 ? 0 : errno; }
    int ftruncate(int fd, uint64_t size) override {
        return ::ftruncate(fd, static_cast<off_t>(size)) == 0 ? 0 : errno;
    }
    int rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }
    int unlink(const std::string& path) override { return ::unlink(path.c_str()) == 0 ? 0 : errno; }

    uint32_t tick_count() override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return static_cast<uint32_t>(static_cast<uint64_t>(ts.tv_sec) * 1000u +
                                     static_cast<uint64_t>(ts.tv_nsec) / 1000000u);
    }
    std::time_t now_utc() override { return std::time(nullptr); }
    void sleep_ms(uint32_t milliseconds) override {
        timespec ts{static_cast<time_t>(milliseconds / 1000),
                    static_cast<long>(milliseconds % 1000) * 1000000L};
        while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
        }
    }

    int poll(pollfd* fds, size_t count, int timeout_ms) override {
        int ready = ::poll(fds, count, timeout_ms);
        if (ready < 0) return errno == EINTR ? 0 : -errno;
        return ready;
    }
    int read(int fd, void* buffer, size_t length, size_t* done) override {
        ssize_t n = ::read(fd, buffer, length);
        *done = n > 0 ? static_cast<size_t>(n) : 0;
        return n < 0 ? errno : 0;
    }
    int write(int fd, const void* buffer, size_t length, size_t* done) override {
        // A socket whose peer has gone gives EPIPE rather than the signal;
        // for pipes the program ignores SIGPIPE.
        ssize_t n = ::send(fd, buffer, length, MSG_NOSIGNAL);
        if (n < 0 && errno == ENOTSOCK) n = ::write(fd, buffer, length);
        *done = n > 0 ? static_cast<size_t>(n) : 0;
        return n < 0 ? errno : 0;
    }
    int connect(const sockaddr* address, socklen_t length, int* fd) override {
        *fd = ::socket(address->sa_family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        if (*fd < 0) return errno;
        if (::connect(*fd, address, length) != 0 && errno != EINPROGRESS) {
            int error = errno;
            ::close(*fd);
            *fd = -1;
            return error;
        }
        return 0;
    }
};

}  // namespace

Env& system_env() {
    static SystemEnv env;
    return env;
}

}  // namespace orvane::platform
