// The one-thread event loop that drives the program. Everything that happens
// arrives as a callback: posted messages and deferred calls, descriptor
// events, timers and the one-second tick. When several are due at once they
// run in that order, as a message loop would deliver them. Time comes from
// the loop's Env, so that a loop on a VirtualClockEnv runs minutes of timers
// in no real time.
//
// Every callback is held by a Registration, which cancels it when cancelled
// or destroyed; a callback may cancel itself or any other registration, and
// one cancelled before its turn does not run.
//
// Nested waits. Protocols (the session, Telnet, Zmodem) are state machines
// or coroutines driven by the loop (platform/task.h); they never wait by
// pumping. pump(), wait_until() and wait_for() run any due callback, so they
// are allowed only where nothing that callbacks may touch is half changed:
// at the top of a front end, in tests, and in a long operation that holds
// the guard of the state it changes (Cabinet::OperationGuard), whose other
// entries then refuse to run until it ends.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>

#include "platform/env.h"
#include "platform/message_ids.h"

namespace orvane::platform {

struct Message {
    PostedMessage id = PostedMessage::kCommand;
    uintptr_t wparam = 0;
    intptr_t lparam = 0;
};

// Descriptor events, as bits of a watch and of an event delivered.
enum FdEvent : uint32_t {
    kFdRead = 0x01,
    kFdWrite = 0x02,
    kFdConnect = 0x10,  // once: the pending connect finished (or failed, with its error)
    kFdClose = 0x20,    // once: the peer closed or the connection broke
};

inline constexpr uint32_t kTickPeriodMs = 1000;

struct LoopCore;

class EventLoop {
  public:
    class Registration {
      public:
        Registration() = default;
        ~Registration() { cancel(); }
        Registration(Registration&& other) noexcept;
        Registration& operator=(Registration&& other) noexcept;
        Registration(const Registration&) = delete;
        Registration& operator=(const Registration&) = delete;

        void cancel();
        bool active() const;

      private:
        friend class EventLoop;
        Registration(std::weak_ptr<LoopCore> core, uint64_t id) : core_(std::move(core)), id_(id) {}
        std::weak_ptr<LoopCore> core_;
        uint64_t id_ = 0;
    };

    using TimerCallback = std::function<void()>;
    using WatchCallback = std::function<void(uint32_t event, int error)>;
    using TickCallback = std::function<void(uint32_t now)>;
    using MessageCallback = std::function<void(const Message&)>;

    explicit EventLoop(Env& env = system_env());
    ~EventLoop();
    EventLoop(const EventLoop&) = delete;
    EventLoop& operator=(const EventLoop&) = delete;

    Env& env() { return env_; }
    uint32_t now() { return env_.tick_count(); }

    // Calls `callback` after `delay_ms`, then every `period_ms` (0: once). A
    // late timer runs once, not once for every period it missed.
    [[nodiscard]] Registration add_timer(uint32_t delay_ms, uint32_t period_ms,
                                         TimerCallback callback);
    // Calls `callback(event, error)` when one of `events` happens on `fd`.
    // Read and write are level-triggered, with at most one of each waiting
    // to run; connect and close come once (error: the connect's errno).
    [[nodiscard]] Registration watch(int fd, uint32_t events, WatchCallback callback);
    // Changes what a watch waits for (a connection wants kFdWrite only while
    // it has something to send).
    void set_watch_events(const Registration& watch, uint32_t events);
    // Calls `callback(now)` once a second for as long as it is registered.
    [[nodiscard]] Registration on_tick(TickCallback callback);
    // Handles every posted message of number `id`.
    [[nodiscard]] Registration on_message(PostedMessage id, MessageCallback callback);

    void post(const Message& message);
    // Runs `callback` from the loop, after what is already waiting: for
    // resuming work without growing the stack.
    void defer(std::function<void()> callback);

    // Runs what is due now and returns; what becomes due meanwhile waits for
    // the next call, so a descriptor that stays ready cannot hold it.
    void pump();
    // Runs callbacks until the deadline tick has passed.
    void wait_until(uint32_t deadline);
    // Runs callbacks until `condition` holds (true) or the deadline passes
    // (false). The condition is checked before every wait.
    bool wait_for(const std::function<bool()>& condition, std::optional<uint32_t> deadline);
    // Runs callbacks until quit() or until nothing could ever happen again.
    void run();

    void quit();
    bool quitting() const;

    // Something due to run (internal to the loop).
    struct Due;

  private:
    bool take(Due* due);
    bool next(Due* due, std::optional<uint32_t> deadline);
    void collect(int timeout_ms);
    void dispatch(const Due& due);
    int timeout_until(std::optional<uint32_t> deadline);
    Registration add(std::function<void(LoopCore&, uint64_t)> insert);

    Env& env_;
    std::shared_ptr<LoopCore> core_;
};

}  // namespace orvane::platform
