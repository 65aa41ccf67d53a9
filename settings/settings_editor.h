// Reading and changing single keys of a settings file by name, for the
// settings commands: values as the program uses them, checked before they
// are written, and every change committed.
#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "settings/ini_file.h"
#include "settings/key_catalog.h"
#include "settings/setting_paths.h"

namespace orvane::settings {

// One key as the settings commands show it.
struct ShownSetting {
    std::string section;
    std::string key;
    const KeyRule* rule = nullptr;  // null for a key the program does not read
    std::string value;              // as the program uses it; an unknown key's stored text
    std::string fallback;           // the default (empty for an unknown key)
    bool stored = false;
    std::string stored_text;  // the text as stored
    std::string note;         // what is wrong with the stored text, when anything is
};

// Where the keys are read: the file, which of the two it is, and the
// folders its paths are abbreviated against.
struct SettingsPlace {
    IniFile& file;
    SettingsFileKind kind;
    PathBase paths;
    std::time_t now = 0;  // for a missing date that reads as now
};

// The key `key` of `section` (names without regard to case). A key the
// program does not read is shown when it is stored, and refused otherwise.
platform::Result<ShownSetting> find_setting(const SettingsPlace& place, std::string_view section,
                                            std::string_view key);

// Every key the program reads from the file (of one section, when
// `section` is given), with the stored members of key families; keys the
// program does not read are left out.
std::vector<ShownSetting> list_settings(const SettingsPlace& place,
                                        std::optional<std::string_view> section = std::nullopt);

// Checks `typed` against the key's rule, stores it and commits the file.
// Unknown keys and keys the program keeps itself are refused unless
// `force`, which writes the text as it stands; nothing is ever written
// that the file could not read back unchanged.
[[nodiscard]] platform::Status change_setting(SettingsPlace& place, std::string_view section,
                                              std::string_view key, std::string_view typed,
                                              bool force);

}  // namespace orvane::settings
