#include "settings/setting_value.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <filesystem>

#include "platform/directories.h"
#include "platform/resource_strings.h"
#include "settings/ini_text.h"
#include "settings/ini_values.h"
#include "settings/password_encoding.h"
#include "settings/setting_dates.h"
#include "texts/ascii.h"

namespace orvane::settings {

namespace {

using platform::MessageId;
using platform::Status;

// What the reading functions of the engine take of a value: numbers and
// dates are short, paths fit 255 characters, texts 1023.
constexpr size_t kNumberLength = 31;
constexpr size_t kPathLength = 255;
constexpr size_t kTextLength = 1023;
constexpr size_t kWindowPositionLength = 63;
constexpr size_t kWindowPositionFields = 5;

std::string_view trim(std::string_view text) {
    while (!text.empty() && texts::is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && texts::is_blank(text.back())) text.remove_suffix(1);
    return text;
}

// A number as the C library reads it: blanks, a sign, digits, and anything
// after them ignored (a text without digits reads as 0). `whole` tells
// whether the text was the number and nothing else.
struct StoredNumber {
    long long value = 0;
    bool whole = false;
};

StoredNumber stored_number(std::string_view text) {
    std::string digits(trim(text));
    StoredNumber number;
    if (digits.empty()) return number;
    char* end = nullptr;
    errno = 0;
    number.value = std::strtoll(digits.c_str(), &end, 10);
    number.whole = end != digits.c_str() && *end == '\0' && errno != ERANGE;
    return number;
}

std::string range_words(long long low, long long high) {
    return std::to_string(low) + " to " + std::to_string(high);
}

bool has_control_character(std::string_view text, std::string_view allowed = {}) {
    return std::any_of(text.begin(), text.end(), [&](char c) {
        auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 || byte == 0x7F) && allowed.find(c) == std::string_view::npos;
    });
}

// The number of a signed key as the program takes it from the stored text:
// kept within 32 bits, then held to the key's range.
long long read_number(const KeyRule& rule, const StoredNumber& number, std::string* note) {
    long long value = std::clamp<long long>(number.value, INT32_MIN, INT32_MAX);
    if (rule.minus_one_is_fallback && value == -1) return rule.fallback;
    if (rule.zero_stays && value == 0) return 0;
    if (value >= rule.low && value <= rule.high) return value;
    if (note->empty()) *note = "is outside " + range_words(rule.low, rule.high);
    switch (rule.outside) {
        case OutOfRange::kNearest:
            return std::clamp(value, rule.low, rule.high);
        case OutOfRange::kFallback:
            return rule.fallback;
        case OutOfRange::kLeave:
            return value;
    }
    return value;
}

long long read_numeric(const KeyRule& rule, std::string_view text, std::string* note) {
    StoredNumber number = stored_number(text);
    if (!number.whole) *note = "is not a number";
    switch (rule.type) {
        case KeyType::kSwitch: {
            long long value = std::clamp<long long>(number.value, INT32_MIN, INT32_MAX);
            if (value != 0 && value != 1 && note->empty()) *note = "is not 0 or 1";
            return value != 0 ? 1 : 0;
        }
        case KeyType::kBits: {
            auto bits =
                static_cast<uint32_t>(std::clamp<long long>(number.value, INT32_MIN, UINT32_MAX));
            if ((bits & ~rule.mask) != 0 && note->empty())
                *note = "holds bit values that are not used";
            return bits & rule.mask;
        }
        case KeyType::kUnsigned:
            // As the C library on a 32-bit machine: "-1" is the largest value.
            if (number.value < 0 && note->empty()) *note = "is below 0";
            return static_cast<uint32_t>(
                std::clamp<long long>(number.value, INT32_MIN, UINT32_MAX));
        default:
            return read_number(rule, number, note);
    }
}

uint32_t read_date(std::string_view text, std::string* note) {
    uint32_t date = 0;
    if (!text.empty() && texts::is_digit(text[0])) date = date_from_setting(text);
    if (date == 0) *note = "is not a date";
    return date;
}

// Now as a stored date: to the minute, with the seconds that mark a time
// taken at UTC.
uint32_t date_of(std::time_t now) {
    auto seconds = static_cast<uint32_t>(now);
    return seconds - seconds % 60 + 30;
}

std::string free_text_default(const KeyRule& rule) {
    if (rule.fallback_message) return platform::resource_string(rule.fallback_message);
    return std::string(rule.text_fallback);
}

std::string expanded_path(const KeyRule& rule, std::string_view stored, const PathBase& base) {
    std::string path = expand_path(stored, base);
    return rule.type == KeyType::kDirectory ? without_trailing_separator(path) : path;
}

// The text of a key that holds one line, as the program takes it.
std::string read_text(IniFile& file, const KeyRule& rule, std::string_view key, std::string* note) {
    std::string text = file.get_string(rule.section, key, {}, kIniMaxValueLength);
    if (rule.length && text.size() > rule.length) {
        *note = "is longer than " + std::to_string(rule.length) + " characters";
        text.resize(rule.length);
    }
    if (rule.empty_is_missing && text.empty()) return std::string(rule.text_fallback);
    if (rule.cut_at_sign) text.erase(std::min(text.find('@'), text.size()));
    return text;
}

SettingValue read_stored(IniFile& file, const KeyRule& rule, std::string_view key,
                         const PathBase& base, std::string* note) {
    switch (rule.type) {
        case KeyType::kNumber:
        case KeyType::kUnsigned:
        case KeyType::kSwitch:
        case KeyType::kBits: {
            std::string text = file.get_string(rule.section, key, {}, kNumberLength);
            if (text.empty()) return rule.fallback;
            return read_numeric(rule, text, note);
        }
        case KeyType::kDate: {
            std::string text = file.get_string(rule.section, key, {}, kNumberLength);
            if (text.empty()) return rule.fallback;
            return static_cast<long long>(read_date(text, note));
        }
        case KeyType::kText:
        case KeyType::kNodeLetters:
        case KeyType::kNumberList:
        case KeyType::kUsersLine:
            return read_text(file, rule, key, note);
        case KeyType::kFreeText:
            return get_text(file, rule.section, key, {});
        case KeyType::kPath:
        case KeyType::kDirectory: {
            std::string stored = file.get_string(rule.section, key, {}, kIniMaxValueLength);
            if (stored.size() > kPathLength) {
                *note = "is longer than " + std::to_string(kPathLength) + " characters";
                stored.resize(kPathLength);
            }
            return expanded_path(rule, stored, base);
        }
        case KeyType::kPassword:
            // The whole stored form: it is twice as long as the password.
            return decode_password(file.get_string(rule.section, key, {}, kIniMaxValueLength));
        case KeyType::kWindowPosition:
            return parse_window_position(
                file.get_string(rule.section, key, {}, kWindowPositionLength));
        case KeyType::kColors:
            return parse_colors(file.get_string(rule.section, key, {}, kTextLength),
                                static_cast<uint32_t>(rule.fallback));
        case KeyType::kFont:
            return parse_font(file.get_raw(rule.section, key).value_or(std::string()),
                              rule.text_fallback);
    }
    return rule.fallback;
}

Status refusal(const KeyRule& rule, std::string_view typed) {
    return Status::message(MessageId::kSettingRefused,
                           {std::string(typed), std::string(rule.key), describe_values(rule)});
}

// A whole number, or nothing.
std::optional<long long> typed_number(std::string_view typed) {
    StoredNumber number = stored_number(typed);
    if (!number.whole) return std::nullopt;
    return number.value;
}

std::optional<long long> typed_switch(std::string_view typed) {
    std::string_view word = trim(typed);
    for (std::string_view on : {"1", "on", "yes", "true"})
        if (texts::equals_ignoring_case(word, on)) return 1;
    for (std::string_view off : {"0", "off", "no", "false"})
        if (texts::equals_ignoring_case(word, off)) return 0;
    return std::nullopt;
}

bool number_allowed(const KeyRule& rule, long long value) {
    switch (rule.type) {
        case KeyType::kUnsigned:
            return value >= 0 && value <= UINT32_MAX;
        case KeyType::kBits:
            return value >= 0 && value <= UINT32_MAX &&
                   (static_cast<uint32_t>(value) & ~rule.mask) == 0;
        default:
            return (rule.minus_one_is_fallback && value == -1) || (rule.zero_stays && value == 0) ||
                   (value >= rule.low && value <= rule.high);
    }
}

// A path as typed: abbreviations expanded, a relative path taken in the
// user's folder (or the program directory), "." and ".." resolved.
std::string typed_path(const KeyRule& rule, std::string_view typed, const PathBase& base) {
    std::string path = expand_path(trim(typed), base);
    if (!path.empty() && path[0] != '/') {
        const std::string& folder =
            base.user_directory.empty() ? base.program_directory : base.user_directory;
        path = platform::join_path(folder, path);
    }
    path = std::filesystem::path(path).lexically_normal().string();
    return rule.type == KeyType::kDirectory ? without_trailing_separator(path) : path;
}

std::optional<std::string> typed_node_letters(std::string_view typed) {
    std::string letters;
    while (true) {
        size_t comma = typed.find(',');
        std::string_view letter = trim(typed.substr(0, comma));
        if (letter.size() != 1 || !texts::is_alpha(letter[0])) return std::nullopt;
        if (!letters.empty()) letters += ',';
        letters += texts::to_upper(letter[0]);
        if (comma == std::string_view::npos) return letters;
        typed.remove_prefix(comma + 1);
    }
}

std::optional<std::string> typed_number_list(std::string_view typed) {
    std::string list;
    while (!typed.empty()) {
        size_t comma = typed.find(',');
        std::string_view field = trim(typed.substr(0, comma));
        if (!field.empty()) {
            if (!std::all_of(field.begin(), field.end(), texts::is_digit) || field.size() > 10 ||
                std::stoull(std::string(field)) > UINT32_MAX)
                return std::nullopt;
            list += "," + std::string(field);
        }
        if (comma == std::string_view::npos) break;
        typed.remove_prefix(comma + 1);
    }
    return list;
}

std::optional<WindowPosition> typed_window_position(std::string_view typed) {
    WindowPosition position;
    if (trim(typed).empty()) return position;
    while (true) {
        size_t comma = typed.find(',');
        auto number = typed_number(typed.substr(0, comma));
        if (!number || *number < INT32_MIN || *number > INT32_MAX ||
            position.count == static_cast<int>(kWindowPositionFields))
            return std::nullopt;
        position.values[static_cast<size_t>(position.count++)] = static_cast<int>(*number);
        if (comma == std::string_view::npos) return position;
        typed.remove_prefix(comma + 1);
    }
}

std::optional<ColorList> typed_colors(std::string_view typed) {
    ColorList list;
    while (!typed.empty()) {
        size_t comma = typed.find(',');
        std::string field(trim(typed.substr(0, comma)));
        if (!field.empty()) {
            char* end = nullptr;
            unsigned long color = std::strtoul(field.c_str(), &end, 16);
            if (*end != '\0' || field.size() > 8 || !texts::is_alnum(field[0]) ||
                list.count == static_cast<int>(kColorsPerElement))
                return std::nullopt;
            list.colors[static_cast<size_t>(list.count++)] = static_cast<uint32_t>(color);
        }
        if (comma == std::string_view::npos) break;
        typed.remove_prefix(comma + 1);
    }
    return list;
}

// A typed text of one line, when the key takes it.
bool line_allowed(const KeyRule& rule, std::string_view typed) {
    size_t limit = rule.length ? rule.length : kTextLength;
    return typed.size() <= limit && !has_control_character(typed);
}

}  // namespace

