// Auto-saving of editing windows: a window that becomes modified gets a due
// time, and the one-second tick saves it once that time has come.
#pragma once

#include <cstdint>
#include <vector>

namespace orvane::app {

// What the tick needs of an editing window.
class EditingWindow {
  public:
    virtual ~EditingWindow() = default;
    virtual bool modified() const = 0;
    virtual void save() = 0;

    // Tick at which the window is saved; 0 while none is set.
    uint32_t auto_save_due = 0;
};

// The due time for a window modified at `now`: `interval_minutes` later,
// with the lowest bit set so that it is never 0.
uint32_t auto_save_due_time(uint32_t now, int interval_minutes);

class AutoSave {
  public:
    void add(EditingWindow* window);
    void remove(EditingWindow* window);

    // Called when a window becomes modified; starts its due time unless one
    // runs or auto-saving is off (interval 0).
    void note_modified(EditingWindow& window, uint32_t now, int interval_minutes);

    // The tick's work: every window whose due time has come (across the
    // wrap-around of the tick counter) is saved if it is still modified,
    // and its due time cleared. Nothing happens with an interval of 0.
    void run(uint32_t now, int interval_minutes);

  private:
    std::vector<EditingWindow*> windows_;
};

}  // namespace orvane::app
