#include "texts/dates.h"

#include <cstdio>

#include "platform/clock.h"
#include "texts/ascii.h"
#include "texts/time_zones.h"

namespace orvane::texts {

namespace {

constexpr std::string_view kMonthWords = "jan feb mar apr may jun jul aug sep oct nov dec ";
constexpr size_t kMonthWordWidth = 4;
constexpr std::string_view kWeekdayWords =
    "sunday    monday    tuesday   wednesday thursday  friday    saturday  yesterday today     ";
constexpr size_t kWeekdayWordWidth = 10;
constexpr size_t kWeekdayCompared = 9;
constexpr int kYesterday = 7;
constexpr int kToday = 8;
constexpr size_t kMaxZoneLetters = 11;
constexpr const char* kMonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr int64_t kSecondsPerDay = 86400;
constexpr int kSecondsPerHalfHour = 1800;

// Numbers are kept below this bound while reading, so that no digit string
// can overflow the arithmetic; a date built from such a number is out of
// range anyway.
constexpr int64_t kNumberLimit = 1000000000;

// Walks through the date text. Reading past the end yields NUL and numbers
// of 0, the way the server's short forms ("15-Jan-99" without a time) read.
class Cursor {
  public:
    explicit Cursor(std::string_view text) : text_(text) {}

    char peek() const { return pos_ < text_.size() ? text_[pos_] : '\0'; }
    void skip(size_t count = 1) {
        pos_ = pos_ + count < text_.size() ? pos_ + count : text_.size();
    }
    std::string_view rest() const { return text_.substr(pos_); }

    void skip_blanks() {
        while (is_blank(peek())) skip();
    }

    // Decimal digits after optional blanks; 0 when there are none.
    int64_t read_number() {
        skip_blanks();
        int64_t value = 0;
        while (is_digit(peek())) {
            if (value < kNumberLimit) value = value * 10 + (peek() - '0');
            skip();
        }
        return value;
    }

    // Like read_number, with an optional sign first.
    int64_t read_signed_number() {
        skip_blanks();
        bool negative = peek() == '-';
        if (negative || peek() == '+') skip();
        int64_t value = read_number();
        return negative ? -value : value;
    }

