// Schedule prefixes, the command body with its prefixes, uploads and text,
// the subject, and the test for a command already in a command text.
#include <gtest/gtest.h>

#include "commands/command_body.h"
#include "commands/command_dates.h"
#include "commands/schedule.h"
#include "tests/support/status_matchers.h"

namespace orvane::commands {
namespace {

std::string prefix_of(const ScheduleRequest& request) {
    platform::Result<std::string> prefix = schedule_prefix(request);
    return prefix.ok() ? *prefix : "!" + prefix.status().text();
}

TEST(Schedule, PrefixForms) {
    EXPECT_EQ(prefix_of({true, "garbage", std::nullopt}), "@sub sched ");
    EXPECT_EQ(prefix_of({false, "5.3.2027", std::nullopt}), "@sched 05-Mar-27 ");
    EXPECT_EQ(prefix_of({false, "5 mar 27", Repetition{"", RepeatUnit::kWeek, "30-6-2027"}}),
              "@sched 05-Mar-27 every week until 30-Jun-27 ");
    EXPECT_EQ(prefix_of({false, "1-1-2028", Repetition{"2", RepeatUnit::kMonth, std::nullopt}}),
              "@sched 01-Jan-28 every 2 month ");
    EXPECT_EQ(prefix_of({false, "29 February 2028", Repetition{"", RepeatUnit::kYear, {}}}),
              "@sched 29-Feb-28 every year ");
}

TEST(Schedule, DatesAndCountsAreChecked) {
    EXPECT_EQ(prefix_of({false, "", std::nullopt}), "!The first date is missing");
    EXPECT_EQ(prefix_of({false, "29-2-2027", std::nullopt}), "!The first date is invalid");
    EXPECT_EQ(prefix_of({false, "1-1-28", Repetition{"", RepeatUnit::kDay, ""}}),
              "!The last date is missing");
    EXPECT_EQ(prefix_of({false, "1-1-28", Repetition{"", RepeatUnit::kDay, "soon"}}),
              "!The last date is invalid");
    EXPECT_EQ(prefix_of({false, "1-1-28", Repetition{"123456", RepeatUnit::kDay, {}}}),
              "!The number of days, weeks, months or years is invalid");
    EXPECT_EQ(prefix_of({false, "1-1-28", Repetition{"x", RepeatUnit::kDay, {}}}),
              "!The number of days, weeks, months or years is invalid");
    // Every zero days, or until a day before the first, would never run as meant.
    EXPECT_EQ(prefix_of({false, "1-1-28", Repetition{"00", RepeatUnit::kDay, {}}}),
              "!The number of days, weeks, months or years is invalid");
    EXPECT_EQ(prefix_of({false, "2-1-28", Repetition{"", RepeatUnit::kDay, "1-1-28"}}),
              "!The last date is invalid");
    EXPECT_EQ(prefix_of({false, "1-1-28", Repetition{"", RepeatUnit::kDay, "1-1-28"}}),
              "@sched 01-Jan-28 every day until 01-Jan-28 ");
    EXPECT_EQ(unit_of_word("Weeks"), RepeatUnit::kWeek);
    EXPECT_EQ(unit_of_word("fortnight"), std::nullopt);
}

TEST(CommandDates, FormsThatAreReadAndRefused) {
    auto date = [](std::string_view text) {
        std::optional<texts::CivilDate> parsed = parse_command_date(text);
        return parsed ? server_date(*parsed) : "-";
    };
    EXPECT_EQ(date("05-Mar-27"), "05-Mar-27");
    EXPECT_EQ(date("5/12/1999"), "05-Dec-99");
    EXPECT_EQ(date("2027-03-05"), "05-Mar-27");
    EXPECT_EQ(date("1 sept 2030"), "01-Sep-30");
    EXPECT_EQ(date("31 Apr 2027"), "-");
    EXPECT_EQ(date("1 ma 2027"), "-");
    EXPECT_EQ(date("1 2027"), "-");
    EXPECT_EQ(date("1-1-1-1"), "-");
    EXPECT_EQ(date("1-1-123"), "-");
    EXPECT_EQ(date("001-1-2027"), "-");
}

platform::Result<CommandBody> body_of(std::string_view text, std::string_view prefix = "@",
                                      std::string_view following = {}) {
    return build_command_body(text, following, prefix, {});
}

TEST(CommandBody, EveryLineGetsThePrefixOnce) {
    platform::Result<CommandBody> body = body_of("join Chess  \n\n  @withdraw Go\n@\n");
    ASSERT_OK(body);
    EXPECT_EQ(body->lines, (std::vector<std::string>{"@join Chess", "@withdraw Go"}));
    EXPECT_EQ(body->text(), "@join Chess\n@withdraw Go\n");
}

TEST(CommandBody, TwoCommandsEachGetTheWholeSchedulePrefix) {
    platform::Result<std::string> prefix =
        schedule_prefix({false, "1-2-2027", Repetition{"3", RepeatUnit::kDay, "1-3-2027"}});
    ASSERT_OK(prefix);
    platform::Result<CommandBody> body = body_of("suspend Chess\n@suspend Go", *prefix);
    ASSERT_OK(body);
    EXPECT_EQ(body->lines, (std::vector<std::string>{
                               "@sched 01-Feb-27 every 3 day until 01-Mar-27 suspend Chess",
                               "@sched 01-Feb-27 every 3 day until 01-Mar-27 suspend Go"}));
    platform::Result<CommandBody> removal = body_of("suspend Chess\nsuspend Go", "@sub sched ");
    ASSERT_OK(removal);
    EXPECT_EQ(removal->lines,
              (std::vector<std::string>{"@sub sched suspend Chess", "@sub sched suspend Go"}));
}

TEST(CommandBody, UploadLinesNameTheFileAsThePacketDeliversIt) {
    platform::Result<CommandBody> body = build_command_body(
        "upload Photos\n+\"/home/ann/my pics/cat 1.jpg\" \"Our cat\"\n+/tmp/b.txt", {}, "@",
        [](std::string_view path) { return "[" + std::string(path) + "]"; });
    ASSERT_OK(body);
    EXPECT_EQ(body->lines, (std::vector<std::string>{"@upload Photos",
                                                     "@+[/home/ann/my pics/cat 1.jpg] \"Our cat\"",
                                                     "@+[/tmp/b.txt]"}));
    EXPECT_EQ(body->uploads,
              (std::vector<UploadFile>{{"/home/ann/my pics/cat 1.jpg", "\"Our cat\""},
                                       {"/tmp/b.txt", ""}}));
}

TEST(CommandBody, TextFollowsTheDotLineAndCannotSmuggleCommands) {
    platform::Result<CommandBody> body =
        body_of("change note Chess\n...\nnever a command", "@", "Welcome!  \n@erase text 5\n\n");
    ASSERT_OK(body);
    EXPECT_EQ(body->lines,
              (std::vector<std::string>{"@change note Chess", "Welcome!", "@@erase text 5", ""}));
}

TEST(CommandBody, EmptyAndOverlongCommandsAreRefused) {
    EXPECT_EQ(body_of("  \n@ \n").status().id(), platform::MessageId::kCommandIncomplete);
    EXPECT_EQ(body_of("...\ntext").status().id(), platform::MessageId::kCommandIncomplete);
    std::string lines;
    for (int i = 0; i < 3000; ++i) lines += "join conference number " + std::to_string(i) + "\n";
    EXPECT_EQ(body_of(lines).status().id(), platform::MessageId::kCommandTooLong);
}

TEST(CommandSubject, FirstLineOrUploadCutAtABlank) {
    EXPECT_EQ(command_subject("join Chess\nwithdraw Go", false), "join Chess");
    EXPECT_EQ(command_subject("\n  join Chess", false), "join Chess");
    EXPECT_EQ(command_subject("upload Photos\n+\"/a b/cat.jpg\" \"x\"", false), "Upload cat.jpg");
    std::string long_line = "join " + std::string(60, 'a') + " " + std::string(10, 'b');
    EXPECT_EQ(command_subject(long_line, false), "join " + std::string(60, 'a'));
    EXPECT_EQ(command_subject(std::string(100, 'x'), false), std::string(69, 'x'));
    EXPECT_EQ(command_subject("join Chess", true), "Schedule join Chess");
    std::string scheduled = command_subject(long_line, true);
    EXPECT_LE(scheduled.size(), kMaxSubject);
    EXPECT_EQ(scheduled, "Schedule join");
}

TEST(CommandBody, ContainedCommands) {
    platform::Result<CommandBody> body = body_of("join Chess\njoin Go");
    ASSERT_OK(body);
    EXPECT_TRUE(body_contains("@withdraw X\n@join Chess\n@join Go\n", *body));
    EXPECT_FALSE(body_contains("@join Chess\n@withdraw X\n@join Go\n", *body));
    EXPECT_FALSE(body_contains("@join Chess\n", *body));
    EXPECT_FALSE(body_contains("", *body));
}

}  // namespace
}  // namespace orvane::commands
