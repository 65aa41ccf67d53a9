#include "platform/event_loop.h"

#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <map>
#include <utility>
#include <vector>

#include "platform/clock.h"

namespace orvane::platform {

// Something due to run, waiting in one of the queues.
struct EventLoop::Due {
    enum class Kind { kPosted, kDeferred, kFd, kTimer, kTick } kind = Kind::kPosted;
    uint64_t id = 0;  // the registration of an fd event or a timer
    uint32_t event = 0;
    int error = 0;
    Message message;
    std::shared_ptr<std::function<void()>> deferred;
};

struct LoopCore {
    struct Timer {
        uint32_t due = 0;
        uint32_t period = 0;
        bool queued = false;
        std::shared_ptr<EventLoop::TimerCallback> callback;
    };
    struct Watch {
        int fd = -1;
        uint32_t events = 0;
        uint32_t queued = 0;  // events waiting to run
        std::shared_ptr<EventLoop::WatchCallback> callback;
    };
    struct Handler {
        PostedMessage id{};
        std::shared_ptr<EventLoop::MessageCallback> callback;
    };

    void remove(uint64_t id) {
        timers.erase(id);
        watches.erase(id);
        ticks.erase(id);
        handlers.erase(id);
    }
    bool has(uint64_t id) const {
        return timers.count(id) || watches.count(id) || ticks.count(id) || handlers.count(id);
    }