SettingRead read_setting(IniFile& file, const KeyRule& rule, std::string_view key,
                         const PathBase& base, std::time_t now) {
    SettingRead read;
    read.stored = file.has_key(rule.section, key);
    if (!rule.unused_when.empty() && !file.get_string(rule.section, rule.unused_when).empty()) {
        read.value = default_setting(rule, base);
        if (read.stored)
            read.note = "is not used while \"" + std::string(rule.unused_when) + "\" is set";
        return read;
    }
    if (!read.stored) {
        read.value = default_setting(rule, base);
        if (rule.now_when_missing) read.value = static_cast<long long>(date_of(now));
        return read;
    }
    read.value = read_stored(file, rule, key, base, &read.note);
    return read;
}

SettingValue default_setting(const KeyRule& rule, const PathBase& base) {
    switch (rule.type) {
        case KeyType::kText:
        case KeyType::kNodeLetters:
        case KeyType::kNumberList:
        case KeyType::kUsersLine:
        case KeyType::kPassword:
            return std::string(rule.text_fallback);
        case KeyType::kFreeText:
            return free_text_default(rule);
        case KeyType::kPath:
        case KeyType::kDirectory:
            return rule.text_fallback.empty() ? std::string()
                                              : expanded_path(rule, rule.text_fallback, base);
        case KeyType::kWindowPosition:
            return WindowPosition{};
        case KeyType::kColors:
            return builtin_colors(static_cast<uint32_t>(rule.fallback));
        case KeyType::kFont:
            return parse_font({}, rule.text_fallback);
        default:
            return rule.fallback;
    }
}

