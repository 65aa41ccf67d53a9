#include "import/server_lines.h"

#include <array>

#include "texts/ascii.h"

namespace orvane::import {

namespace {

constexpr size_t kMarkerKindAt = 8;
constexpr size_t kMarkerHashAt = 9;

}  // namespace

std::optional<uint32_t> leading_number(std::string_view text) {
    uint64_t value = 0;
    size_t digits = 0;
    while (digits < text.size() && texts::is_digit(text[digits])) {
        value = value * 10 + static_cast<uint64_t>(text[digits] - '0');
        if (value > UINT32_MAX) return std::nullopt;
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return static_cast<uint32_t>(value);
}

std::optional<std::string_view> after_prefix(std::string_view line, std::string_view prefix) {
    if (!line.starts_with(prefix)) return std::nullopt;
    return line.substr(prefix.size());
}

std::optional<EchoMarker> parse_echo_marker(std::string_view line) {
    if (line.size() <= kMarkerHashAt || line[kMarkerHashAt] != '#') return std::nullopt;
    if (!line.starts_with("Orvane:") && !line.starts_with("Lumeth:")) return std::nullopt;
    EchoMarker marker;
    marker.kind = line[kMarkerKindAt];
    marker.number = leading_number(line.substr(kMarkerHashAt + 1));
    marker.prefix = line.substr(0, kMarkerKindAt);
    return marker;
}

std::optional<uint32_t> parse_error_count(std::string_view line) {
    size_t digits = 0;
    while (digits < line.size() && texts::is_digit(line[digits])) ++digits;
    const std::optional<uint32_t> count = leading_number(line);
    if (!count) return std::nullopt;
    const std::string_view rest = line.substr(digits);
    const bool matches = *count == 1 ? rest.starts_with(" error in updump.")
                                     : rest.starts_with(" errors in updump.");
    return matches ? count : std::nullopt;
}

std::optional<SectionLine> parse_section_line(std::string_view line) {
    struct Phrase {
        std::string_view words;
        bool sets_base_flags;
    };
    static constexpr std::array<Phrase, 4> kPhrases = {{
        {"Mail from ", true},
        {"Letters from ", true},
        {"Texts from ", true},
        {"Processing updump to ", false},
    }};
    for (const Phrase& phrase : kPhrases) {
        const std::optional<std::string_view> rest = after_prefix(line, phrase.words);
        if (!rest) continue;
        const std::string_view node = rest->substr(0, rest->find(' '));
        if (node.empty()) return std::nullopt;
        return SectionLine{std::string(node), phrase.sets_base_flags};
    }
    return std::nullopt;
}

std::optional<uint32_t> parse_posted_number(std::string_view line) {
    struct Form {
        std::string_view start;
        size_t number_at;
    };
    static constexpr std::array<Form, 5> kForms = {{
        {"(Text ", 6},
        {"(Carbon ", 26},
        {"(Single ", 34},
        {"(Blind ", 33},
        {"(No Carbon ", 30},
    }};
    for (const Form& form : kForms) {
        if (!line.starts_with(form.start)) continue;
        if (line.size() <= form.number_at) return std::nullopt;
        return leading_number(line.substr(form.number_at));
    }
    return std::nullopt;
}

std::optional<std::string_view> parse_attached_file_line(std::string_view line) {
    const std::optional<std::string_view> rest = after_prefix(line, "File ");
    if (!rest) return std::nullopt;
    const size_t in = rest->find(" in ");
    if (in == std::string_view::npos || in == 0) return std::nullopt;
    return rest->substr(0, in);
}

}  // namespace orvane::import
