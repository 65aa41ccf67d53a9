// The `orvane date` commands, run as a user would run them.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/support/run_program.h"

namespace {

using orvane::testing::ProgramRun;

ProgramRun in_utc(const std::string& arguments) {
    return orvane::testing::run_orvane(arguments, {}, "TZ=UTC0");
}

TEST(DateCommand, ParseShowsStoredValueUtcAndZone) {
    const ProgramRun run = in_utc("date parse '15-Jan-99 10:20 EST'");
    EXPECT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out,
              "Stored value:  916413640\n"
              "UTC:           1999-01-15 15:20:40 UTC\n"
              "Recorded zone: -0500\n");
    const ProgramRun json = in_utc("--json date parse 'tuesday   08:00' --ref-date 2024-01-01");
    EXPECT_EQ(
        json.out,
        "{\"stored\": 1703577630, \"utc\": \"2023-12-26 08:00:30 UTC\", \"zone\": \"+0000\"}\n");
}

TEST(DateCommand, FormatTypes) {
    EXPECT_EQ(in_utc("date format 916413640").out, "15-Jan-99 15:20\n");
    EXPECT_EQ(in_utc("date format 916413640 --type 2").out, "15-Jan-99 10:20 -0500\n");
    EXPECT_EQ(in_utc("date format 916413640 --time-display 2").out, "15-Jan-99 10:20\n");
    EXPECT_EQ(in_utc("date format 916413640 --time-display 2 --plain").out,
              "15-Jan-99 10:20 -0500\n");
}

TEST(DateCommand, FailuresAndBadUsage) {
    EXPECT_EQ(in_utc("date parse '1.13.99 10:00'").exit_code, 1);
    EXPECT_EQ(in_utc("date parse today --ref-date 2024-02-30").exit_code, 2);
    EXPECT_EQ(in_utc("date format 5 --type 1").exit_code, 2);
    EXPECT_EQ(in_utc("date format -5").exit_code, 2);
}

TEST(DateCommand, TextWithoutADateOrWithAnUnknownZoneIsSaidSo) {
    for (const char* text : {"", "garbage", "tomorrow"}) {
        const ProgramRun run =
            in_utc(std::string("date parse '") + text + "' --ref-date 2024-01-03");
        EXPECT_EQ(run.exit_code, 1) << text;
        EXPECT_NE(run.err.find("holds no date"), std::string::npos) << text << ": " << run.err;
        EXPECT_EQ(run.out, "") << text;
    }
    for (const char* text : {"15-Jan-99 10:20 XYZ", "15-Jan-99 10:20 +9999"}) {
        const ProgramRun run = in_utc(std::string("date parse '") + text + "'");
        EXPECT_EQ(run.exit_code, 1) << text;
        EXPECT_NE(run.err.find("zone that is not known"), std::string::npos) << run.err;
    }
    EXPECT_EQ(in_utc("date parse 'today      08:00' --ref-date 2024-01-03").exit_code, 0);
    EXPECT_EQ(in_utc("date parse 'today      08:00' --ref-date 2024-13-03").exit_code, 2);
}

}  // namespace
