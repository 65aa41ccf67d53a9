#include "platform/event_loop.h"

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/clock.h"

namespace orvane::platform {

void EventLoop::post(const Message& message) {
    posted_.push_back({message, Queued::Source::Posted, 0});
}

void EventLoop::set_timer(uintptr_t id, uint32_t period_ms) {
    Timer& timer = timers_[id];
    timer.period = period_ms;
    timer.due = tick_count() + period_ms;
}

void EventLoop::kill_timer(uintptr_t id) {
    timers_.erase(id);
    std::erase_if(timer_events_, [id](const Queued& q) { return q.message.wparam == id; });
}

void EventLoop::watch_fd(int fd, uint32_t events, uint32_t message_id) {
    for (Watch& watch : watches_) {
        if (watch.fd == fd) {
            watch.events = events;
            watch.message_id = message_id;
            return;
        }
    }
    watches_.push_back({fd, events, message_id, 0});
}

void EventLoop::unwatch_fd(int fd) {
    std::erase_if(watches_, [fd](const Watch& w) { return w.fd == fd; });
    std::erase_if(fd_events_,
                  [fd](const Queued& q) { return q.message.wparam == static_cast<uintptr_t>(fd); });
}

void EventLoop::collect_timers(uint32_t now) {
    for (auto& [id, timer] : timers_) {
        if (timer.queued || !tick_reached(now, timer.due)) continue;
        timer.queued = true;
        // A late timer does not fire twice to catch up.
        timer.due = tick_reached(now, timer.due + timer.period) ? now + timer.period
                                                                : timer.due + timer.period;
        timer_events_.push_back({{kTimerMessage, id, 0}, Queued::Source::Timer, 0});
    }
}

void EventLoop::collect(int timeout_ms) {
    std::vector<pollfd> fds;
    fds.reserve(watches_.size());
    for (const Watch& watch : watches_) {
        short wanted = 0;
        uint32_t open = watch.events & ~watch.queued;
        if (open & kFdRead) wanted |= POLLIN;
        if (open & (kFdWrite | kFdConnect)) wanted |= POLLOUT;
        if (open & kFdClose) wanted |= POLLRDHUP;
        fds.push_back({watch.fd, wanted, 0});
    }
    int ready = ::poll(fds.data(), fds.size(), timeout_ms);
    if (ready > 0) {
        // Watches may not change during this loop: nothing is dispatched here.
        for (size_t i = 0; i < fds.size(); ++i) {
            Watch& watch = watches_[i];
            short got = fds[i].revents;
            if (!got) continue;
            auto deliver = [&](uint32_t event, int error) {
                if (!(watch.events & event) || (watch.queued & event)) return;
                watch.queued |= event;
                intptr_t lparam =
                    static_cast<intptr_t>(event | (static_cast<uint32_t>(error & 0xFFFF) << 16));
                fd_events_.push_back({{watch.message_id, static_cast<uintptr_t>(watch.fd), lparam},
                                      Queued::Source::Fd,
                                      event});
            };
            bool broken = got & (POLLERR | POLLHUP | POLLNVAL);
            if (watch.events & kFdConnect && got & (POLLOUT | POLLERR | POLLHUP)) {
                int error = 0;
                socklen_t length = sizeof error;
                if (::getsockopt(watch.fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
                    error = errno;
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
    }
    collect_timers(tick_count());
}

int EventLoop::timeout_until(std::optional<uint32_t> deadline) const {
    uint32_t now = tick_count();
    int64_t timeout = -1;
    auto consider = [&](uint32_t due) {
        int64_t wait = ticks_until(now, due);
        if (timeout < 0 || wait < timeout) timeout = wait;
    };
    for (const auto& [id, timer] : timers_) {
        if (!timer.queued) consider(timer.due);
    }
    if (deadline) consider(*deadline);
    return static_cast<int>(std::min<int64_t>(timeout, INT_MAX));
}

void EventLoop::take(const Queued& item) {
    switch (item.source) {
        case Queued::Source::Posted:
            break;
        case Queued::Source::Fd:
            for (Watch& watch : watches_) {
                if (static_cast<uintptr_t>(watch.fd) == item.message.wparam)
                    watch.queued &= ~item.fd_event;
            }
            break;
        case Queued::Source::Timer: {
            auto it = timers_.find(item.message.wparam);
            if (it != timers_.end()) it->second.queued = false;
            break;
        }
    }
}

bool EventLoop::take_queued(Message* message) {
    for (auto* queue : {&posted_, &fd_events_, &timer_events_}) {
        if (!queue->empty()) {
            Queued item = queue->front();
            queue->pop_front();
            take(item);
            *message = item.message;
            return true;
        }
    }
    return false;
}

bool EventLoop::get_message(Message* message, std::optional<uint32_t> deadline) {
    for (;;) {
        if (quit_) return false;
        // Look without waiting first, so that posted messages never starve
        // descriptor events and timers that are already due.
        collect(0);
        if (take_queued(message)) return true;
        if (deadline && tick_reached(tick_count(), *deadline)) return false;
        int timeout = timeout_until(deadline);
        if (timeout == -1 && watches_.empty()) return false;  // nothing could ever arrive
        collect(timeout);
    }
}

void EventLoop::dispatch(const Message& message) {
    if (handler_) handler_(message);
}

void EventLoop::pump() {
    // One look at what is due, then dispatch until the queue is empty: a
    // descriptor that stays ready or a timer that is always due cannot keep
    // pump from returning.
    collect(0);
    Message message;
    while (!quit_ && take_queued(&message)) dispatch(message);
}

void EventLoop::wait_until(uint32_t deadline) {
    Message message;
    while (get_message(&message, deadline)) dispatch(message);
}

bool EventLoop::wait_for(const std::function<bool()>& condition, uint32_t deadline) {
    Message message;
    for (;;) {
        if (condition()) return true;
        if (!get_message(&message, deadline)) return condition();
        dispatch(message);
    }
}

}  // namespace orvane::platform
