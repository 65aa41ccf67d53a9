// The text form of dates in settings files. Kept behind this one pair so
// that every date key reads and writes the same form.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::settings {

// A stored date (seconds since 1970-01-01 UTC, 0 for none) from its text
// form; 0 when the text is not a date.
uint32_t date_from_setting(std::string_view text);

// The text form of a stored date.
std::string date_to_setting(uint32_t date);

}  // namespace orvane::settings
