#include "commands/command_dates.h"

#include <cstdio>
#include <vector>

#include "texts/ascii.h"

namespace orvane::commands {

namespace {

constexpr const char* kMonths[12] = {"january",   "february", "march",    "april",
                                     "may",       "june",     "july",     "august",
                                     "september", "october",  "november", "december"};
constexpr const char* kServerMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool is_separator(char c) {
    return c == '-' || c == '.' || c == '/' || texts::is_blank(c);
}

// The month of an English name or a beginning of it of at least three letters.
int month_of_name(std::string_view word) {
    if (word.size() < 3) return 0;
    for (int m = 0; m < 12; ++m) {
        std::string_view name = kMonths[m];
        if (word.size() <= name.size() && texts::starts_with_ignoring_case(name, word))
            return m + 1;
    }
    return 0;
}

// A run of digits as a number; -1 when it is not one or too long.
int number_of(std::string_view word) {
    if (word.empty() || word.size() > 4) return -1;
    int value = 0;
    for (char c : word) {
        if (!texts::is_digit(c)) return -1;
        value = value * 10 + (c - '0');
    }
    return value;
}

int full_year(std::string_view word) {
    int year = number_of(word);
    if (year < 0 || (word.size() != 2 && word.size() != 4)) return -1;
    if (word.size() == 2) year += year < 70 ? 2000 : 1900;
    return year;
}

}  // namespace

std::optional<texts::CivilDate> parse_command_date(std::string_view text) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < text.size()) {
        while (at < text.size() && is_separator(text[at])) ++at;
        size_t end = at;
        while (end < text.size() && !is_separator(text[end])) ++end;
        if (end > at) words.push_back(text.substr(at, end - at));
        at = end;
    }
    if (words.size() != 3) return std::nullopt;
    const bool year_first = words[0].size() == 4 && number_of(words[0]) >= 0;
    std::string_view day_word = year_first ? words[2] : words[0];
    std::string_view year_word = year_first ? words[0] : words[2];
    texts::CivilDate date;
    date.day = day_word.size() <= 2 ? number_of(day_word) : -1;
    date.month = words[1].size() <= 2 ? number_of(words[1]) : month_of_name(words[1]);
    date.year = full_year(year_word);
    if (date.day < 0 || date.year < 0 || !texts::is_valid_civil_date(date)) return std::nullopt;
    return date;
}

std::string server_date(const texts::CivilDate& date) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d-%s-%02d", date.day % 100,
                  kServerMonths[(date.month + 11) % 12], date.year % 100);
    return text;
}

}  // namespace orvane::commands
