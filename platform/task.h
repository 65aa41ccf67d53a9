// Coroutines for protocol code that reads best as a sequence, such as
// Zmodem's sender and receiver. A Task<T> runs until it awaits an event of
// the loop (bytes arrived, a deadline passed, a pause) and is resumed by
// that event's callback: the code waits without blocking and without
// pumping the loop.
//
// A Task starts when a coroutine awaits it, or with start() when nothing
// awaits it (the outermost task of a front end or a test). Destroying a Task
// destroys its frame wherever it waits, with every coroutine it awaits and
// every registration their awaiters hold: that is how work is cancelled.
// The core has no exceptions; one escaping a coroutine ends the program.
#pragma once

#include <coroutine>
#include <exception>
#include <optional>
#include <utility>

#include "platform/event_loop.h"

namespace orvane::platform {

namespace task_detail {

struct PromiseBase {
    // Who resumes when the task ends: the awaiting coroutine, or nobody
    // (the resumer of a started task simply gets control back).
    std::coroutine_handle<> continuation = std::noop_coroutine();

    struct FinalAwaiter {
        bool await_ready() noexcept { return false; }
        template <typename Promise>
        std::coroutine_handle<> await_suspend(std::coroutine_handle<Promise> done) noexcept {
            return done.promise().continuation;
        }
        void await_resume() noexcept {}
    };

    std::suspend_always initial_suspend() noexcept { return {}; }
    FinalAwaiter final_suspend() noexcept { return {}; }
    void unhandled_exception() noexcept { std::terminate(); }
};

template <typename T>
struct Promise : PromiseBase {
    std::optional<T> value;
    void return_value(T result) { value = std::move(result); }
};

template <>
struct Promise<void> : PromiseBase {
    void return_void() {}
};

}  // namespace task_detail

template <typename T = void>
class [[nodiscard]] Task {
  public:
    struct promise_type : task_detail::Promise<T> {
        Task get_return_object() {
            return Task(std::coroutine_handle<promise_type>::from_promise(*this));
        }
    };

    Task() = default;
    Task(Task&& other) noexcept : handle_(std::exchange(other.handle_, {})) {}
    Task& operator=(Task&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = std::exchange(other.handle_, {});
        }
        return *this;
    }
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;
    ~Task() { reset(); }

    // Runs a task that nothing awaits up to its first wait.
    void start() {
        if (handle_ && !handle_.done()) handle_.resume();
    }
    bool valid() const { return static_cast<bool>(handle_); }
    bool done() const { return handle_ && handle_.done(); }
    // The value of a finished Task<T>.
    template <typename U = T>
    requires(!std::is_void_v<U>) U& result() { return *handle_.promise().value; }

    bool await_ready() const noexcept { return false; }
    std::coroutine_handle<> await_suspend(std::coroutine_handle<> awaiting) noexcept {
        handle_.promise().continuation = awaiting;
        return handle_;
    }
    T await_resume() {
        if constexpr (!std::is_void_v<T>) return std::move(*handle_.promise().value);
    }

  private:
    explicit Task(std::coroutine_handle<promise_type> handle) : handle_(handle) {}
    void reset() {
        if (handle_) handle_.destroy();
        handle_ = {};
    }
    std::coroutine_handle<promise_type> handle_;
};

// Awaitable pause of `milliseconds` on the loop's clock.
class Sleep {
  public:
    Sleep(EventLoop& loop, uint32_t milliseconds) : loop_(loop), milliseconds_(milliseconds) {}
    bool await_ready() const noexcept { return milliseconds_ == 0; }
    void await_suspend(std::coroutine_handle<> waiting) {
        timer_ = loop_.add_timer(milliseconds_, 0, [waiting] { waiting.resume(); });
    }
    void await_resume() noexcept {}

  private:
    EventLoop& loop_;
    uint32_t milliseconds_;
    EventLoop::Registration timer_;
};

// Starts `task` and runs the loop until it has finished. Only where pumping
// is allowed (see event_loop.h): a front end's top level, or a test.
// False when the loop quit or went idle first.
template <typename T>
bool run_to_end(EventLoop& loop, Task<T>& task) {
    task.start();
    return loop.wait_for([&] { return task.done(); }, std::nullopt);
}

}  // namespace orvane::platform
