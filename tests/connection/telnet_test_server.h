// Test peers for the connection: a server on the loopback interface that
// runs a script in a thread of its own with plain blocking sockets (so it
// is independent of the loop under test), helpers for its scripts, and
// child processes for the real peer tools.
#pragma once

#include <sys/socket.h>
#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "connection/telnet_connection.h"
#include "platform/event_loop.h"
#include "platform/policy.h"
#include "platform/virtual_clock.h"

namespace orvane::connection::testing {

using Bytes = std::vector<uint8_t>;

Bytes bytes_of(std::string_view text);
std::string text_of(const Bytes& bytes);

// Listens on 127.0.0.1 (or ::1) on `port` (0: a free one) and runs `script`
// for each of up to `clients` connections, one after another, in its own
// thread.
class LoopbackServer {
  public:
    using Script = std::function<void(int fd)>;

    explicit LoopbackServer(Script script, int family = AF_INET, int clients = 1, int port = 0);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // False when the address family has no loopback here.
    bool listening() const { return listen_fd_ >= 0; }
    int port() const { return port_; }
    // "127.0.0.1:PORT" or "[::1]:PORT".
    std::string endpoint() const;
    // Waits until the script has run for every client (or 20 s passed).
    void join();

  private:
    void serve(Script script, int clients);
    int listen_fd_ = -1;
    int port_ = 0;
    int family_;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Script helpers. Each gives up after `timeout_ms` (so a broken client
// fails the test instead of hanging it).
void send_all(int fd, const Bytes& bytes);
// Reads exactly `count` bytes, or what came before the end or the timeout.
Bytes read_exactly(int fd, size_t count, int timeout_ms = 5000);
// Reads until `wanted` has arrived; all that was read, or less at the end.
Bytes read_until(int fd, const Bytes& wanted, int timeout_ms = 5000);
// Everything until the peer closes (or the timeout).
Bytes read_to_end(int fd, int timeout_ms = 5000);

// Settings for a connection that never starts TLS.
TelnetSettings plain_settings();

// Runs `run` (a Task returning Result<unique_ptr<TelnetConnection>>) to its
// end on the loop: connect_telnet without questions.
std::unique_ptr<TelnetConnection> connect_for_test(platform::EventLoop& loop,
                                                   const std::string& endpoint,
                                                   TelnetSettings settings,
                                                   platform::Status* failure = nullptr);

// Reads from `channel` until `wanted` is among what arrived, the channel
// ended, or `limit_ms` passed on the loop's clock. Returns all that arrived.
std::string read_channel_until(platform::EventLoop& loop, platform::ByteChannel& channel,
                               std::string_view wanted, uint32_t limit_ms = 5000);

// A child process with its standard output on a pipe; killed and reaped
// when destroyed.
class ChildProcess {
  public:
    explicit ChildProcess(std::vector<std::string> arguments);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool started() const { return pid_ > 0; }
    // One line of the child's output (without its line end), or nothing
    // when it ended or said nothing within the timeout.
    std::optional<std::string> read_line(int timeout_ms = 10000);
    // Waits for the child to end; its exit status, or -1.
    int wait();

  private:
    pid_t pid_ = -1;
    int output_fd_ = -1;
    std::string pending_;
};

// Whether `program` can be run (found on PATH or by its path).
bool have_program(const std::string& program);

// A virtual clock for tests with real peers in other threads or processes:
// before it lets time jump over a wait, it gives the peers a few real
// milliseconds to answer.
class PatientVirtualClock : public platform::VirtualClockEnv {
  public:
    int poll(pollfd* fds, size_t count, int timeout_ms) override;
};

// A port on 127.0.0.1 that nothing listens on (for refused connections).
int closed_port();

// A port on 127.0.0.1 whose listener never accepts and whose queue is full:
// connects to it are never answered.
class UnansweredPort {
  public:
    UnansweredPort();
    ~UnansweredPort();
    UnansweredPort(const UnansweredPort&) = delete;
    UnansweredPort& operator=(const UnansweredPort&) = delete;
    int port() const { return port_; }
    std::string endpoint() const { return "127.0.0.1:" + std::to_string(port_); }

  private:
    int listen_fd_ = -1;
    int port_ = 0;
    std::vector<int> queued_;
};

}  // namespace orvane::connection::testing
