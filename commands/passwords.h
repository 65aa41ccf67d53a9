// New passwords for the node: the rules every new password must pass, and
// the generator behind the "another" button, which makes pronounceable
// ones from consonants, consonant pairs and vowels.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/status.h"

namespace orvane::commands {

inline constexpr size_t kMinPasswordLength = 8;
inline constexpr size_t kMaxPasswordLength = 40;
inline constexpr size_t kMinDistinctCharacters = 5;
inline constexpr size_t kGeneratedPasswordLength = 10;

// Success, or the rule the password breaks: its length, a character that
// is not a printable ASCII character other than the blank (the server reads
// the password as one word), one character three times in a row, or too
// few different characters.
platform::Status check_password_rules(std::string_view password);

// A uniformly chosen number below the bound.
using RandomBelow = std::function<uint32_t(uint32_t bound)>;

// A pronounceable password of ten small letters that passes the rules, or
// nothing when `random` keeps giving ones that do not (a broken source).
std::optional<std::string> generate_password(const RandomBelow& random);

// The same with the system's random source.
std::optional<std::string> generate_password();

}  // namespace orvane::commands
