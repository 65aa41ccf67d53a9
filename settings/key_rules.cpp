#include "settings/key_rules.h"

#include <algorithm>

#include "texts/ascii.h"

namespace orvane::settings {

namespace {

constexpr char kMacroDigits = 4;

bool is_capital(char c) {
    return c >= 'A' && c <= 'Z';
}

}  // namespace

int macro_slot(char letter, int digit) {
    if (!is_capital(letter) || digit < 1 || digit > kMacroDigits) return -1;
    return (digit - 1) * 26 + (letter - 'A');
}

int macro_slot(std::string_view key) {
    return key.size() == 2 ? macro_slot(key[0], key[1] - '0') : -1;
}

bool rule_matches(const KeyRule& rule, std::string_view section, std::string_view key) {
    if (!texts::equals_ignoring_case(rule.section, section)) return false;
    switch (rule.family) {
        case KeyFamily::kSingle:
            return texts::equals_ignoring_case(rule.key, key);
        case KeyFamily::kNodeLetter:
            return key.size() == rule.key.size() + 2 && is_capital(key[0]) && key[1] == ' ' &&
                   texts::equals_ignoring_case(key.substr(2), rule.key);
        case KeyFamily::kMacro:
            return macro_slot(key) >= 0;
        case KeyFamily::kNumbered:
            return !key.empty() && key[0] != '0' &&
                   std::all_of(key.begin(), key.end(), texts::is_digit);
        case KeyFamily::kFolder:
            return !key.empty();
    }
    return false;
}

std::vector<std::string> family_keys(const KeyRule& rule) {
    std::vector<std::string> keys;
    if (rule.family != KeyFamily::kMacro) return keys;
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        for (char digit = '1'; digit < '1' + kMacroDigits; ++digit) keys.push_back({letter, digit});
    }
    return keys;
}

}  // namespace orvane::settings
