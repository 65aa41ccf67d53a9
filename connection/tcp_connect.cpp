#include "connection/tcp_connect.h"

#include <arpa/inet.h>
#include <netdb.h>

#include <cerrno>
#include <coroutine>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/clock.h"
#include "platform/resource_strings.h"

namespace orvane::connection {

using platform::EventLoop;
using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

constexpr uint32_t kCancelPollMs = 100;
// What a connect that ran out of time reports instead of an errno.
constexpr int kLimitPassed = -1;
constexpr int kDefaultTelnetPort = 23;

struct Address {
    sockaddr_storage storage{};
    socklen_t length = 0;
};

// The addresses of `endpoint` in the resolver's order, or the resolver's
// reason for having none.
Result<std::vector<Address>> resolve(const settings::Endpoint& endpoint) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const std::string port = std::to_string(endpoint.port);
    const int error = ::getaddrinfo(endpoint.host.c_str(), port.c_str(), &hints, &found);
    if (error != 0) {
        return Status::message(
            MessageId::kConnectionFailed,
            {error == EAI_SYSTEM ? std::strerror(errno) : ::gai_strerror(error)});
    }
    std::vector<Address> addresses;
    for (addrinfo* entry = found; entry; entry = entry->ai_next) {
        if (entry->ai_addrlen > sizeof(sockaddr_storage)) continue;
        Address address;
        std::memcpy(&address.storage, entry->ai_addr, entry->ai_addrlen);
        address.length = entry->ai_addrlen;
        addresses.push_back(address);
    }
    ::freeaddrinfo(found);
    return addresses;
}

std::string shown_address(const Address& address, int port) {
    char text[INET6_ADDRSTRLEN] = {};
    std::string shown;
    if (address.storage.ss_family == AF_INET6) {
        const auto* v6 = reinterpret_cast<const sockaddr_in6*>(&address.storage);
        ::inet_ntop(AF_INET6, &v6->sin6_addr, text, sizeof text);
        shown = port == kDefaultTelnetPort ? text : "[" + std::string(text) + "]";
    } else {
        const auto* v4 = reinterpret_cast<const sockaddr_in*>(&address.storage);
        ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
        shown = text;
    }
    if (port != kDefaultTelnetPort) shown += ":" + std::to_string(port);
    return shown;
}

// Closes a socket that is still owned here, also when the coroutine is
// destroyed while it waits.
class SocketGuard {
  public:
    SocketGuard(platform::Env& env, int fd) : env_(env), fd_(fd) {}
    ~SocketGuard() {
        if (fd_ >= 0) env_.close(fd_);
    }
    SocketGuard(const SocketGuard&) = delete;
    SocketGuard& operator=(const SocketGuard&) = delete;
    int release() { return std::exchange(fd_, -1); }

  private:
    platform::Env& env_;
    int fd_;
};

// co_await: the connect of `fd` has finished (0 or its errno), the deadline
// passed (kLimitPassed), or the user cancelled (ECANCELED).
class ConnectFinished {
  public:
    ConnectFinished(EventLoop& loop, int fd, uint32_t deadline, platform::Progress* progress)
        : loop_(loop), fd_(fd), deadline_(deadline), progress_(progress) {}

    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiting) {
        waiting_ = waiting;
        watch_ =
            loop_.watch(fd_, platform::kFdConnect, [this](uint32_t, int error) { end(error); });
        limit_ = loop_.add_timer(platform::ticks_until(loop_.now(), deadline_), 0,
                                 [this] { end(kLimitPassed); });
        if (progress_) {
            cancel_poll_ = loop_.add_timer(kCancelPollMs, kCancelPollMs, [this] {
                if (!progress_->update(0, 0)) end(ECANCELED);
            });
        }
    }
    int await_resume() const noexcept { return error_; }

  private:
    void end(int error) {
        error_ = error;
        watch_.cancel();
        limit_.cancel();
        cancel_poll_.cancel();
        // Nothing of this awaiter may be touched after the resume.
        std::exchange(waiting_, {}).resume();
    }

    EventLoop& loop_;
    int fd_;
    uint32_t deadline_;
    platform::Progress* progress_;
    std::coroutine_handle<> waiting_;
    int error_ = 0;
    EventLoop::Registration watch_;
    EventLoop::Registration limit_;
    EventLoop::Registration cancel_poll_;
};

}  // namespace

platform::Task<Result<ConnectedSocket>> connect_tcp(EventLoop& loop, settings::Endpoint endpoint,
                                                    std::string endpoint_text, uint32_t limit_ms,
                                                    platform::Progress* progress) {
    auto failure = [&](const std::string& reason) {
        return Status::message(MessageId::kCannotConnectBecause, {endpoint_text, reason});
    };
    if (progress && !progress->update(0, 0)) co_return Status::cancelled();
    auto addresses = resolve(endpoint);
    if (!addresses.ok()) co_return failure(addresses.status().args()[0].as_text());

    std::string reason = std::strerror(EADDRNOTAVAIL);
    for (const Address& address : *addresses) {
        int fd = -1;
        int error = loop.env().connect(reinterpret_cast<const sockaddr*>(&address.storage),
                                       address.length, &fd);
        if (error) {
            reason = std::strerror(error);
            continue;
        }
        SocketGuard guard(loop.env(), fd);
        error = co_await ConnectFinished(loop, fd, loop.now() + limit_ms, progress);
        if (error == ECANCELED) co_return Status::cancelled();
        if (error == 0)
            co_return ConnectedSocket{guard.release(), shown_address(address, endpoint.port)};
        reason = error == kLimitPassed ? platform::format_message(
                                             platform::resource_string(MessageId::kNoAnswerWithin),
                                             {static_cast<int>((limit_ms + 999) / 1000)})
                                       : std::strerror(error);
    }
    co_return failure(reason);
}

}  // namespace orvane::connection
