#include "connection/terminal_session.h"

#include <memory>

#include "platform/clock.h"

namespace orvane::connection {

using platform::EventLoop;
using platform::MessageId;
using platform::Status;

namespace {

constexpr uint8_t kEscapeKey = 0x1D;  // Ctrl-]
constexpr uint8_t kDelete = 0x7F;
constexpr uint8_t kBackspace = 0x08;
constexpr char kLeaveKey = 'q';
// Screen output waiting beyond this makes the session wait for the screen
// before it takes more from the server.
constexpr size_t kScreenBacklog = 256 * 1024;
constexpr uint32_t kScreenWaitMs = 60 * 1000;
constexpr size_t kLongLinePiece = 4096;

}  // namespace

// Something that happens once, awaited by one coroutine with a deadline.
// set() resumes the waiter from the loop, never inside the caller, so that
// the waiter may end what called set().
class TerminalSession::Signal {
  public:
    explicit Signal(EventLoop& loop) : loop_(loop) {}
    Signal(const Signal&) = delete;
    Signal& operator=(const Signal&) = delete;

    class Awaiter {
      public:
        Awaiter(Signal& signal, uint32_t deadline) : signal_(signal), deadline_(deadline) {}
        ~Awaiter() {
            *alive_ = false;
            if (signal_.waiter_ == this) signal_.waiter_ = nullptr;
        }
        bool await_ready() const {
            return signal_.set_ || platform::tick_reached(signal_.loop_.now(), deadline_);
        }
        void await_suspend(std::coroutine_handle<> waiting) {
            waiting_ = waiting;
            signal_.waiter_ = this;
            timer_ = signal_.loop_.add_timer(platform::ticks_until(signal_.loop_.now(), deadline_),
                                             0, [this] {
                                                 signal_.waiter_ = nullptr;
                                                 std::exchange(waiting_, {}).resume();
                                             });
        }
        bool await_resume() const { return signal_.set_; }

      private:
        friend class Signal;
        void wake_later() {
            timer_.cancel();
            signal_.loop_.defer([alive = alive_, waiting = std::exchange(waiting_, {})] {
                if (*alive) waiting.resume();
            });
        }
        Signal& signal_;
        uint32_t deadline_;
        std::coroutine_handle<> waiting_;
        EventLoop::Registration timer_;
        std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
    };

    void set() {
        if (set_) return;
        set_ = true;
        if (Awaiter* waiter = std::exchange(waiter_, nullptr)) waiter->wake_later();
    }
    bool is_set() const { return set_; }
    // co_await wait(deadline): true once set, false when the deadline passed.
    Awaiter wait(uint32_t deadline) { return Awaiter(*this, deadline); }

  private:
    EventLoop& loop_;
    bool set_ = false;
    Awaiter* waiter_ = nullptr;
};

TerminalSession::TerminalSession(TelnetConnection& connection, Terminal& terminal,
                                 platform::ByteChannel& keyboard, platform::ByteChannel& screen,
                                 platform::Policy& policy, TerminalSessionOptions options)
    : connection_(connection),
      terminal_(terminal),
      keyboard_(keyboard),
      screen_(screen),
      policy_(policy),
      options_(options),
      server_spoke_(std::make_unique<Signal>(connection.loop())),
      ended_(std::make_unique<Signal>(connection.loop())) {}

TerminalSession::~TerminalSession() = default;

platform::Task<Status> TerminalSession::run() {
    quiet_since_ = connection_.loop().now();
    platform::Task<void> output = show_server_output();
    platform::Task<void> input = options_.interactive ? forward_keyboard() : forward_lines();
    output.start();
    input.start();
    while (!co_await ended_->wait(connection_.loop().now() + kScreenWaitMs)) {
    }
    co_return std::move(result_);
}

void TerminalSession::end(Status why) {
    if (ended_->is_set()) return;
    result_ = std::move(why);
    ended_->set();
}

void TerminalSession::report(Status status) {
    if (!status.ok()) policy_.notice(status);
}

platform::Task<void> TerminalSession::show_server_output() {
    EventLoop& loop = connection_.loop();
    for (;;) {
        const bool arrived = co_await connection_.readable(loop.now() + options_.quiet_ms);
        if (arrived) {
            const auto bytes = connection_.buffered();
            report(terminal_.put(bytes));
            connection_.consume(bytes.size());
            quiet_since_ = loop.now();
            server_spoke_->set();
            if (screen_.unsent() > kScreenBacklog) {
                co_await screen_.drained(loop.now() + kScreenWaitMs, kScreenBacklog / 2);
            }
            continue;
        }
        if (connection_.ended()) {
            end(connection_.end_status().ok() ? Status::message(MessageId::kConnectionClosed)
                                              : connection_.end_status());
            co_return;
        }
        // Quiet for a while: the keyboard need not wait any longer.
        server_spoke_->set();
        if (keyboard_ended_ &&
            platform::tick_reached(loop.now(), quiet_since_ + options_.quiet_ms)) {
            end(Status());
            co_return;
        }
    }
}

bool TerminalSession::send_keys(std::string_view keys) {
    if (keys.empty()) return true;
    Status sent = terminal_.type(keys, connection_);
    if (connection_.ended()) return false;  // the output side reports why
    report(std::move(sent));
    return true;
}

platform::Task<void> TerminalSession::forward_keyboard() {
    EventLoop& loop = connection_.loop();
    while (!co_await server_spoke_->wait(loop.now() + options_.quiet_ms)) {
    }
    bool escape = false;
    for (;;) {
        if (!co_await keyboard_.readable(loop.now() + kScreenWaitMs)) {
            if (!keyboard_.ended()) continue;
            end(Status());
            co_return;
        }
        std::string keys;
        for (int key = keyboard_.take(); key >= 0; key = keyboard_.take()) {
            if (escape) {
                escape = false;
                if (key == kLeaveKey || key == 'Q') {
                    if (!send_keys(keys)) co_return;
                    end(Status());
                    co_return;
                }
                if (key == kEscapeKey) keys += static_cast<char>(kEscapeKey);
                continue;
            }
            if (key == kEscapeKey) {
                escape = true;
            } else {
                keys += static_cast<char>(key == kDelete ? kBackspace : key);
            }
        }
        if (!send_keys(keys)) co_return;
    }
}

platform::Task<void> TerminalSession::forward_lines() {
    EventLoop& loop = connection_.loop();
    while (!co_await server_spoke_->wait(loop.now() + options_.quiet_ms)) {
    }
    // Lines are copied without echo: the screen shows only the server. A
    // very long line goes out in pieces, so that it costs no memory.
    std::string line;
    auto send = [&](bool line_end) {
        if (!line.empty() && line.back() == '\r' && line_end) line.pop_back();
        Status sent = connection_.send_text(line, line_end);
        line.clear();
        return sent.ok();
    };
    for (;;) {
        const bool arrived = co_await keyboard_.readable(loop.now() + kScreenWaitMs);
        for (int byte = keyboard_.take(); byte >= 0; byte = keyboard_.take()) {
            if (byte == '\n') {
                if (!send(true)) co_return;
            } else {
                line += static_cast<char>(byte);
                if (line.size() >= kLongLinePiece && !send(false)) co_return;
            }
        }
        if (!arrived && keyboard_.ended()) break;
    }
    if (!line.empty() && !send(true)) co_return;
    keyboard_ended_ = true;
    quiet_since_ = loop.now();
}

}  // namespace orvane::connection
