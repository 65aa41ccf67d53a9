// Typed reading and writing of INI values. The put functions take the
// value as it was loaded and write only when it changed, so that saving
// touches nothing the user did not change.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/ini_file.h"
#include "settings/setting_paths.h"

namespace orvane::settings {

// Decimal numbers (a non-number reads as 0, a number beyond the range as the
// nearest limit); `fallback` when the key is missing or empty.
int get_int(IniFile& file, std::string_view section, std::string_view key, int fallback);
uint32_t get_unsigned(IniFile& file, std::string_view section, std::string_view key,
                      uint32_t fallback);

// A date in the settings text form; `fallback` unless the value starts with a digit.
uint32_t get_date(IniFile& file, std::string_view section, std::string_view key, uint32_t fallback);

// A path with its abbreviation expanded; `fallback` when missing.
std::string get_path(IniFile& file, std::string_view section, std::string_view key,
                     const PathBase& base, std::string_view fallback = {});
// As get_path, without a trailing separator.
std::string get_directory(IniFile& file, std::string_view section, std::string_view key,
                          const PathBase& base, std::string_view fallback = {});

// Free text: "^M" stands for a line break.
std::string get_text(IniFile& file, std::string_view section, std::string_view key,
                     std::string_view fallback);

void put_int(IniFile& file, std::string_view section, std::string_view key, long long value,
             long long old);
// A date of 0 deletes the key.
void put_date(IniFile& file, std::string_view section, std::string_view key, uint32_t value,
              uint32_t old);
// `allow_user`: the user directory may be abbreviated (never in the common file).
void put_path(IniFile& file, std::string_view section, std::string_view key,
              const std::string& value, const std::string& old, const PathBase& base,
              bool allow_user);
// Written in double quotes when blanks at the ends would otherwise be lost.
void put_string_if_changed(IniFile& file, std::string_view section, std::string_view key,
                           const std::string& value, const std::string& old);
// Text equal to `fallback` deletes the key; other text is written in double
// quotes with each line break as "^M".
void put_text(IniFile& file, std::string_view section, std::string_view key,
              const std::string& value, const std::string& old, std::string_view fallback);

// The stored form of free text, and back.
std::string text_to_setting(std::string_view text);
std::string text_from_setting(std::string_view stored);

}  // namespace orvane::settings
