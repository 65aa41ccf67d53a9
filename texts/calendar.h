// Exact proleptic Gregorian calendar arithmetic on day counts since
// 1970-01-01, used by the date parser and formatter.
#pragma once

#include <cstdint>

namespace orvane::texts {

struct CivilDate {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
};

// True when the fields name a real day of the calendar.
bool is_valid_civil_date(const CivilDate& date);

// Days from 1970-01-01 to `date`; negative before it. The month must be
// 1..12; the day may run past the month's end (it simply counts on).
int64_t days_from_civil(int64_t year, int month, int64_t day);

CivilDate civil_from_days(int64_t days);

// 0 Sunday .. 6 Saturday.
int weekday_of_days(int64_t days);

}  // namespace orvane::texts
