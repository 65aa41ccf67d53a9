#include "settings/settings_editor.h"

#include "settings/ini_text.h"
#include "settings/setting_value.h"
#include "texts/ascii.h"

namespace orvane::settings {

namespace {

using platform::MessageId;
using platform::Status;

ShownSetting shown(const SettingsPlace& place, const KeyRule& rule, std::string_view key) {
    ShownSetting setting;
    setting.section = std::string(rule.section);
    setting.key = std::string(key);
    setting.rule = &rule;
    SettingRead read = read_setting(place.file, rule, key, place.paths, place.now);
    setting.value = show_setting(rule, read.value);
    setting.fallback = show_setting(rule, default_setting(rule, place.paths));
    setting.stored = read.stored;
    setting.stored_text = place.file.get_raw(rule.section, key).value_or(std::string());
    setting.note = read.note;
    return setting;
}

// The key as stored in the file (its own spelling), when it is there.
std::optional<std::string> stored_spelling(IniFile& file, std::string_view section,
                                           std::string_view key) {
    for (const auto& name : file.keys(section)) {
        if (texts::equals_ignoring_case(name, key)) return name;
    }
    return std::nullopt;
}

}  // namespace

platform::Result<ShownSetting> find_setting(const SettingsPlace& place, std::string_view section,
                                            std::string_view key) {
    if (const KeyRule* rule = find_key_rule(place.kind, section, key)) {
        std::string spelled =
            rule->family == KeyFamily::kSingle ? std::string(rule->key) : std::string(key);
        return shown(place, *rule, spelled);
    }
    auto raw = place.file.get_raw(section, key);
    if (!raw) {
        return Status::message(MessageId::kSettingNotStored,
                               {std::string(key), std::string(section), place.file.path()});
    }
    ShownSetting setting;
    setting.section = std::string(section);
    setting.key = stored_spelling(place.file, section, key).value_or(std::string(key));
    setting.value = place.file.get_string(section, key, {}, kIniMaxValueLength);
    setting.stored = true;
    setting.stored_text = *raw;
    return setting;
}

std::vector<ShownSetting> list_settings(const SettingsPlace& place,
                                        std::optional<std::string_view> section) {
    std::vector<ShownSetting> settings;
    for (const KeyRule* rule : key_rules(place.kind)) {
        if (section && !texts::equals_ignoring_case(rule->section, *section)) continue;
        if (rule->family == KeyFamily::kSingle) {
            settings.push_back(shown(place, *rule, rule->key));
            continue;
        }
        for (const auto& key : place.file.keys(rule->section)) {
            if (rule_matches(*rule, rule->section, key) &&
                find_key_rule(place.kind, rule->section, key) == rule)
                settings.push_back(shown(place, *rule, key));
        }
    }
    return settings;
}

Status change_setting(SettingsPlace& place, std::string_view section, std::string_view key,
                      std::string_view typed, bool force) {
    const KeyRule* rule = find_key_rule(place.kind, section, key);
    if (!force) {
        if (!rule) {
            return Status::message(MessageId::kUnknownSetting,
                                   {std::string(key), std::string(section)});
        }
        if (rule->kept_by_program) {
            return Status::message(MessageId::kSettingKeptByProgram,
                                   {std::string(key), std::string(section)});
        }
    }
    // A key of the table keeps its table spelling; a family member and an
    // unknown key the spelling they have in the file, or the one typed.
    std::string name = rule && rule->family == KeyFamily::kSingle
                           ? std::string(rule->key)
                           : stored_spelling(place.file, section, key).value_or(std::string(key));
    std::string section_name = rule ? std::string(rule->section) : std::string(section);
    if (force || !rule) {
        if (Status storable = IniFile::storable(section_name, name, typed); !storable.ok())
            return storable;
        place.file.put_string(section_name, name, typed);
        return place.file.commit();
    }
    platform::Result<SettingValue> value = parse_setting(*rule, typed, place.paths);
    if (!value.ok()) return value.take_status();
    write_setting(place.file, *rule, name, *value, place.paths);
    return place.file.commit();
}

}  // namespace orvane::settings