  private:
    std::string_view text_;
    size_t pos_ = 0;
};

// Index of `word` among the fixed-width entries of `table`, comparing the
// first word.size() characters of each entry without regard to case.
int find_word(std::string_view table, size_t width, std::string_view word) {
    for (size_t at = 0; at + word.size() <= table.size(); at += width) {
        if (equals_ignoring_case(table.substr(at, word.size()), word))
            return static_cast<int>(at / width);
    }
    return -1;
}

int month_of_word(Cursor& cursor) {
    std::string_view word = cursor.rest().substr(0, 3);
    cursor.skip(3);
    int index = word.size() == 3 ? find_word(kMonthWords, kMonthWordWidth, word) : -1;
    return index < 0 ? 1 : index + 1;
}

int expand_year(int64_t year) {
    if (year < 70) return static_cast<int>(2000 + year);
    if (year < 100) return static_cast<int>(1900 + year);
    return static_cast<int>(year);
}

struct DayOrFailure {
    int64_t days = 0;
    bool ok = false;
    bool known = true;  // false: an unknown word taken as today
};

// "15-Jan-99" or "1.2.03": the cursor starts on the day's first digit.
DayOrFailure read_date_form(Cursor& cursor) {
    int64_t day = cursor.read_number();
    int64_t month;
    if (cursor.peek() == '.') {
        cursor.skip();
        month = cursor.read_number();
    } else {
        cursor.skip();
        month = month_of_word(cursor);
    }
    cursor.skip();
    int64_t year = expand_year(cursor.read_number());
    if (month < 1 || month > 12) return {};
    return {days_from_civil(year, static_cast<int>(month), day), true};
}

// "monday    ", "yesterday" or "today     ": a word in a 10-character field,
// relative to the reference day. An unknown word counts as today.
DayOrFailure read_weekday_form(Cursor& cursor, const CivilDate& reference) {
    std::string_view word = cursor.rest().substr(0, kWeekdayCompared);
    int index =
        word.size() == kWeekdayCompared ? find_word(kWeekdayWords, kWeekdayWordWidth, word) : -1;
    const bool known = index >= 0;
    if (!known) index = kToday;
    cursor.skip(kWeekdayCompared);
    if (!is_valid_civil_date(reference)) return {};
    const int64_t reference_days = days_from_civil(reference.year, reference.month, reference.day);
    int offset;
    if (index >= kYesterday) {
        offset = index - kToday;
    } else {
        // The latest such weekday on or before the reference day.
        offset = index - weekday_of_days(reference_days);
        if (offset > 0) offset -= 7;
    }
    return {reference_days + offset, true, known};
}

// The zone after the blank that follows the minute: "+0100", "-0500" or a
// word such as "est". Minutes that are not a multiple of 30 are dropped.
ZoneOffset read_zone(Cursor& cursor) {
    if (cursor.peek() == '+' || cursor.peek() == '-') {
        const int64_t east = cursor.read_signed_number();  // hhmm
        const int64_t west = -east;
        const int64_t half_hours = west / 100 * 2 + west % 100 / 30;
        // An offset beyond what the seconds of a stored date can record is no
        // real zone; like an unknown zone word it counts as UTC.
        if (half_hours < -30 || half_hours > 29) return {0, false, false};
        return {static_cast<int>(half_hours), false, true};
    }
    std::string name;
    while (is_alnum(cursor.peek())) {
        if (name.size() < kMaxZoneLetters) name += to_lower(cursor.peek());
        cursor.skip();
    }
    return find_zone(name);
}

// Breaks seconds since 1970 (negative allowed) down as UTC and writes them
// in the display form.
std::string format_broken_down(int64_t seconds) {
    int64_t days = seconds / kSecondsPerDay;
    int64_t second_of_day = seconds % kSecondsPerDay;
    if (second_of_day < 0) {
        second_of_day += kSecondsPerDay;
        --days;
    }
    const CivilDate date = civil_from_days(days);
    char text[32];
    std::snprintf(text, sizeof text, "%02d-%s-%02d %02d:%02d", date.day,
                  kMonthNames[date.month - 1], (date.year % 100 + 100) % 100,
                  static_cast<int>(second_of_day / 3600),
                  static_cast<int>(second_of_day / 60 % 60));
    return text;
}

// " +hhmm" or " -hhmm" for an offset east of UTC in minutes.
std::string zone_suffix(int64_t east_minutes) {
    const int64_t magnitude = east_minutes < 0 ? -east_minutes : east_minutes;
    char text[16];
    std::snprintf(text, sizeof text, " %c%02d%02d", east_minutes < 0 ? '-' : '+',
                  static_cast<int>(magnitude / 60), static_cast<int>(magnitude % 60));
    return text;
}

}  // namespace

uint32_t parse_date(std::string_view text, const CivilDate& reference, DateReading* reading) {
    Cursor cursor(text);
    cursor.skip_blanks();
    const DayOrFailure day =
        is_digit(cursor.peek()) ? read_date_form(cursor) : read_weekday_form(cursor, reference);
    if (reading) *reading = DateReading{day.ok && day.known, true};
    if (!day.ok) return 0;

    cursor.skip();
    const int64_t hour = cursor.read_number();
    cursor.skip();
    const int64_t minute = cursor.read_number();

    ZoneOffset zone;
    if (cursor.peek() == ' ') {
        cursor.skip();
        zone = read_zone(cursor);
        if (reading) reading->zone_known = zone.known;
    }

    // The local time given, moved to UTC; the seconds record the zone.
    const int64_t dst = zone.daylight_saving ? 1 : 0;
    const int64_t minutes =
        (day.days * 24 + hour) * 60 + minute + 30 * zone.half_hours_west - 60 * dst;
    const int64_t result = minutes * 60 + (30 + zone.half_hours_west - 2 * dst);
    if (result <= 0 || result > static_cast<int64_t>(UINT32_MAX)) return 0;
    return static_cast<uint32_t>(result);
}

std::string format_date(uint32_t stored, DateRequest request, const DateFormatOptions& options) {
    if (stored == 0) return {};
    TimeDisplay mode = options.time_display;
    if (request == DateRequest::local_time) mode = TimeDisplay::local_time;
    if (request == DateRequest::own_zone) mode = TimeDisplay::own_zone;

    int64_t east_seconds = 0;
    if (mode == TimeDisplay::local_time) {
        // The offset in force at that date, so that a summer date shown in
        // winter still reads as the clock on the wall showed it then.
        east_seconds = platform::local_zone_at(static_cast<std::time_t>(stored)).utc_offset_seconds;
    } else if (mode == TimeDisplay::own_zone) {
        const int64_t half_hours_west = static_cast<int64_t>(stored % 60) - 30;
        east_seconds = -half_hours_west * kSecondsPerHalfHour;
    }

    std::string text = format_broken_down(static_cast<int64_t>(stored) + east_seconds);
    const bool zone_wanted = options.plain_text || request == DateRequest::own_zone;
    if (mode != TimeDisplay::utc && east_seconds / 60 != 0 && zone_wanted)
        text += zone_suffix(east_seconds / 60);
    return text;
}

std::string format_duration(uint32_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%02u:%02u:%02u", seconds / 3600, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

}  // namespace orvane::texts
