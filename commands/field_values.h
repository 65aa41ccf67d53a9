// The values of single command fields as the user types them, turned into
// the words the server reads. Each returns nothing for a value the field
// does not take.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "commands/command_words.h"

namespace orvane::commands {

// %g: a privilege by number (1 to 5), by its name in the window ("No
// Privilege", "User", "Organizer", "Operator", "Administrator") or by its
// word ("luser" .. "admin"); yields the word.
std::optional<std::string> privilege_word(std::string_view typed);
// The privilege number (1 to 5) of such a value.
std::optional<int> privilege_number(std::string_view typed);

// %c: "win west", "win east", "win cyr", "default" or "ascii" (also just
// "west", "east", "cyr").
std::optional<std::string> charset_word(std::string_view typed);

// %l: a number of lines 1 to 32767, or "no limit" (also "0", "none").
std::optional<std::string> line_limit(std::string_view typed);

// %X: a number 1 to 9999 and a unit ("3 weeks", "3 week"): "3 week".
std::optional<std::string> expiration(std::string_view typed);

// %r, %t, %z: a number of at most nine digits.
std::optional<std::string> plain_number(std::string_view typed);

// %y: a year of two or four digits, as two digits.
std::optional<std::string> two_digit_year(std::string_view typed);

// %v, %V: "no" or "0" (nothing forwarded), "always" or "no limit", or a
// number of KB.
std::optional<std::string> attachment_limit(std::string_view typed);

// A check box or switch: on, off, yes, no, 1, 0, true, false.
std::optional<bool> switch_state(std::string_view typed);

// %u: the upload line of a local file and its description.
std::string upload_line(std::string_view path, std::string_view description);

// The last component of a path.
std::string file_name_of(std::string_view path);

// The index in `group` of the phrase that `key` names: the phrase itself or
// with its blanks left out, ASCII case ignored ("encryptatt").
std::optional<size_t> phrase_index(WordGroup group, std::string_view key);

}  // namespace orvane::commands