platform::Result<SettingValue> parse_setting(const KeyRule& rule, std::string_view typed,
                                             const PathBase& base) {
    switch (rule.type) {
        case KeyType::kNumber:
        case KeyType::kUnsigned:
        case KeyType::kBits: {
            auto number = typed_number(typed);
            if (!number || !number_allowed(rule, *number)) return refusal(rule, typed);
            return SettingValue(*number);
        }
        case KeyType::kSwitch: {
            auto on = typed_switch(typed);
            if (!on) return refusal(rule, typed);
            return SettingValue(*on);
        }
        case KeyType::kDate: {
            std::string_view text = trim(typed);
            if (text.empty() || text == "0") return SettingValue(0LL);
            uint32_t date = has_control_character(text) ? 0 : date_from_setting(text);
            if (date == 0) return refusal(rule, typed);
            return SettingValue(static_cast<long long>(date));
        }
        case KeyType::kText:
        case KeyType::kUsersLine:
        case KeyType::kPassword:
            if (!line_allowed(rule, typed)) return refusal(rule, typed);
            return SettingValue(std::string(typed));
        case KeyType::kFreeText:
            if (has_control_character(typed, "\n\t") || text_to_setting(typed).size() > kTextLength)
                return refusal(rule, typed);
            return SettingValue(std::string(typed));
        case KeyType::kPath:
        case KeyType::kDirectory: {
            if (has_control_character(typed)) return refusal(rule, typed);
            std::string path = typed_path(rule, typed, base);
            if (abbreviate_path(path, base, true).size() > kPathLength) return refusal(rule, typed);
            return SettingValue(path);
        }
        case KeyType::kNodeLetters: {
            auto letters = typed_node_letters(typed);
            if (!letters || letters->size() > rule.length) return refusal(rule, typed);
            return SettingValue(*letters);
        }
        case KeyType::kNumberList: {
            auto list = typed_number_list(typed);
            if (!list || list->size() > kTextLength) return refusal(rule, typed);
            return SettingValue(*list);
        }
        case KeyType::kWindowPosition: {
            auto position = typed_window_position(typed);
            if (!position) return refusal(rule, typed);
            return SettingValue(*position);
        }
        case KeyType::kColors: {
            auto colors = typed_colors(typed);
            if (!colors) return refusal(rule, typed);
            return SettingValue(*colors);
        }
        case KeyType::kFont: {
            if (has_control_character(typed)) return refusal(rule, typed);
            auto font = parse_typed_font(typed);
            if (!font) return refusal(rule, typed);
            return SettingValue(*font);
        }
    }
    return refusal(rule, typed);
}

