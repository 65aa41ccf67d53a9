#include "commands/field_values.h"

#include <vector>

#include "texts/ascii.h"

namespace orvane::commands {

namespace {

constexpr const char* kPrivilegeNames[] = {"No Privilege", "User", "Organizer", "Operator",
                                           "Administrator"};
constexpr long kMaxLines = 32767;
constexpr long kMaxExpiration = 9999;
constexpr size_t kMaxNumberDigits = 9;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && texts::is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && texts::is_blank(text.back())) text.remove_suffix(1);
    return text;
}

// A number of at most nine digits, or -1.
long number_in(std::string_view text) {
    if (text.empty() || text.size() > kMaxNumberDigits) return -1;
    long value = 0;
    for (char c : text) {
        if (!texts::is_digit(c)) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool is_one_of(std::string_view typed, std::initializer_list<std::string_view> words) {
    for (std::string_view word : words)
        if (texts::equals_ignoring_case(typed, word)) return true;
    return false;
}

std::string without_blanks(std::string_view text) {
    std::string result;
    for (char c : text)
        if (c != ' ') result += texts::to_lower(c);
    return result;
}

}  // namespace

std::optional<int> privilege_number(std::string_view typed) {
    typed = trimmed(typed);
    long number = number_in(typed);
    if (number >= 1 && number <= 5) return static_cast<int>(number);
    std::vector<std::string_view> words = words_of(WordGroup::kPrivilege);
    for (size_t i = 0; i < words.size(); ++i) {
        if (texts::equals_ignoring_case(typed, words[i]) ||
            texts::equals_ignoring_case(typed, kPrivilegeNames[i]))
            return static_cast<int>(i) + 1;
    }
    return std::nullopt;
}

std::optional<std::string> privilege_word(std::string_view typed) {
    std::optional<int> number = privilege_number(typed);
    if (!number) return std::nullopt;
    return std::string(words_of(WordGroup::kPrivilege)[static_cast<size_t>(*number - 1)]);
}

std::optional<std::string> charset_word(std::string_view typed) {
    typed = trimmed(typed);
    for (std::string_view word : words_of(WordGroup::kCharset)) {
        if (texts::equals_ignoring_case(typed, word)) return std::string(word);
        if (word.starts_with("win ") && texts::equals_ignoring_case(typed, word.substr(4)))
            return std::string(word);
    }
    return std::nullopt;
}

std::optional<std::string> line_limit(std::string_view typed) {
    typed = trimmed(typed);
    if (is_one_of(typed, {"no limit", "0", "none"})) return std::string("no limit");
    long lines = number_in(typed);
    if (lines < 1 || lines > kMaxLines) return std::nullopt;
    return std::to_string(lines);
}

std::optional<std::string> expiration(std::string_view typed) {
    typed = trimmed(typed);
    size_t digits = 0;
    while (digits < typed.size() && texts::is_digit(typed[digits])) ++digits;
    long count = number_in(typed.substr(0, digits));
    if (count < 1 || count > kMaxExpiration) return std::nullopt;
    std::string_view unit = trimmed(typed.substr(digits));
    if (unit.size() > 1 && texts::to_lower(unit.back()) == 's') unit.remove_suffix(1);
    for (std::string_view word : words_of(WordGroup::kUnit))
        if (texts::equals_ignoring_case(unit, word))
            return std::to_string(count) + " " + std::string(word);
    return std::nullopt;
}

std::optional<std::string> plain_number(std::string_view typed) {
    long number = number_in(trimmed(typed));
    if (number < 0) return std::nullopt;
    return std::to_string(number);
}

std::optional<std::string> two_digit_year(std::string_view typed) {
    typed = trimmed(typed);
    long year = number_in(typed);
    if (year < 0 || typed.size() == 3 || typed.size() > 4) return std::nullopt;
    char text[4] = {static_cast<char>('0' + year % 100 / 10), static_cast<char>('0' + year % 10),
                    0};
    return std::string(text);
}

std::optional<std::string> attachment_limit(std::string_view typed) {
    typed = trimmed(typed);
    if (is_one_of(typed, {"no", "0"})) return std::string("0");
    if (is_one_of(typed, {"always", "no limit"})) return std::string("no limit");
    long kilobytes = number_in(typed);
    if (kilobytes < 1) return std::nullopt;
    return std::to_string(kilobytes);
}

std::optional<bool> switch_state(std::string_view typed) {
    typed = trimmed(typed);
    if (is_one_of(typed, {"on", "yes", "1", "true"})) return true;
    if (is_one_of(typed, {"off", "no", "0", "false"})) return false;
    return std::nullopt;
}

std::string upload_line(std::string_view path, std::string_view description) {
    std::string quoted_description(description);
    // The description is one quoted word for the server.
    for (char& c : quoted_description)
        if (c == '"') c = '\'';
    const bool blank = path.find(' ') != std::string_view::npos;
    std::string line = "+";
    line += blank ? "\"" + std::string(path) + "\"" : std::string(path);
    return line + " \"" + quoted_description + "\"";
}

std::string file_name_of(std::string_view path) {
    size_t slash = path.find_last_of('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

std::optional<size_t> phrase_index(WordGroup group, std::string_view key) {
    std::string wanted = without_blanks(key);
    std::vector<std::string_view> phrases = words_of(group);
    for (size_t i = 0; i < phrases.size(); ++i)
        if (without_blanks(phrases[i]) == wanted) return i;
    return std::nullopt;
}

}  // namespace orvane::commands