    uint64_t next_id = 1;
    std::map<uint64_t, Timer> timers;
    std::map<uint64_t, Watch> watches;
    std::map<uint64_t, std::shared_ptr<EventLoop::TickCallback>> ticks;
    std::map<uint64_t, Handler> handlers;
    uint32_t tick_due = 0;
    bool tick_queued = false;
    bool quit = false;
    std::deque<EventLoop::Due> posted;
    std::deque<EventLoop::Due> fd_events;
    std::deque<EventLoop::Due> timer_events;
};

// --- Registration ---

EventLoop::Registration::Registration(Registration&& other) noexcept
    : core_(std::move(other.core_)), id_(std::exchange(other.id_, 0)) {}

EventLoop::Registration& EventLoop::Registration::operator=(Registration&& other) noexcept {
    if (this != &other) {
        cancel();
        core_ = std::move(other.core_);
        id_ = std::exchange(other.id_, 0);
    }
    return *this;
}

void EventLoop::Registration::cancel() {
    if (auto core = core_.lock()) core->remove(id_);
    core_.reset();
    id_ = 0;
}

bool EventLoop::Registration::active() const {
    auto core = core_.lock();
    return core && core->has(id_);
}

// --- Registering ---

EventLoop::EventLoop(Env& env) : env_(env), core_(std::make_shared<LoopCore>()) {}

EventLoop::~EventLoop() = default;

EventLoop::Registration EventLoop::add(std::function<void(LoopCore&, uint64_t)> insert) {
    const uint64_t id = core_->next_id++;
    insert(*core_, id);
    return Registration(core_, id);
}

EventLoop::Registration EventLoop::add_timer(uint32_t delay_ms, uint32_t period_ms,
                                             TimerCallback callback) {
    const uint32_t due = now() + delay_ms;
    return add([&](LoopCore& core, uint64_t id) {
        core.timers[id] = {due, period_ms, false,
                           std::make_shared<TimerCallback>(std::move(callback))};
    });
}

EventLoop::Registration EventLoop::watch(int fd, uint32_t events, WatchCallback callback) {
    return add([&](LoopCore& core, uint64_t id) {
        core.watches[id] = {fd, events, 0, std::make_shared<WatchCallback>(std::move(callback))};
    });
}

void EventLoop::set_watch_events(const Registration& watch, uint32_t events) {
    auto it = core_->watches.find(watch.id_);
    if (it != core_->watches.end()) it->second.events = events;
}

EventLoop::Registration EventLoop::on_tick(TickCallback callback) {
    if (core_->ticks.empty()) {
        core_->tick_due = now() + kTickPeriodMs;
        core_->tick_queued = false;
    }
    return add([&](LoopCore& core, uint64_t id) {
        core.ticks[id] = std::make_shared<TickCallback>(std::move(callback));
    });
}

EventLoop::Registration EventLoop::on_message(PostedMessage message_id, MessageCallback callback) {
    return add([&](LoopCore& core, uint64_t id) {
        core.handlers[id] = {message_id, std::make_shared<MessageCallback>(std::move(callback))};
    });
}

void EventLoop::post(const Message& message) {
    Due due;
    due.kind = Due::Kind::kPosted;
    due.message = message;
    core_->posted.push_back(std::move(due));
}

void EventLoop::defer(std::function<void()> callback) {
    Due due;
    due.kind = Due::Kind::kDeferred;
    due.deferred = std::make_shared<std::function<void()>>(std::move(callback));
    core_->posted.push_back(std::move(due));
}

void EventLoop::quit() {
    core_->quit = true;
}
bool EventLoop::quitting() const {
    return core_->quit;
}

// --- Collecting what is due ---

void EventLoop::collect(int timeout_ms) {
    LoopCore& core = *core_;
    std::vector<pollfd> fds;
    std::vector<uint64_t> ids;
    for (const auto& [id, watch] : core.watches) {
        short wanted = 0;
        const uint32_t open = watch.events & ~watch.queued;
        if (open & kFdRead) wanted |= POLLIN;
        if (open & (kFdWrite | kFdConnect)) wanted |= POLLOUT;
        if (open & kFdClose) wanted |= POLLRDHUP;
        // A watch that waits for nothing is left out: poll would still
        // report a hang-up on it at once, again and again.
        fds.push_back({wanted ? watch.fd : -1, wanted, 0});
        ids.push_back(id);
    }
    const int ready = env_.poll(fds.data(), fds.size(), timeout_ms);
    for (size_t i = 0; ready > 0 && i < fds.size(); ++i) {
        const short got = fds[i].revents;
        if (!got) continue;
        LoopCore::Watch& watch = core.watches[ids[i]];
        auto deliver = [&](uint32_t event, int error) {
            if (!(watch.events & event) || (watch.queued & event)) return;
            watch.queued |= event;
            Due due;
            due.kind = Due::Kind::kFd;
            due.id = ids[i];
            due.event = event;
            due.error = error;
            core.fd_events.push_back(std::move(due));
        };
        const bool broken = got & (POLLERR | POLLHUP | POLLNVAL);
        if (watch.events & kFdConnect && got & (POLLOUT | POLLERR | POLLHUP)) {
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(watch.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0) error = errno;
            deliver(kFdConnect, error);
            watch.events &= ~kFdConnect;  // a connect finishes once
            continue;
        }
        if (got & POLLIN) deliver(kFdRead, 0);
        if (got & POLLOUT) deliver(kFdWrite, 0);
        if (got & POLLRDHUP || broken) {
            deliver(kFdClose, 0);
            watch.events &= ~kFdClose;
            // A broken descriptor would keep poll awake: stop watching what
            // can no longer come.
            if (broken) watch.events &= ~(kFdRead | kFdWrite);
        }
    }

    const uint32_t time = now();
    for (auto& [id, timer] : core.timers) {
        if (timer.queued || !tick_reached(time, timer.due)) continue;
        timer.queued = true;
        Due due;
        due.kind = Due::Kind::kTimer;
        due.id = id;
        core.timer_events.push_back(std::move(due));
    }
    if (!core.ticks.empty() && !core.tick_queued && tick_reached(time, core.tick_due)) {
        core.tick_queued = true;
        Due due;
        due.kind = Due::Kind::kTick;
        core.timer_events.push_back(std::move(due));
    }
}

int EventLoop::timeout_until(std::optional<uint32_t> deadline) {
    const uint32_t time = now();
    int64_t timeout = -1;
    auto consider = [&](uint32_t due) {
        const int64_t wait = ticks_until(time, due);
        if (timeout < 0 || wait < timeout) timeout = wait;
    };
    for (const auto& [id, timer] : core_->timers)
        if (!timer.queued) consider(timer.due);
    if (!core_->ticks.empty() && !core_->tick_queued) consider(core_->tick_due);
    if (deadline) consider(*deadline);
    return static_cast<int>(std::min<int64_t>(timeout, INT_MAX));
}

bool EventLoop::take(Due* due) {
    LoopCore& core = *core_;
    for (auto* queue : {&core.posted, &core.fd_events, &core.timer_events}) {
        if (!queue->empty()) {
            *due = std::move(queue->front());
            queue->pop_front();
            return true;
        }
    }
    return false;
}

bool EventLoop::next(Due* due, std::optional<uint32_t> deadline) {
    LoopCore& core = *core_;
    for (;;) {
        if (core.quit) return false;
        // Look without waiting first, so that posted messages never starve
        // descriptor events and timers that are already due.
        collect(0);
        if (take(due)) return true;
        if (deadline && tick_reached(now(), *deadline)) return false;
        const int timeout = timeout_until(deadline);
        if (timeout == -1 && core.watches.empty()) return false;  // nothing could ever arrive
        collect(timeout);
    }
}

// --- Running callbacks ---

void EventLoop::dispatch(const Due& due) {
    LoopCore& core = *core_;
    switch (due.kind) {
        case Due::Kind::kPosted: {
            std::vector<std::shared_ptr<MessageCallback>> handlers;
            for (const auto& [id, handler] : core.handlers)
                if (handler.id == due.message.id) handlers.push_back(handler.callback);
            for (const auto& handler : handlers) (*handler)(due.message);
            break;
        }
        case Due::Kind::kDeferred:
            (*due.deferred)();
            break;
        case Due::Kind::kFd: {
            auto it = core.watches.find(due.id);
            if (it == core.watches.end()) break;
            it->second.queued &= ~due.event;
            auto callback = it->second.callback;  // the callback may cancel its own watch
            (*callback)(due.event, due.error);
            break;
        }
        case Due::Kind::kTimer: {
            auto it = core.timers.find(due.id);
            if (it == core.timers.end()) break;
            auto callback = it->second.callback;
            LoopCore::Timer& timer = it->second;
            timer.queued = false;
            if (timer.period == 0) {
                core.timers.erase(it);
            } else {
                const uint32_t time = now();
                timer.due = tick_reached(time, timer.due + timer.period) ? time + timer.period
                                                                         : timer.due + timer.period;
            }
            (*callback)();
            break;
        }
        case Due::Kind::kTick: {
            core.tick_queued = false;
            const uint32_t time = now();
            core.tick_due = tick_reached(time, core.tick_due + kTickPeriodMs)
                                ? time + kTickPeriodMs
                                : core.tick_due + kTickPeriodMs;
            std::vector<std::shared_ptr<TickCallback>> subscribers;
            for (const auto& [id, callback] : core.ticks) subscribers.push_back(callback);
            for (const auto& callback : subscribers) (*callback)(time);
            break;
        }
    }
}

void EventLoop::pump() {
    LoopCore& core = *core_;
    collect(0);
    size_t budget = core.posted.size() + core.fd_events.size() + core.timer_events.size();
    Due due;
    while (budget-- > 0 && !core.quit && take(&due)) dispatch(due);
}

void EventLoop::wait_until(uint32_t deadline) {
    Due due;
    while (next(&due, deadline)) dispatch(due);
}

bool EventLoop::wait_for(const std::function<bool()>& condition, std::optional<uint32_t> deadline) {
    Due due;
    for (;;) {
        if (condition()) return true;
        if (!next(&due, deadline)) return condition();
        dispatch(due);
    }
}

void EventLoop::run() {
    Due due;
    while (next(&due, std::nullopt)) dispatch(due);
}

}  // namespace orvane::platform
