// The text of one INI file as held in memory, and the rules for reading and
// changing values in it. The text always uses LF line ends and, unless it is
// empty, ends in LF. Sections and keys are matched without regard to ASCII
// case; when a section appears twice only the first one counts.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::settings {

// The longest value a settings line may hold. Files are read whole, but no
// reader of a key takes more than this, and a longer line would not survive
// in a file that older versions read (they kept the first 65502 characters
// of the whole file).
inline constexpr size_t kIniMaxValueLength = 65502;

// Turns raw file bytes into the held form: CR LF and a lone CR become LF,
// and a final LF is added when the text does not end in one.
std::string normalise_ini_text(std::string_view raw);

// Why `value` could not be stored under `key` in `section` so that it reads
// back as it is: a name that cannot be read back (empty, a line break,
// "]" in a section, "=" in a key, a key that starts like a section header
// or a comment), or a value with a line break or a NUL or longer than
// kIniMaxValueLength. Empty when it can be stored.
std::string ini_unstorable_reason(std::string_view section, std::string_view key,
                                  std::string_view value);

// The value of `key` in `section`, cut to `max_length` characters; nothing
// when the section or key is missing. Spaces after "=" are skipped; a value
// in double quotes loses the quotes and keeps its blanks, any other value
// loses its trailing blanks.
std::optional<std::string> ini_value(std::string_view text, std::string_view section,
                                     std::string_view key, size_t max_length);

// The key names of `section` in file order (comment lines and lines without
// "=" are left out); empty when the section is missing.
std::vector<std::string> ini_keys(std::string_view text, std::string_view section);

// The value as it stands in the file, quotes and all (spaces after "=" and
// trailing blanks taken off), for values whose fields have quotes of their
// own; nothing when the section or key is missing.
std::optional<std::string> ini_raw_value(std::string_view text, std::string_view section,
                                         std::string_view key);

bool ini_has_section(std::string_view text, std::string_view section);

// Sets `key` in `section` to `value`, replacing the key's line or adding one
// after the last line of the section; a missing section is appended at the
// end after an empty line. Line breaks in the value become blanks, so that a
// value can never add lines of its own. Returns true when the text changed.
// Section and key names that could not be read back (empty, holding a line
// break, "=" in a key, "]" in a section) are refused and change nothing.
bool ini_set(std::string* text, std::string_view section, std::string_view key,
             std::string_view value);

// Removes the key's line; true when there was one.
bool ini_delete_key(std::string* text, std::string_view section, std::string_view key);

// Removes the section from its header up to the next section header; true
// when there was one.
bool ini_delete_section(std::string* text, std::string_view section);

}  // namespace orvane::settings
