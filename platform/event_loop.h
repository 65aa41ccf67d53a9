// The one-thread event loop that drives the program: posted messages, timers
// and descriptor watches all arrive as messages, in the order a message loop
// would deliver them (posted messages first, then descriptor events, then
// timers). Long operations keep the program responsive by pumping the loop
// inside their waits (wait_until / wait_for), which may nest.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <vector>

namespace orvane::platform {

struct Message {
    uint32_t id = 0;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
};

// Message number of a timer; wparam holds the timer id.
inline constexpr uint32_t kTimerMessage = 0x0113;
// First message number free for the program's own messages.
inline constexpr uint32_t kUserMessage = 0x0400;

// Descriptor events, as bits of a watch and of a delivered lparam (the low
// 16 bits hold the event, the high 16 bits an error code for kFdConnect).
enum FdEvent : uint32_t {
    kFdRead = 0x01,
    kFdWrite = 0x02,
    kFdConnect = 0x10,  // one-shot: the pending connect finished (or failed)
    kFdClose = 0x20,    // one-shot: the peer closed or the connection broke
};

class EventLoop {
  public:
    using Handler = std::function<void(const Message&)>;

    void set_handler(Handler handler) { handler_ = std::move(handler); }

    void post(const Message& message);

    // Starts (or restarts) a periodic timer. Like a window timer, a timer has
    // at most one message waiting in the queue at a time.
    void set_timer(uintptr_t id, uint32_t period_ms);
    void kill_timer(uintptr_t id);

    // Delivers `message_id` with wparam = fd and lparam = event | error << 16
    // whenever one of `events` happens. Read and write are level-triggered,
    // with at most one message of each kind waiting per descriptor.
    void watch_fd(int fd, uint32_t events, uint32_t message_id);
    void unwatch_fd(int fd);

    // Takes the next message, waiting until one is there. Returns false when
    // the loop was told to quit, or when `deadline` (a tick) passes first.
    bool get_message(Message* message, std::optional<uint32_t> deadline = std::nullopt);
    void dispatch(const Message& message);

    // Dispatches what is due now, without waiting, and returns once the queue
    // is empty.
    void pump();
    // Dispatches messages until the deadline tick has passed.
    void wait_until(uint32_t deadline);
    // Dispatches messages until `condition` holds (true) or the deadline
    // passes (false). The condition is checked before every wait.
    bool wait_for(const std::function<bool()>& condition, uint32_t deadline);

    // Makes get_message return false from now on (and the waits return).
    void quit() { quit_ = true; }
    bool quitting() const { return quit_; }

  private:
    struct Timer {
        uint32_t period = 0;
        uint32_t due = 0;
        bool queued = false;
    };
    struct Watch {
        int fd = -1;
        uint32_t events = 0;
        uint32_t message_id = 0;
        uint32_t queued = 0;  // events with a message waiting in the queue
    };
    struct Queued {
        Message message;
        enum class Source { Posted, Fd, Timer } source = Source::Posted;
        uint32_t fd_event = 0;
    };

    // Moves due descriptor events and timers into the queue, waiting at most
    // `timeout_ms` (-1: no limit) for something to happen.
    void collect(int timeout_ms);
    void collect_timers(uint32_t now);
    void take(const Queued& item);
    bool take_queued(Message* message);
    int timeout_until(std::optional<uint32_t> deadline) const;

    Handler handler_;
    std::deque<Queued> posted_;
    std::deque<Queued> fd_events_;
    std::deque<Queued> timer_events_;
    std::map<uintptr_t, Timer> timers_;
    std::vector<Watch> watches_;
    bool quit_ = false;
};

}  // namespace orvane::platform
