// The text of "Commands.dat": a version line ("V" and the decimal version),
// then one line per topic or command. A line is a menu part (level digit,
// flag, one character that is a blank, the menu text), one or more TABs,
// and a template; a line without TAB is a topic. Line ends are any runs of
// CR and LF, so empty lines vanish.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::commands {

// Menu flags.
inline constexpr char kSchedulable = 's';
inline constexpr char kNotSchedulable = ' ';
inline constexpr char kExpanded = '-';
inline constexpr char kCollapsed = '+';

inline constexpr int kHighestLevel = 5;

struct CatalogueLine {
    int level = 0;     // 0 everybody, 1 experts, 2..5 that privilege and above
    char flag = ' ';   // one of the menu flags
    std::string text;  // the menu text
    std::string template_text;

    // A topic has no template (a line with TABs but nothing after them is
    // no command either).
    bool is_topic() const { return template_text.empty(); }
    bool operator==(const CatalogueLine&) const = default;
};

struct CatalogueFile {
    int version = 0;  // 0 when the first line is no version line
    std::vector<CatalogueLine> lines;
    size_t skipped = 0;  // lines whose menu part is malformed
};

// One line: nothing when its menu part is too short, its level is not a
// digit 0 to 5 or its flag is unknown. Control characters in the menu text
// and the template become blanks, so that none reaches a command line or a
// terminal.
std::optional<CatalogueLine> parse_catalogue_line(std::string_view line);

// The whole file. The text is cut at its first NUL and its trailing control
// characters are dropped first.
CatalogueFile parse_catalogue(std::string_view text);

}  // namespace orvane::commands
