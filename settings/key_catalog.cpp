#include "settings/key_catalog.h"

#include "settings/common_keys.h"
#include "settings/user_keys.h"

namespace orvane::settings {

namespace {

template <class Values>
void add_rules(std::span<const BoundKey<Values>> table, std::vector<const KeyRule*>* rules) {
    for (const auto& bound : table) rules->push_back(&bound.rule);
}

}  // namespace

std::vector<const KeyRule*> key_rules(SettingsFileKind kind) {
    std::vector<const KeyRule*> rules;
    if (kind == SettingsFileKind::kUser) {
        add_rules(user_keys(), &rules);
    } else {
        add_rules(common_keys(), &rules);
    }
    return rules;
}

const KeyRule* find_key_rule(SettingsFileKind kind, std::string_view section,
                             std::string_view key) {
    // Single keys first: "Importance"/"Importance" is no member of a family.
    const KeyRule* family = nullptr;
    for (const KeyRule* rule : key_rules(kind)) {
        if (!rule_matches(*rule, section, key)) continue;
        if (rule->family == KeyFamily::kSingle) return rule;
        if (!family) family = rule;
    }
    return family;
}

}  // namespace orvane::settings
