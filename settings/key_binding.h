// Ties each key rule to the field of a block of loaded values that holds
// the key's value, so that loading and saving a settings file is one loop
// over its table of keys. Saving writes only the fields that differ from
// the block as it was loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>
#include <string_view>
#include <variant>

#include "settings/ini_file.h"
#include "settings/key_rules.h"
#include "settings/setting_value.h"

namespace orvane::settings {

// Where a loaded value lives; monostate for a key that is not there (a
// macro key outside the slots).
using FieldPtr = std::variant<std::monostate, int*, uint32_t*, std::string*, WindowPosition*,
                              ColorList*, FontSetting*>;

// A key and the field of its value; keys without a field are read and
// written by code of their own (the users list, memberships, versions).
template <class Values>
struct BoundKey {
    KeyRule rule;
    FieldPtr (*field)(Values& values, std::string_view key) = nullptr;
};

// The field reached by a chain of members (&UserValues::options,
// &OptionKeys::right_margin).
template <auto... Path, class Values>
FieldPtr member(Values& values, std::string_view) {
    return &(values.*....*Path);
}

// Element `Index` of an array member.
template <auto Array, size_t Index, class Values>
FieldPtr element(Values& values, std::string_view) {
    return &(values.*Array)[Index];
}

// The value held in a field, in the form the rules use.
SettingValue field_value(const FieldPtr& field);
// Puts a value read by the rules into its field.
void set_field(const FieldPtr& field, const SettingValue& value);

// Reads every key of `table` that has a field into `values`; a family of
// keys reads the members stored in the file.
template <class Values>
void read_bound_keys(IniFile& file, std::span<const BoundKey<Values>> table, const PathBase& base,
                     std::time_t now, Values& values) {
    for (const auto& bound : table) {
        if (!bound.field) continue;
        const KeyRule& rule = bound.rule;
        if (rule.family == KeyFamily::kSingle) {
            set_field(bound.field(values, rule.key),
                      read_setting(file, rule, rule.key, base, now).value);
            continue;
        }
        for (const auto& key : file.keys(rule.section)) {
            if (!rule_matches(rule, rule.section, key)) continue;
            set_field(bound.field(values, key), read_setting(file, rule, key, base, now).value);
        }
    }
}

// Writes the keys of `table` that `wanted` picks and whose fields differ
// between `now` and `old`.
template <class Values, class Wanted>
void write_bound_keys(IniFile& file, std::span<const BoundKey<Values>> table, const PathBase& base,
                      Values& now, Values& old, Wanted wanted) {
    auto write_key = [&](const KeyRule& rule, const BoundKey<Values>& bound, std::string_view key) {
        SettingValue value = field_value(bound.field(now, key));
        if (value != field_value(bound.field(old, key)))
            write_setting(file, rule, key, value, base);
    };
    for (const auto& bound : table) {
        if (!bound.field || !wanted(bound.rule)) continue;
        if (bound.rule.family == KeyFamily::kSingle) {
            write_key(bound.rule, bound, bound.rule.key);
            continue;
        }
        for (const auto& key : family_keys(bound.rule)) write_key(bound.rule, bound, key);
    }
}

}  // namespace orvane::settings