void write_setting(IniFile& file, const KeyRule& rule, std::string_view key,
                   const SettingValue& value, const PathBase& base) {
    const auto* number = std::get_if<long long>(&value);
    const auto* text = std::get_if<std::string>(&value);
    switch (rule.type) {
        case KeyType::kDate:
            if (*number == 0) {
                file.delete_key(rule.section, key);
            } else {
                file.put_string(rule.section, key, date_to_setting(static_cast<uint32_t>(*number)));
            }
            return;
        case KeyType::kText: {
            // Blanks at either end, or quotes around the whole value, would
            // be lost on reading unless the value is quoted.
            bool quote = !text->empty() &&
                         (texts::is_blank(text->front()) || texts::is_blank(text->back()) ||
                          (text->front() == '"' && text->back() == '"'));
            file.put_string(rule.section, key, quote ? "\"" + *text + "\"" : *text);
            return;
        }
        case KeyType::kFreeText:
            if (*text == free_text_default(rule)) {
                file.delete_key(rule.section, key);
            } else {
                file.put_string(rule.section, key, "\"" + text_to_setting(*text) + "\"");
            }
            return;
        case KeyType::kPath:
        case KeyType::kDirectory:
            file.put_string(rule.section, key,
                            abbreviate_path(*text, base, !base.user_directory.empty()));
            return;
        case KeyType::kPassword:
            if (text->empty()) {
                file.delete_key(rule.section, key);
            } else {
                file.put_string(rule.section, key, encode_password(*text));
            }
            return;
        case KeyType::kNodeLetters:
        case KeyType::kNumberList:
        case KeyType::kUsersLine:
            file.put_string(rule.section, key, *text);
            return;
        case KeyType::kWindowPosition:
            file.put_string(rule.section, key,
                            format_window_position(std::get<WindowPosition>(value)));
            return;
        case KeyType::kColors:
            file.put_string(rule.section, key, format_colors(std::get<ColorList>(value)));
            return;
        case KeyType::kFont:
            file.put_string(rule.section, key, format_font(std::get<FontSetting>(value)));
            return;
        default:
            file.put_string(rule.section, key, std::to_string(*number));
            return;
    }
}

