#include "settings/ini_text.h"

#include "texts/ascii.h"

namespace orvane::settings {

namespace {

using texts::equals_ignoring_case;
using texts::is_blank;
using texts::starts_with_ignoring_case;

// The line that starts at `at`, without its LF.
std::string_view line_at(std::string_view text, size_t at) {
    size_t end = text.find('\n', at);
    return text.substr(at, (end == std::string_view::npos ? text.size() : end) - at);
}

size_t next_line(std::string_view text, size_t at) {
    size_t end = text.find('\n', at);
    return end == std::string_view::npos ? text.size() : end + 1;
}

bool is_header_of(std::string_view line, std::string_view section) {
    return line.size() >= section.size() + 2 && line[0] == '[' &&
           equals_ignoring_case(line.substr(1, section.size()), section) &&
           line[section.size() + 1] == ']';
}

// Where a section's header line starts, its body starts and its body ends
// (the start of the next header line, or the end of the text).
struct SectionSpan {
    size_t header = 0;
    size_t body = 0;
    size_t end = 0;
};

std::optional<SectionSpan> find_section(std::string_view text, std::string_view section) {
    for (size_t at = 0; at < text.size(); at = next_line(text, at)) {
        if (!is_header_of(line_at(text, at), section)) continue;
        SectionSpan span;
        span.header = at;
        span.body = next_line(text, at);
        span.end = span.body;
        while (span.end < text.size() && text[span.end] != '[')
            span.end = next_line(text, span.end);
        return span;
    }
    return std::nullopt;
}

// Start of the key's line within the section, if present.
std::optional<size_t> find_key(std::string_view text, const SectionSpan& span,
                               std::string_view key) {
    for (size_t at = span.body; at < span.end; at = next_line(text, at)) {
        std::string_view line = line_at(text, at);
        if (line.size() > key.size() && line[key.size()] == '=' &&
            starts_with_ignoring_case(line, key))
            return at;
    }
    return std::nullopt;
}

bool valid_section_name(std::string_view section) {
    return !section.empty() && section.find_first_of("]\n\r") == std::string_view::npos;
}

bool valid_key_name(std::string_view key) {
    return !key.empty() && key[0] != '[' && key[0] != ';' &&
           key.find_first_of("=\n\r") == std::string_view::npos;
}

std::string single_line(std::string_view value) {
    std::string line(value);
    for (char& c : line) {
        if (c == '\n' || c == '\r') c = ' ';
    }
    return line;
}

// The value part of the key's line, after the spaces that follow "=".
std::optional<std::string_view> stored_value(std::string_view text, std::string_view section,
                                             std::string_view key) {
    auto span = find_section(text, section);
    if (!span || key.empty()) return std::nullopt;
    auto at = find_key(text, *span, key);
    if (!at) return std::nullopt;
    std::string_view value = line_at(text, *at).substr(key.size() + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    return value;
}

}  // namespace

std::string normalise_ini_text(std::string_view raw) {
    std::string text;
    text.reserve(raw.size() + 1);
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r') {
            text += '\n';
            if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
        } else {
            text += raw[i];
        }
    }
    if (!text.empty() && text.back() != '\n') text += '\n';
    return text;
}

std::string ini_unstorable_reason(std::string_view section, std::string_view key,
                                  std::string_view value) {
    if (!valid_section_name(section)) return "the section name cannot be held in a settings file";
    if (!valid_key_name(key)) return "the key name cannot be held in a settings file";
    if (value.find_first_of(std::string_view("\n\r\0", 3)) != std::string_view::npos)
        return "a value cannot hold a line break or a NUL character";
    if (value.size() > kIniMaxValueLength)
        return "a value cannot be longer than " + std::to_string(kIniMaxValueLength) +
               " characters";
    return {};
}

std::optional<std::string> ini_value(std::string_view text, std::string_view section,
                                     std::string_view key, size_t max_length) {
    auto found = stored_value(text, section, key);
    if (!found) return std::nullopt;
    std::string_view value = *found;
    if (value.size() > max_length) value = value.substr(0, max_length);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return std::string(value.substr(1, value.size() - 2));
    while (!value.empty() && is_blank(value.back())) value.remove_suffix(1);
    return std::string(value);
}

std::vector<std::string> ini_keys(std::string_view text, std::string_view section) {
    std::vector<std::string> keys;
    auto span = find_section(text, section);
    if (!span) return keys;
    for (size_t at = span->body; at < span->end; at = next_line(text, at)) {
        std::string_view line = line_at(text, at);
        size_t equals = line.find('=');
        if (equals == std::string_view::npos || equals == 0 || line[0] == ';') continue;
        keys.emplace_back(line.substr(0, equals));
    }
    return keys;
}

std::optional<std::string> ini_raw_value(std::string_view text, std::string_view section,
                                         std::string_view key) {
    auto value = stored_value(text, section, key);
    if (!value) return std::nullopt;
    while (!value->empty() && is_blank(value->back())) value->remove_suffix(1);
    return std::string(*value);
}

bool ini_has_section(std::string_view text, std::string_view section) {
    return find_section(text, section).has_value();
}

bool ini_set(std::string* text, std::string_view section, std::string_view key,
             std::string_view value) {
    if (!valid_section_name(section) || !valid_key_name(key)) return false;
    std::string line = std::string(key) + "=" + single_line(value) + "\n";
    auto span = find_section(*text, section);
    if (!span) {
        size_t keep = text->find_last_not_of(" \t\n");
        text->erase(keep == std::string::npos ? 0 : keep + 1);
        if (!text->empty()) *text += "\n\n";
        *text += "[" + std::string(section) + "]\n" + line;
        return true;
    }
    if (auto at = find_key(*text, *span, key)) {
        size_t end = next_line(*text, *at);
        if (std::string_view(*text).substr(*at, end - *at) == line) return false;
        text->replace(*at, end - *at, line);
        return true;
    }
    // After the last line that holds anything, before the blank lines that
    // separate the section from the next one.
    size_t insert = span->body;
    size_t last = std::string_view(*text).substr(0, span->end).find_last_not_of(" \t\n");
    if (last != std::string::npos && last >= span->body) insert = next_line(*text, last);
    if (insert == text->size() && insert > 0 && text->back() != '\n') {
        *text += '\n';  // the text did not come through normalise_ini_text
        ++insert;
    }
    text->insert(insert, line);
    return true;
}

bool ini_delete_key(std::string* text, std::string_view section, std::string_view key) {
    auto span = find_section(*text, section);
    if (!span || key.empty()) return false;
    auto at = find_key(*text, *span, key);
    if (!at) return false;
    text->erase(*at, next_line(*text, *at) - *at);
    return true;
}

bool ini_delete_section(std::string* text, std::string_view section) {
    auto span = find_section(*text, section);
    if (!span) return false;
    text->erase(span->header, span->end - span->header);
    return true;
}

}  // namespace orvane::settings
