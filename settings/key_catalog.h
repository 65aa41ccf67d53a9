// The keys of the user's and of the common settings file as the settings
// commands see them: the rules of the two key tables, without the fields
// they load into.
#pragma once

#include <string_view>
#include <vector>

#include "settings/key_rules.h"

namespace orvane::settings {

enum class SettingsFileKind { kUser, kCommon };

// Every rule of the file, in table order.
std::vector<const KeyRule*> key_rules(SettingsFileKind kind);
// The rule of `key` in `section`, or null for a key the program does not read.
const KeyRule* find_key_rule(SettingsFileKind kind, std::string_view section, std::string_view key);

}  // namespace orvane::settings
