// Character tests and case folding for ASCII only. Server output is matched
// without regard to ASCII case; bytes of 0x80 and above (national letters in
// the text's code page) are never folded. Unlike <cctype>, these take any
// char, signed or not, and ignore the C locale.
#pragma once

#include <string_view>

namespace orvane::texts {

constexpr bool is_blank(char c) {
    return c == ' ' || c == '\t';
}
constexpr bool is_digit(char c) {
    return c >= '0' && c <= '9';
}
constexpr bool is_alpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool is_alnum(char c) {
    return is_alpha(c) || is_digit(c);
}
constexpr char to_lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}
constexpr char to_upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - ('a' - 'A')) : c;
}

constexpr bool equals_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (to_lower(a[i]) != to_lower(b[i])) return false;
    }
    return true;
}

constexpr bool starts_with_ignoring_case(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           equals_ignoring_case(text.substr(0, prefix.size()), prefix);
}

}  // namespace orvane::texts