std::string show_setting(const KeyRule& rule, const SettingValue& value) {
    if (const auto* number = std::get_if<long long>(&value)) {
        if (rule.type == KeyType::kDate)
            return *number == 0 ? std::string() : date_to_setting(static_cast<uint32_t>(*number));
        return std::to_string(*number);
    }
    if (const auto* text = std::get_if<std::string>(&value)) return *text;
    if (const auto* position = std::get_if<WindowPosition>(&value))
        return format_window_position(*position);
    if (const auto* colors = std::get_if<ColorList>(&value)) return format_colors(*colors);
    return format_font(std::get<FontSetting>(value));
}

std::string describe_values(const KeyRule& rule) {
    switch (rule.type) {
        case KeyType::kNumber: {
            if (rule.low == INT_MIN && rule.high == INT_MAX) return "a whole number";
            std::string words = "a whole number from " + range_words(rule.low, rule.high);
            if (rule.zero_stays) words += ", or 0";
            if (rule.minus_one_is_fallback) words += ", or -1 for " + std::to_string(rule.fallback);
            return words;
        }
        case KeyType::kUnsigned:
            return "a whole number from 0 to 4294967295";
        case KeyType::kSwitch:
            return "0 (off) or 1 (on)";
        case KeyType::kBits: {
            std::string values;
            for (uint32_t bit = 1; bit != 0 && bit <= rule.mask; bit <<= 1) {
                if (!(rule.mask & bit)) continue;
                if (!values.empty()) values += ", ";
                values += std::to_string(bit);
            }
            return "a sum of the bit values " + values;
        }
        case KeyType::kText:
        case KeyType::kUsersLine:
            return "one line of at most " +
                   std::to_string(rule.length ? rule.length : kTextLength) +
                   " characters without control characters";
        case KeyType::kFreeText:
            return "a text of at most " + std::to_string(kTextLength) +
                   " characters, line breaks included";
        case KeyType::kPath:
            return "the path of a file (at most " + std::to_string(kPathLength) +
                   " characters as stored)";
        case KeyType::kDirectory:
            return "the path of a folder (at most " + std::to_string(kPathLength) +
                   " characters as stored)";
        case KeyType::kDate:
            return "a date and time such as \"15-Jan-24 10:20\" (0 for none)";
        case KeyType::kPassword:
            return "a password of at most " + std::to_string(rule.length) +
                   " characters without control characters";
        case KeyType::kNodeLetters:
            return "node letters A to Z separated by commas";
        case KeyType::kNumberList:
            return "numbers separated by commas";
        case KeyType::kWindowPosition:
            return "up to five whole numbers separated by commas";
        case KeyType::kColors:
            return "up to eight colours 00BBGGRR in hexadecimal separated by commas";
        case KeyType::kFont:
            return "typeface,height,style with a typeface of at most " +
                   std::to_string(kTypefaceLength) + " characters and a style from 0 to 3";
    }
    return {};
}

}  // namespace orvane::settings
