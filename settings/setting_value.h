// The rules of a key put to work: reading its stored text as the program
// uses it, checking a value typed by the user, and the text it is stored as.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "settings/ini_file.h"
#include "settings/key_rules.h"
#include "settings/setting_paths.h"

namespace orvane::settings {

struct SettingRead {
    SettingValue value;  // as the program uses it
    bool stored = false;
    // When the stored text is not a proper value of the key: what is wrong
    // with it ("is outside 20 to 79"); `value` is what the program makes of it.
    std::string note;
};

// Reads `key` (one of `rule`) from `file`. `now` is the time a missing date
// of a now_when_missing key takes.
SettingRead read_setting(IniFile& file, const KeyRule& rule, std::string_view key,
                         const PathBase& base, std::time_t now);

// The value of a key that is not stored.
SettingValue default_setting(const KeyRule& rule, const PathBase& base);

// The value that `typed` gives the key, as it is to be stored, or why the
// key does not take it (a message with the values it takes). A relative
// path is taken in the user's folder (the program directory for the
// common file).
platform::Result<SettingValue> parse_setting(const KeyRule& rule, std::string_view typed,
                                             const PathBase& base);

// Stores `value` under `key`. A value that is stored by leaving the key out
// (a date of 0, an empty password, free text equal to its default) deletes
// the key.
void write_setting(IniFile& file, const KeyRule& rule, std::string_view key,
                   const SettingValue& value, const PathBase& base);

// The value as the settings commands show it.
std::string show_setting(const KeyRule& rule, const SettingValue& value);

// The values a key takes, in words ("a whole number from 20 to 79").
std::string describe_values(const KeyRule& rule);

}  // namespace orvane::settings
