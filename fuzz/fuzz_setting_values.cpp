// Feeds arbitrary bytes to every key of both settings tables, once as the
// text stored in a settings file and once as a value typed by the user.
// Numbers that a key takes must read back as they were written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/key_catalog.h"
#include "settings/setting_value.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvane::settings;
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const PathBase paths{"/opt/orvane", "/opt/orvane/Users/Ann"};
    IniCache cache;
    for (SettingsFileKind kind : {SettingsFileKind::kUser, SettingsFileKind::kCommon}) {
        for (const KeyRule* rule : key_rules(kind)) {
            // A folder that does not exist: the file is held in memory only.
            IniFile file = cache.open("/nonexistent-orvane-fuzz", "Orvane.ini");
            std::string key = rule->family == KeyFamily::kSingle ? std::string(rule->key) : "A1";
            file.put_string(rule->section, key, input);
            (void)read_setting(file, *rule, key, paths, 0);

            orvane::platform::Result<SettingValue> typed = parse_setting(*rule, input, paths);
            if (!typed.ok()) continue;
            file.delete_key(rule->section, key);
            write_setting(file, *rule, key, *typed, paths);
            SettingRead back = read_setting(file, *rule, key, paths, 0);
            const bool plain_number =
                (rule->type == KeyType::kNumber && !rule->minus_one_is_fallback) ||
                rule->type == KeyType::kSwitch || rule->type == KeyType::kBits ||
                rule->type == KeyType::kUnsigned;
            if (plain_number && back.value != *typed) __builtin_trap();
        }
    }
    return 0;
}
