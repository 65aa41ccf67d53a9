// Dates as the program stores them, read from server output and shown to
// the user.
//
// A stored date is unsigned 32-bit seconds since 1970-01-01 00:00 UTC; 0
// means "no date". The server gives dates to the minute only, so a parsed
// date uses its seconds to remember the zone it was written in:
// seconds = 30 + z, where z is the source zone in half-hours west of UTC,
// less 2 when daylight saving time applied. A date written at UTC therefore
// has 30 seconds, and format_date can show it again in its own zone.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "texts/calendar.h"

namespace orvane::texts {

// Reads a date as the server writes it, leading blanks allowed:
//   "15-Jan-99 10:20", "1.2.03 08:00 +0100", "15-jan-2005 10:20 EST",
//   "monday    08:00" (a weekday word in a 10-character field, or
//   "yesterday"/"today").
// A weekday word names the latest such day on or before `reference`, the
// day the file being read was last written. Hour and minute may be parted by
// ':' or '.'. A zone word or a numeric offset may follow after one blank; an
// unknown zone, or an offset the seconds cannot record (east of +15:00 or
// west of -14:30), counts as UTC.
// Returns 0 when the text cannot give a stored date: a month number outside
// 1..12, a weekday word with no valid reference day, or an instant before
// 1970 or past the 32-bit range.
// What parse_date found, for a caller that must say when the text held
// less than a date; the import reads leniently and does not ask.
struct DateReading {
    bool date_found = false;  // a date, or a weekday word known as such
    bool zone_known = true;   // no zone, or a zone word or offset that can be recorded
};
uint32_t parse_date(std::string_view text, const CivilDate& reference = {},
                    DateReading* reading = nullptr);

// What the caller asks format_date for.
enum class DateRequest {
    as_chosen = 0,   // the way the user chose with the "Time Display" option
    own_zone = 2,    // in the zone the date was written in, always with the zone suffix
    local_time = 3,  // in this computer's local time
};

// The "Time Display" option.
enum class TimeDisplay {
    utc = 0,
    local_time = 1,
    own_zone = 2,
};

struct DateFormatOptions {
    TimeDisplay time_display = TimeDisplay::utc;
    // Text that leaves the program (saving, printing, quoting) names the zone
    // whenever it is not UTC.
    bool plain_text = false;
};

// "dd-Mon-yy hh:mm", followed by " +hhmm" or " -hhmm" when the time is shown
// in a zone other than UTC and the zone is asked for (plain text, or the
// request own_zone). A stored date of 0 gives "".
//
// format_date(value, DateRequest::own_zone) is the text form for keeping a
// date in a settings file: parse_date reads it back to the same value, to the
// second, for every date from 1970 to 2069.
std::string format_date(uint32_t stored, DateRequest request,
                        const DateFormatOptions& options = {});

// A duration in seconds as "hh:mm:ss"; the hours run past 99 when needed.
std::string format_duration(uint32_t seconds);

}  // namespace orvane::texts
