#include "texts/dates.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <string>

namespace orvane::texts {
namespace {

// Expected instants come from tests/tools/date_vectors.py (Python's
// calendar.timegm), not from the code under test.

TEST(ParseDate, DayMonthWordYearAndTime) {
    EXPECT_EQ(parse_date("15-Jan-99 10:20"), 916395630u);
    EXPECT_EQ(parse_date("   15-Jan-99 10:20"), 916395630u);
    EXPECT_EQ(parse_date("15-JAN-99 10.20"), 916395630u);  // either separator in the time
    EXPECT_EQ(parse_date("31-Dec-1999 23:59"), 946684770u);
    EXPECT_EQ(parse_date("1.2.03 08:00"), 1044086430u);  // month by number
    EXPECT_EQ(parse_date("15-Jan-99") % 60, 30u);        // no time: midnight at UTC
    EXPECT_EQ(parse_date("15-Jan-99"), 916395630u - (10 * 60 + 20) * 60);
}

TEST(ParseDate, TwoDigitYearsPivotAt70) {
    EXPECT_EQ(parse_date("1-Jan-69 00:00"), 3124224030u);
    EXPECT_EQ(parse_date("1-Jan-70 00:00"), 30u);
    EXPECT_EQ(parse_date("31-Dec-1999 23:59"), parse_date("31-Dec-99 23:59"));
}

TEST(ParseDate, UnknownMonthWordIsJanuary) {
    EXPECT_EQ(parse_date("15-Foo-99 10:20"), 916395630u);
    EXPECT_EQ(parse_date("15-an -99 10:20"),
              916395630u);  // only whole words match, not parts of "jan feb"
}

TEST(ParseDate, LeapDays) {
    EXPECT_EQ(parse_date("29-Feb-2000 12:00"), 951825630u);
    EXPECT_EQ(parse_date("1-Mar-2000 12:00"), 951912030u);
    EXPECT_EQ(parse_date("1-Mar-2000 12:00") - parse_date("29-Feb-2000 12:00"), 86400u);
    // 2100 is not a leap year.
    EXPECT_EQ(parse_date("28-Feb-2100 12:00"), 4107499230u);
    EXPECT_EQ(parse_date("1-Mar-2100 12:00"), 4107585630u);
}

TEST(ParseDate, ZoneWordsRecordTheZoneInTheSeconds) {
    EXPECT_EQ(parse_date("15-Jan-99 10:20 EST"), 916413640u);
    EXPECT_EQ(parse_date("15-Jan-99 10:20 EDT"), 916410038u);
    EXPECT_EQ(parse_date("15-Jan-99 10:20 gmt"), 916395630u);
    // Entries whose offsets are easy to get wrong.
    struct Case {
        const char* zone;
        uint32_t expected;
    };
    for (const Case& c :
         {Case{"wet", 916392028u}, Case{"SST", 916388426u}, Case{"it", 916383023u},
          Case{"zp4", 916381222u}, Case{"cadt", 916357809u}, Case{"nst", 916408237u},
          Case{"ndt", 916404635u}, Case{"idlw", 916438854u}, Case{"ist", 916375819u}}) {
        EXPECT_EQ(parse_date(std::string("15-Jan-99 10:20 ") + c.zone), c.expected) << c.zone;
    }
}

TEST(ParseDate, UnknownOrMisplacedZoneIsUtc) {
    EXPECT_EQ(parse_date("15-Jan-99 10:20 CEST"), 916395630u);
    EXPECT_EQ(parse_date("15-Jan-99 10:20 estonianstandardtime"),
              916395630u);                                      // longer than 11 letters
    EXPECT_EQ(parse_date("15-Jan-99 10:20  EST"), 916395630u);  // the zone must follow one blank
    EXPECT_EQ(parse_date("15-Jan-99 10:20)"), 916395630u);
    EXPECT_EQ(parse_date("15-Jan-99 10:20 / Some words"), 916395630u);
}

TEST(ParseDate, NumericOffsets) {
    EXPECT_EQ(parse_date("15-jan-05 10:20 +0100"), 1105780828u);
    EXPECT_EQ(parse_date("15-Jan-99 10:20 -0500"), 916413640u);
    EXPECT_EQ(parse_date("15-Jan-99 10:20 +0530"), 916375819u);
    // Minutes that are not a multiple of 30 are dropped: +05:45 reads as +05:30.
    EXPECT_EQ(parse_date("15-Jan-99 10:20 +0545"), 916375819u);
    // An offset whose zone could not be kept in the seconds counts as UTC
    // rather than spilling into the minutes.
    EXPECT_EQ(parse_date("15-Jan-99 10:20 +9999"), 916395630u);
    EXPECT_EQ(parse_date("15-Jan-99 10:20 -1500"), 916395630u);
}

TEST(ParseDate, WeekdayWordsAgainstTheReferenceDay) {
    const CivilDate monday{2024, 1, 1};
    EXPECT_EQ(parse_date("yesterday 23:59", monday), 1704067170u);  // across the year's end
    EXPECT_EQ(parse_date("monday    08:00", monday), 1704096030u);
    EXPECT_EQ(parse_date("MONDAY    08:00", monday), 1704096030u);
    EXPECT_EQ(parse_date("tuesday   08:00", monday), 1703577630u);  // six days before
    EXPECT_EQ(parse_date("today     07:15", monday), 1704093330u);
    // The word must fill its nine characters; otherwise it is today and the
    // hour is read from the eleventh character.
    EXPECT_EQ(parse_date("monday 08:00", monday), 1704067230u);

    const CivilDate friday_after_leap_day{2024, 3, 1};
    EXPECT_EQ(parse_date("thursday  10:00", friday_after_leap_day), 1709200830u);
    EXPECT_EQ(parse_date("yesterday 10:00", friday_after_leap_day), 1709200830u);
    EXPECT_EQ(parse_date("saturday  10:00", friday_after_leap_day), 1708768830u);
    EXPECT_EQ(parse_date("friday    10:00 EST", friday_after_leap_day) % 60, 40u);
}

TEST(ParseDate, TextsThatGiveNoDate) {
    EXPECT_EQ(parse_date(""), 0u);
    EXPECT_EQ(parse_date("monday    08:00"), 0u);  // no reference day
    EXPECT_EQ(parse_date("today     08:00", CivilDate{2024, 2, 30}), 0u);
    EXPECT_EQ(parse_date("1.13.99 10:00"), 0u);  // no month 13
    EXPECT_EQ(parse_date("1.0.99 10:00"), 0u);
    EXPECT_EQ(parse_date("31-Dec-1969 23:59"), 0u);  // before 1970
    EXPECT_EQ(parse_date("1-Jan-70 00:00 +0100"), 0u);
    EXPECT_EQ(parse_date("1-Jan-2107 00:00"), 0u);  // past the 32-bit range
    EXPECT_EQ(parse_date("99999999999999999999-Jan-99999999999999999999 99999999999:99999999999"),
              0u);
}

TEST(FormatDate, UtcAndOwnZone) {
    const uint32_t utc = parse_date("15-Jan-99 10:20");
    const uint32_t est = parse_date("15-Jan-99 10:20 EST");
    const uint32_t edt = parse_date("15-Jan-99 10:20 EDT");

    EXPECT_EQ(format_date(utc, DateRequest::as_chosen), "15-Jan-99 10:20");
    EXPECT_EQ(format_date(est, DateRequest::as_chosen), "15-Jan-99 15:20");

    const DateFormatOptions own_zone{TimeDisplay::own_zone, false};
    const DateFormatOptions own_zone_plain{TimeDisplay::own_zone, true};
    EXPECT_EQ(format_date(est, DateRequest::as_chosen, own_zone), "15-Jan-99 10:20");
    EXPECT_EQ(format_date(est, DateRequest::as_chosen, own_zone_plain), "15-Jan-99 10:20 -0500");
    EXPECT_EQ(format_date(edt, DateRequest::as_chosen, own_zone_plain), "15-Jan-99 10:20 -0400");
    EXPECT_EQ(format_date(est, DateRequest::own_zone), "15-Jan-99 10:20 -0500");
    EXPECT_EQ(format_date(parse_date("1-Jan-70 10:00 +0530"), DateRequest::own_zone),
              "01-Jan-70 10:00 +0530");
    // A date at UTC carries no suffix even where one is asked for.
    EXPECT_EQ(format_date(utc, DateRequest::own_zone), "15-Jan-99 10:20");
    EXPECT_EQ(format_date(0, DateRequest::own_zone), "");
}

// Sets TZ for one test and puts the old value back.
class ScopedTimeZone {
  public:
    explicit ScopedTimeZone(const char* zone) {
        if (const char* old = std::getenv("TZ")) saved_ = old, had_ = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~ScopedTimeZone() {
        if (had_) {
            setenv("TZ", saved_.c_str(), 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
    }

  private:
    std::string saved_;
    bool had_ = false;
};

TEST(FormatDate, LocalTimeUsesTheOffsetInForceAtThatDate) {
    ScopedTimeZone zone("CET-1CEST,M3.5.0,M10.5.0/3");
    const uint32_t winter = parse_date("15-Jan-99 10:20");
    const uint32_t summer = parse_date("15-Jul-99 10:20");
    EXPECT_EQ(format_date(winter, DateRequest::local_time), "15-Jan-99 11:20");
    EXPECT_EQ(format_date(summer, DateRequest::local_time), "15-Jul-99 12:20");
    const DateFormatOptions local_plain{TimeDisplay::local_time, true};
    EXPECT_EQ(format_date(winter, DateRequest::as_chosen, local_plain), "15-Jan-99 11:20 +0100");
    EXPECT_EQ(format_date(summer, DateRequest::as_chosen, local_plain), "15-Jul-99 12:20 +0200");

    ScopedTimeZone quarter_hours("<+0545>-5:45");
    EXPECT_EQ(format_date(winter, DateRequest::as_chosen, local_plain), "15-Jan-99 16:05 +0545");
}

TEST(FormatDate, OwnZoneTextReadsBackToTheSameValue) {
    // Every seconds value stands for a zone; each must survive a round trip.
    for (uint32_t base : {916395600u, 951825600u, 1709200800u, 3124224000u}) {
        for (uint32_t seconds = 0; seconds < 60; ++seconds) {
            const uint32_t value = base + seconds;
            const std::string text = format_date(value, DateRequest::own_zone);
            EXPECT_EQ(parse_date(text), value) << text;
        }
    }
}

TEST(FormatDuration, HoursMinutesSeconds) {
    EXPECT_EQ(format_duration(0), "00:00:00");
    EXPECT_EQ(format_duration(3725), "01:02:05");
    EXPECT_EQ(format_duration(360000), "100:00:00");
}

}  // namespace
}  // namespace orvane::texts
