// The zone words that the server writes after a time, and the offsets they
// stand for.
#pragma once

#include <string_view>

namespace orvane::texts {

// An offset in half-hours west of UTC (east is negative), plus one hour east
// when daylight saving time applies.
struct ZoneOffset {
    int half_hours_west = 0;
    bool daylight_saving = false;
    bool known = true;  // false when an unknown zone was taken as UTC
};

// Looks a lower-case zone word up in the table, first match wins. An unknown
// word gives UTC without daylight saving.
ZoneOffset find_zone(std::string_view lower_case_name);

}  // namespace orvane::texts
