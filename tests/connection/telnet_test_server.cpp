#include "tests/connection/telnet_test_server.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

#include "connection/telnet_connect.h"
#include "platform/clock.h"
#include "platform/task.h"

namespace orvane::connection::testing {

Bytes bytes_of(std::string_view text) {
    return Bytes(text.begin(), text.end());
}

std::string text_of(const Bytes& bytes) {
    return std::string(bytes.begin(), bytes.end());
}

// --- LoopbackServer ---

LoopbackServer::LoopbackServer(Script script, int family, int clients, int port) : family_(family) {
    listen_fd_ = ::socket(family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0) return;
    const int on = 1;
    ::setsockopt(listen_fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_storage address{};
    socklen_t length = 0;
    if (family == AF_INET6) {
        auto* v6 = reinterpret_cast<sockaddr_in6*>(&address);
        v6->sin6_family = AF_INET6;
        v6->sin6_addr = in6addr_loopback;
        v6->sin6_port = htons(static_cast<uint16_t>(port));
        length = sizeof *v6;
    } else {
        auto* v4 = reinterpret_cast<sockaddr_in*>(&address);
        v4->sin_family = AF_INET;
        v4->sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        v4->sin_port = htons(static_cast<uint16_t>(port));
        length = sizeof *v4;
    }
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listen_fd_, 8) != 0 ||
        ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        ::close(listen_fd_);
        listen_fd_ = -1;
        return;
    }
    port_ = ntohs(family == AF_INET6 ? reinterpret_cast<sockaddr_in6*>(&address)->sin6_port
                                     : reinterpret_cast<sockaddr_in*>(&address)->sin_port);
    thread_ = std::thread([this, script = std::move(script), clients] { serve(script, clients); });
}

LoopbackServer::~LoopbackServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listen_fd_ >= 0) ::close(listen_fd_);
}

void LoopbackServer::join() {
    if (thread_.joinable()) thread_.join();
}

std::string LoopbackServer::endpoint() const {
    return (family_ == AF_INET6 ? "[::1]:" : "127.0.0.1:") + std::to_string(port_);
}

void LoopbackServer::serve(Script script, int clients) {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    for (int served = 0; served < clients && !stop_;) {
        if (std::chrono::steady_clock::now() > give_up) return;
        pollfd waiting{listen_fd_, POLLIN, 0};
        if (::poll(&waiting, 1, 50) <= 0) continue;
        const int fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (fd < 0) continue;
        script(fd);
        ::close(fd);
        ++served;
    }
}

// --- Script helpers ---

void send_all(int fd, const Bytes& bytes) {
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::send(fd, bytes.data() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return;
        done += static_cast<size_t>(put);
    }
}

namespace {

// One read of at most `limit` bytes within `timeout_ms`; 0 at the end or
// the timeout.
size_t read_some(int fd, uint8_t* buffer, size_t limit, int timeout_ms) {
    pollfd waiting{fd, POLLIN, 0};
    if (::poll(&waiting, 1, timeout_ms) <= 0) return 0;
    const ssize_t got = ::read(fd, buffer, limit);
    return got > 0 ? static_cast<size_t>(got) : 0;
}

}  // namespace

Bytes read_exactly(int fd, size_t count, int timeout_ms) {
    Bytes bytes(count);
    size_t done = 0;
    while (done < count) {
        const size_t got = read_some(fd, bytes.data() + done, count - done, timeout_ms);
        if (got == 0) break;
        done += got;
    }
    bytes.resize(done);
    return bytes;
}

Bytes read_until(int fd, const Bytes& wanted, int timeout_ms) {
    Bytes bytes;
    uint8_t byte = 0;
    // Byte by byte, so that nothing after `wanted` is taken from the socket.
    while (read_some(fd, &byte, 1, timeout_ms) == 1) {
        bytes.push_back(byte);
        if (bytes.size() >= wanted.size() &&
            std::equal(wanted.begin(), wanted.end(),
                       bytes.end() - static_cast<ptrdiff_t>(wanted.size()))) {
            break;
        }
    }
    return bytes;
}

