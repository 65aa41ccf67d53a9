#include "app/auto_save.h"

#include <algorithm>

#include "platform/clock.h"

namespace orvane::app {

namespace {
constexpr uint32_t kMillisecondsPerMinute = 60000;
}

uint32_t auto_save_due_time(uint32_t now, int interval_minutes) {
    return (now + static_cast<uint32_t>(interval_minutes) * kMillisecondsPerMinute) | 1u;
}

void AutoSave::add(EditingWindow* window) {
    if (std::find(windows_.begin(), windows_.end(), window) == windows_.end())
        windows_.push_back(window);
}

void AutoSave::remove(EditingWindow* window) {
    std::erase(windows_, window);
}

void AutoSave::note_modified(EditingWindow& window, uint32_t now, int interval_minutes) {
    if (interval_minutes != 0 && window.auto_save_due == 0) {
        window.auto_save_due = auto_save_due_time(now, interval_minutes);
    }
}

void AutoSave::run(uint32_t now, int interval_minutes) {
    if (interval_minutes == 0) return;
    // A save may open or close windows: work on a copy of the list and pass
    // over windows that are gone meanwhile.
    std::vector<EditingWindow*> windows = windows_;
    for (EditingWindow* window : windows) {
        if (std::find(windows_.begin(), windows_.end(), window) == windows_.end()) continue;
        if (window->auto_save_due == 0 || !platform::tick_reached(now, window->auto_save_due))
            continue;
        window->auto_save_due = 0;
        if (window->modified()) window->save();
    }
}

}  // namespace orvane::app
