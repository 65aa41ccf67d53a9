// Dates typed into the fields of commands and of the schedule: day, month
// and year in that order, separated by "-", ".", "/" or blanks; the month
// as a number or an English name ("5 March 2027", "05-mar-27", "5.3.27").
// A four-digit first number reads as year-month-day instead
// ("2027-03-05"). The server takes them in one form only: two-digit day,
// "-", three-letter English month, "-", two-digit year ("05-Mar-27").
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "texts/calendar.h"

namespace orvane::commands {

// The day, or nothing when the text is no real date. Two-digit years are
// 2000 to 2069 and 1970 to 1999.
std::optional<texts::CivilDate> parse_command_date(std::string_view text);

// "05-Mar-27".
std::string server_date(const texts::CivilDate& date);

}  // namespace orvane::commands
