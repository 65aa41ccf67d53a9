#include "settings/ini_values.h"

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "settings/setting_dates.h"

namespace orvane::settings {

namespace {

constexpr size_t kNumberLength = 15;
constexpr size_t kDateLength = 31;
constexpr size_t kPathLength = 255;
constexpr size_t kTextLength = 1023;

}  // namespace

int get_int(IniFile& file, std::string_view section, std::string_view key, int fallback) {
    std::string value = file.get_string(section, key, {}, kNumberLength);
    if (value.empty()) return fallback;
    long long number = std::strtoll(value.c_str(), nullptr, 10);
    if (number > INT_MAX) return INT_MAX;
    if (number < INT_MIN) return INT_MIN;
    return static_cast<int>(number);
}

uint32_t get_unsigned(IniFile& file, std::string_view section, std::string_view key,
                      uint32_t fallback) {
    std::string value = file.get_string(section, key, {}, kNumberLength);
    if (value.empty()) return fallback;
    // Like the C library on a 32-bit machine: "-1" is the largest value.
    long long number = std::strtoll(value.c_str(), nullptr, 10);
    if (number > static_cast<long long>(UINT32_MAX)) return UINT32_MAX;
    if (number < INT32_MIN) return static_cast<uint32_t>(INT32_MIN);
    return static_cast<uint32_t>(number);
}

uint32_t get_date(IniFile& file, std::string_view section, std::string_view key,
                  uint32_t fallback) {
    std::string value = file.get_string(section, key, {}, kDateLength);
    if (value.empty() || value[0] < '0' || value[0] > '9') return fallback;
    return date_from_setting(value);
}

std::string get_path(IniFile& file, std::string_view section, std::string_view key,
                     const PathBase& base, std::string_view fallback) {
    if (!file.has_key(section, key)) return std::string(fallback);
    return expand_path(file.get_string(section, key, {}, kPathLength), base);
}

std::string get_directory(IniFile& file, std::string_view section, std::string_view key,
                          const PathBase& base, std::string_view fallback) {
    return without_trailing_separator(get_path(file, section, key, base, fallback));
}

std::string get_text(IniFile& file, std::string_view section, std::string_view key,
                     std::string_view fallback) {
    if (!file.has_key(section, key)) return std::string(fallback);
    return text_from_setting(file.get_string(section, key, {}, kTextLength));
}

void put_int(IniFile& file, std::string_view section, std::string_view key, long long value,
             long long old) {
    if (value != old) file.put_string(section, key, std::to_string(value));
}

void put_date(IniFile& file, std::string_view section, std::string_view key, uint32_t value,
              uint32_t old) {
    if (value == old) return;
    if (value == 0) {
        file.delete_key(section, key);
    } else {
        file.put_string(section, key, date_to_setting(value));
    }
}

void put_path(IniFile& file, std::string_view section, std::string_view key,
              const std::string& value, const std::string& old, const PathBase& base,
              bool allow_user) {
    if (value != old) file.put_string(section, key, abbreviate_path(value, base, allow_user));
}

void put_string_if_changed(IniFile& file, std::string_view section, std::string_view key,
                           const std::string& value, const std::string& old) {
    if (value == old) return;
    // Blanks at either end, or quotes around the whole value, would be lost
    // on reading unless the value is quoted.
    bool needs_quotes =
        !value.empty() && (value.front() == ' ' || value.front() == '\t' || value.back() == ' ' ||
                           value.back() == '\t' || (value.front() == '"' && value.back() == '"'));
    file.put_string(section, key, needs_quotes ? "\"" + value + "\"" : value);
}

void put_text(IniFile& file, std::string_view section, std::string_view key,
              const std::string& value, const std::string& old, std::string_view fallback) {
    if (value == old) return;
    if (value == fallback) {
        file.delete_key(section, key);
    } else {
        file.put_string(section, key, "\"" + text_to_setting(value) + "\"");
    }
}

std::string text_to_setting(std::string_view text) {
    std::string stored;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') continue;
            stored += "^M";
        } else if (text[i] == '\n') {
            stored += "^M";
        } else {
            stored += text[i];
        }
    }
    return stored;
}

std::string text_from_setting(std::string_view stored) {
    std::string text;
    for (size_t i = 0; i < stored.size(); ++i) {
        if (stored[i] == '^' && i + 1 < stored.size() && stored[i + 1] == 'M') {
            text += '\n';
            ++i;
        } else {
            text += stored[i];
        }
    }
    return text;
}

}  // namespace orvane::settings
