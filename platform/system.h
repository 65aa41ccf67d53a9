// Small services of the host system: its version, the colour theme, the
// screen work area, the file manager, the trash, and printing to a file.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/ui.h"

namespace orvane::platform {

// Packs a version as low byte major, next byte minor, upper 16 bits the build
// number (15 bits kept).
uint32_t pack_version_word(unsigned major, unsigned minor, unsigned build);

// The running kernel's version (major.minor.patch), packed; computed once.
uint32_t system_version_word();

enum ThemeMode : int {
    kThemeLight = 0,
    kThemeDark = 1,        // the program's own dark palette
    kThemeSystemDark = 2,  // the system colours are already dark: use them unchanged
};

// Decides the theme from the terminal's colours (COLORFGBG: light text on a
// dark background means the system is already dark) and the desktop's wish
// for a dark style (GTK_THEME ending in ":dark", or ORVANE_THEME=dark).
// Computed once.
int theme_mode();
// The same decision from given values, for callers that know them.
int decide_theme_mode(std::string_view colorfgbg, std::string_view gtk_theme,
                      std::string_view orvane_theme);

// Colour `index` (0x00BBGGRR) of the system colour table: the dark palette in
// the dark mode for indices below 30, otherwise the standard light colours.
uint32_t system_colour(int index, int mode);
uint32_t system_colour(int index);

struct Rect {
    int left = 0, top = 0, right = 0, bottom = 0;
};
// The usable area of the screen: the terminal's size in character cells, or
// 80 by 24 when it cannot be asked.
Rect work_area();

// Opens the file manager at `directory` (with `file` in view when given).
// Runs in the background; returns false when it could not be started.
bool show_in_file_manager(const std::string& directory, const std::string& file);

// Moves `path` to the freedesktop trash, then deletes it directly in case it
// is still there. Always reports success, as a delete the user asked for
// must not stop the operation that asked.
bool delete_to_trash(const std::string& path);

// Before printing: when the document's output is "FILE:", asks for the file
// to print into (256 characters). Returns 0, or -3 when the user cancelled.
int prepare_print_output(Ui& ui, std::string_view output, std::string* file);

}  // namespace orvane::platform
