// The keyboard shortcuts and macro keys, as data for the front ends: a key
// press with its modifiers becomes a command for the active window.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace orvane::app {

enum Modifier : uint8_t {
    kShift = 1,
    kCtrl = 2,
    kAlt = 4,
};

// Keys other than letters and digits, which stand for themselves ('A'..'Z',
// '0'..'9').
enum Key : int {
    kKeyLeft = 0x100,
    kKeyRight,
    kKeyUp,
    kKeyDown,
    kKeyPageUp,
    kKeyPageDown,
    kKeyHome,
    kKeyTab,
    kKeyF6,
    kKeyF9,
};

struct Shortcut {
    int key;
    uint8_t modifiers;
    int command;
};

// The command that plays a macro; the slot number goes with it.
inline constexpr int kMacroCommand = 600;

// The whole table, in lookup order.
std::span<const Shortcut> keyboard_shortcuts();

// The command for a key press (the modifiers must match exactly). While a
// modal dialog runs only the first three shortcuts apply.
std::optional<int> shortcut_command(int key, uint8_t modifiers, bool modal_dialog);

// The macro slot that a letter pressed with Alt+Shift (macro 1), Ctrl+Alt
// (2), Ctrl+Shift (3) or Ctrl+Alt+Shift (4) plays.
std::optional<int> macro_slot_for_key(int key, uint8_t modifiers);

}  // namespace orvane::app
