#include "app/keyboard_shortcuts.h"

#include "settings/user_settings.h"

namespace orvane::app {

namespace {

constexpr uint8_t kCtrlShift = kCtrl | kShift;
constexpr uint8_t kCtrlAlt = kCtrl | kAlt;
constexpr size_t kShortcutsInModalDialogs = 3;

constexpr Shortcut kShortcuts[] = {
    {kKeyLeft, kAlt, 228},      {kKeyRight, kAlt, 229},    {'A', kCtrl, 130},  // Select All
    {kKeyUp, kAlt, 230},        {kKeyDown, kAlt, 231},     {kKeyPageUp, kAlt, 232},
    {kKeyPageDown, kAlt, 233},  {kKeyHome, kAlt, 234},     {kKeyF6, 0, 220},  // Next Box Window
    {kKeyF6, kShift, 221},                                                    // Previous Box Window
    {kKeyF6, kCtrl, 222},                                                     // Next Window
    {kKeyTab, kCtrl, 222},      {kKeyF6, kCtrlShift, 223},                    // Previous Window
    {kKeyTab, kCtrlShift, 223}, {kKeyF9, 0, 310},                             // Commands
    {kKeyF9, kShift, 310},      {'J', kAlt, 342},                             // Main Window
    {'L', kAlt, 283},                                                         // Login
    {'S', kAlt, 100},                                                         // Search Text
    {'B', kAlt, 905},                                                         // Address Book
    {'J', kCtrl, 304},                                                        // Window List
    {'N', kCtrl, 906},                                                        // Copy Text Number
    {'0', kAlt, 314},           {'1', kAlt, 315},          {'2', kAlt, 316},
    {'3', kAlt, 317},           {'4', kAlt, 318},          {'5', kAlt, 319},
    {'6', kAlt, 320},           {'7', kAlt, 321},          {'8', kAlt, 322},
    {'9', kAlt, 323},           {'R', kCtrl, 328},  // Reformat Text
    {'B', kCtrl, 908},                              // Reformat Paragraph
    {'E', kCtrl, 325},                              // Copy Entire Text
    {'Q', kCtrl, 243},                              // Paste as Quote
    {'W', kCtrl, 244},                              // Quote Whole Text
    {'T', kCtrl, 245},                              // Insert Text File
    {'F', kCtrl, 226},                              // Find String
    {'G', kCtrl, 227},                              // Find Next String
};

}  // namespace

std::span<const Shortcut> keyboard_shortcuts() {
    return kShortcuts;
}

std::optional<int> shortcut_command(int key, uint8_t modifiers, bool modal_dialog) {
    std::span<const Shortcut> table = kShortcuts;
    if (modal_dialog) table = table.first(kShortcutsInModalDialogs);
    for (const auto& shortcut : table) {
        if (shortcut.key == key && shortcut.modifiers == modifiers) return shortcut.command;
    }
    return std::nullopt;
}

std::optional<int> macro_slot_for_key(int key, uint8_t modifiers) {
    int digit = 0;
    switch (modifiers) {
        case kAlt | kShift:
            digit = 1;
            break;
        case kCtrlAlt:
            digit = 2;
            break;
        case kCtrlShift:
            digit = 3;
            break;
        case kCtrlAlt | kShift:
            digit = 4;
            break;
        default:
            return std::nullopt;
    }
    if (key < 'A' || key > 'Z') return std::nullopt;
    return settings::macro_slot(static_cast<char>(key), digit);
}

}  // namespace orvane::app
