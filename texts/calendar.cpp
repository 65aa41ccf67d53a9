#include "texts/calendar.h"

namespace orvane::texts {

namespace {

bool is_leap_year(int64_t year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int days_in_month(int64_t year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && is_leap_year(year) ? 29 : kDays[month - 1];
}

// Floor division for the era arithmetic below, which must work before 1970.
int64_t floor_div(int64_t a, int64_t b) {
    return a / b - (a % b != 0 && (a < 0) != (b < 0));
}

}  // namespace

bool is_valid_civil_date(const CivilDate& date) {
    return date.month >= 1 && date.month <= 12 && date.day >= 1 &&
           date.day <= days_in_month(date.year, date.month);
}

// Counts in 400-year eras that start on 1 March, so that the leap day is the
// last day of each computed year.
int64_t days_from_civil(int64_t year, int month, int64_t day) {
    year -= month <= 2;
    const int64_t era = floor_div(year, 400);
    const int64_t year_of_era = year - era * 400;
    const int64_t day_of_year = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int64_t day_of_era =
        year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
    return era * 146097 + day_of_era - 719468;
}

CivilDate civil_from_days(int64_t days) {
    days += 719468;
    const int64_t era = floor_div(days, 146097);
    const int64_t day_of_era = days - era * 146097;
    const int64_t year_of_era =
        (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
    const int64_t day_of_year =
        day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
    const int64_t shifted_month = (5 * day_of_year + 2) / 153;  // 0 = March
    CivilDate date;
    date.day = static_cast<int>(day_of_year - (153 * shifted_month + 2) / 5 + 1);
    date.month = static_cast<int>(shifted_month < 10 ? shifted_month + 3 : shifted_month - 9);
    date.year = static_cast<int>(year_of_era + era * 400 + (date.month <= 2));
    return date;
}

int weekday_of_days(int64_t days) {
    // 1970-01-01 was a Thursday.
    const int64_t weekday = (days + 4) % 7;
    return static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
}

}  // namespace orvane::texts