Bytes read_to_end(int fd, int timeout_ms) {
    Bytes bytes;
    uint8_t piece[65536];
    for (;;) {
        const size_t got = read_some(fd, piece, sizeof piece, timeout_ms);
        if (got == 0) return bytes;
        bytes.insert(bytes.end(), piece, piece + got);
    }
}

// --- Client helpers ---

TelnetSettings plain_settings() {
    TelnetSettings settings;
    settings.tls = false;
    return settings;
}

std::unique_ptr<TelnetConnection> connect_for_test(platform::EventLoop& loop,
                                                   const std::string& endpoint,
                                                   TelnetSettings settings,
                                                   platform::Status* failure) {
    platform::UnattendedPolicy policy;
    ConnectRequest request;
    request.endpoint = endpoint;
    request.server_name = "TEST";
    request.telnet = std::move(settings);
    auto task = connect_telnet(loop, request, policy);
    if (!platform::run_to_end(loop, task)) return nullptr;
    auto& result = task.result();
    if (!result.ok()) {
        if (failure) *failure = result.status();
        return nullptr;
    }
    return std::move(*result);
}

std::string read_channel_until(platform::EventLoop& loop, platform::ByteChannel& channel,
                               std::string_view wanted, uint32_t limit_ms) {
    std::string arrived;
    const uint32_t deadline = loop.now() + limit_ms;
    loop.wait_for(
        [&] {
            const auto bytes = channel.buffered();
            arrived.append(bytes.begin(), bytes.end());
            channel.consume(bytes.size());
            return (!wanted.empty() && arrived.find(wanted) != std::string::npos) ||
                   channel.ended();
        },
        deadline);
    return arrived;
}

// --- ChildProcess ---

ChildProcess::ChildProcess(std::vector<std::string> arguments) {
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) return;
    pid_ = ::fork();
    if (pid_ == 0) {
        ::dup2(pipe_fds[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (auto& argument : arguments) argv.push_back(argument.data());
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    ::close(pipe_fds[1]);
    output_fd_ = pipe_fds[0];
}

ChildProcess::~ChildProcess() {
    if (pid_ > 0) {
        ::kill(pid_, SIGTERM);
        (void)wait();
    }
    if (output_fd_ >= 0) ::close(output_fd_);
}

std::optional<std::string> ChildProcess::read_line(int timeout_ms) {
    for (;;) {
        const size_t end = pending_.find('\n');
        if (end != std::string::npos) {
            std::string line = pending_.substr(0, end);
            pending_.erase(0, end + 1);
            return line;
        }
        uint8_t piece[256];
        const size_t got = read_some(output_fd_, piece, sizeof piece, timeout_ms);
        if (got == 0) return std::nullopt;
        pending_.append(piece, piece + got);
    }
}

int ChildProcess::wait() {
    if (pid_ <= 0) return -1;
    int status = 0;
    const pid_t done = ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return done > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

bool have_program(const std::string& program) {
    const std::string command = "command -v " + program + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

int PatientVirtualClock::poll(pollfd* fds, size_t count, int timeout_ms) {
    constexpr int kRealGraceMs = 20;
    const int ready = target().poll(fds, count, timeout_ms == 0 ? 0 : kRealGraceMs);
    if (ready != 0 || timeout_ms == 0) return ready;
    if (timeout_ms > 0) advance(static_cast<uint32_t>(timeout_ms));
    return 0;
}

int closed_port() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), length) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    ::close(fd);  // bound but never listening, and now closed: connects are refused
    return port;
}

UnansweredPort::UnansweredPort() {
    listen_fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(listen_fd_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        ::listen(listen_fd_, 0) != 0 ||
        ::getsockname(listen_fd_, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        return;
    }
    port_ = ntohs(address.sin_port);
    // Fill the accept queue; later handshakes are dropped by the kernel.
    for (int i = 0; i < 3; ++i) {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
        (void)::connect(fd, reinterpret_cast<sockaddr*>(&address), length);
        queued_.push_back(fd);
    }
    ::usleep(50 * 1000);
}

UnansweredPort::~UnansweredPort() {
    for (int fd : queued_) ::close(fd);
    if (listen_fd_ >= 0) ::close(listen_fd_);
}

}  // namespace orvane::connection::testing
