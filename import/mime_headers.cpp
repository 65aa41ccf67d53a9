#include "import/mime_headers.h"

#include "texts/ascii.h"

namespace orvane::import {

namespace {

constexpr size_t kMaxPartName = 255;

std::string_view skip_blanks(std::string_view text) {
    while (!text.empty() && texts::is_blank(text.front())) text.remove_prefix(1);
    return text;
}

// The rest of `line` after a header name and its colon, when the line is
// that header.
std::optional<std::string_view> header_value(std::string_view line, std::string_view name) {
    if (!texts::starts_with_ignoring_case(line, name)) return std::nullopt;
    return skip_blanks(line.substr(name.size()));
}

// Where `word` first stands in `text`, without regard to case.
size_t find_ignoring_case(std::string_view text, std::string_view word, size_t from = 0) {
    for (size_t at = from; at + word.size() <= text.size(); ++at)
        if (texts::equals_ignoring_case(text.substr(at, word.size()), word)) return at;
    return std::string_view::npos;
}

// A parameter value after its name: blanks and an optional '=', then a
// quoted value up to its closing quote, or a token up to ';' or a blank.
std::string_view parameter_value(std::string_view after_name) {
    std::string_view value = skip_blanks(after_name);
    if (value.starts_with('=')) value = skip_blanks(value.substr(1));
    if (value.starts_with('"')) {
        value.remove_prefix(1);
        return value.substr(0, value.find('"'));
    }
    size_t end = 0;
    while (end < value.size() && value[end] != ';' && !texts::is_blank(value[end])) ++end;
    return value.substr(0, end);
}

}  // namespace

std::optional<std::string> find_boundary(std::string_view text) {
    const size_t at = find_ignoring_case(text, "boundary");
    if (at == std::string_view::npos) return std::nullopt;
    const std::string_view value = parameter_value(text.substr(at + 8));
    if (value.empty()) return std::nullopt;
    return "--" + std::string(value.substr(0, kMaxBoundaryLength));
}

std::optional<ContentType> parse_content_type(std::string_view line) {
    const std::optional<std::string_view> value = header_value(line, "content-type:");
    if (!value) return std::nullopt;
    ContentType type;
    type.multipart = texts::starts_with_ignoring_case(*value, "multipart");
    if (type.multipart) type.boundary = find_boundary(*value);
    return type;
}

void read_part_header(std::string_view line, PartHeaders& part) {
    if (const auto type = header_value(line, "content-type:")) {
        if (!texts::starts_with_ignoring_case(*type, "application")) return;
        for (size_t at = find_ignoring_case(*type, "name"); at != std::string_view::npos;
             at = find_ignoring_case(*type, "name", at + 4)) {
            // "filename" is another parameter.
            if (at > 0 && texts::is_alpha((*type)[at - 1])) continue;
            part.name = parameter_value(type->substr(at + 4)).substr(0, kMaxPartName);
            return;
        }
        return;
    }
    if (const auto encoding = header_value(line, "content-transfer-encoding:"))
        if (texts::starts_with_ignoring_case(*encoding, "base64")) part.base64 = true;
}

bool is_uuencode_begin(std::string_view line) {
    if (!texts::starts_with_ignoring_case(line, "begin ")) return false;
    const std::string_view mode = line.substr(6);
    size_t digits = 0;
    bool nonzero = false;
    while (digits < mode.size() && mode[digits] >= '0' && mode[digits] <= '7') {
        nonzero = nonzero || mode[digits] != '0';
        ++digits;
    }
    return digits > 0 && nonzero && (digits == mode.size() || mode[digits] == ' ');
}

}  // namespace orvane::import
