#include "commands/catalogue_file.h"

#include <climits>

#include "texts/ascii.h"

namespace orvane::commands {

namespace {

constexpr size_t kMenuTextStart = 3;

bool is_line_end(char c) {
    return c == '\r' || c == '\n';
}

std::string without_controls(std::string_view text) {
    std::string clean(text);
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = ' ';
    return clean;
}

bool known_flag(char c) {
    return c == kSchedulable || c == kNotSchedulable || c == kExpanded || c == kCollapsed;
}

// The version of a "V" line; blanks after the number are allowed, anything
// else makes the line no version line.
std::optional<int> version_of(std::string_view line) {
    if (line.empty() || line[0] != 'V') return std::nullopt;
    size_t at = 1;
    long long version = 0;
    bool digits = false;
    for (; at < line.size() && texts::is_digit(line[at]); ++at) {
        digits = true;
        if (version < INT_MAX) version = version * 10 + (line[at] - '0');
    }
    while (at < line.size() && texts::is_blank(line[at])) ++at;
    if (!digits || at != line.size()) return std::nullopt;
    return version > INT_MAX ? INT_MAX : static_cast<int>(version);
}

}  // namespace

std::optional<CatalogueLine> parse_catalogue_line(std::string_view line) {
    size_t tab = line.find('\t');
    std::string_view menu = line.substr(0, tab);
    if (menu.size() <= kMenuTextStart) return std::nullopt;
    if (menu[0] < '0' || menu[0] > '0' + kHighestLevel || !known_flag(menu[1])) return std::nullopt;
    CatalogueLine entry;
    entry.level = menu[0] - '0';
    entry.flag = menu[1];
    entry.text = without_controls(menu.substr(kMenuTextStart));
    while (!entry.text.empty() && entry.text.back() == ' ') entry.text.pop_back();
    if (entry.text.empty()) return std::nullopt;
    if (tab != std::string_view::npos) {
        size_t start = line.find_first_not_of('\t', tab);
        if (start != std::string_view::npos)
            entry.template_text = without_controls(line.substr(start));
    }
    return entry;
}

CatalogueFile parse_catalogue(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    while (!text.empty() && static_cast<unsigned char>(text.back()) < 0x20) text.remove_suffix(1);

    CatalogueFile file;
    bool first = true;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && is_line_end(text[at])) ++at;
        size_t end = at;
        while (end < text.size() && !is_line_end(text[end])) ++end;
        if (end == at) break;
        std::string_view line = text.substr(at, end - at);
        at = end;
        if (first) {
            first = false;
            if (std::optional<int> version = version_of(line)) {
                file.version = *version;
                continue;
            }
        }
        if (std::optional<CatalogueLine> entry = parse_catalogue_line(line)) {
            file.lines.push_back(std::move(*entry));
        } else {
            ++file.skipped;
        }
    }
    return file;
}

}  // namespace orvane::commands
