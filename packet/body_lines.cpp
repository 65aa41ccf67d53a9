#include "packet/body_lines.h"

namespace orvane::packet {

namespace {

constexpr int kMinimumWidth = 20;
constexpr int kCommandWidth = 32767;

bool is_blank(char c) {
    return static_cast<unsigned char>(c) <= 32;
}

std::string_view trim_right(std::string_view line) {
    while (!line.empty() && is_blank(line.back())) line.remove_suffix(1);
    return line;
}

std::string_view trim_left(std::string_view line) {
    while (!line.empty() && is_blank(line.front())) line.remove_prefix(1);
    return line;
}

// Where `line` must be cut to fit `width` columns, or line.size() when it fits.
// A line that has had a blank is cut before the word that crosses the width;
// a word that begins the line (after any indentation) and is longer than the
// width is cut where it crosses.
size_t wrap_point(std::string_view line, int width) {
    int column = 0;
    size_t word_start = std::string::npos;  // start of the current word after a blank
    size_t first_word = std::string::npos;  // where the line's first word begins
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        column = c == '\t' ? (column / 8 + 1) * 8 : column + 1;
        if (is_blank(c)) {
            word_start = std::string::npos;
        } else {
            if (first_word == std::string::npos) first_word = i;
            if (word_start == std::string::npos) word_start = i;
        }
        if (column > width) {
            bool has_earlier_word = word_start != std::string::npos && word_start > first_word;
            if (is_blank(c)) return i;  // the blanks themselves cross: cut here
            return has_earlier_word ? word_start : (i > 0 ? i : 1);
        }
    }
    return line.size();
}

void add_line(std::vector<std::string>& out, std::string_view line, BodyRules rules) {
    std::string text(line);
    if (rules == BodyRules::kText && !text.empty() && text.front() == '@') text.insert(0, 1, '@');
    out.push_back(std::move(text));
}

}  // namespace

std::vector<std::string> body_lines(std::string_view body, BodyRules rules, int width) {
    if (rules == BodyRules::kCommand) width = kCommandWidth;
    if (width < kMinimumWidth) width = kMinimumWidth;
    std::vector<std::string> out;
    while (!body.empty()) {
        size_t end = body.find('\n');
        std::string_view line = trim_right(body.substr(0, end));
        body = end == std::string_view::npos ? std::string_view() : body.substr(end + 1);
        for (;;) {
            size_t cut = wrap_point(line, width);
            if (cut >= line.size()) {
                add_line(out, line, rules);
                break;
            }
            add_line(out, trim_right(line.substr(0, cut)), rules);
            line = trim_left(line.substr(cut));
            if (line.empty()) break;
        }
    }
    return out;
}

}  // namespace orvane::packet
