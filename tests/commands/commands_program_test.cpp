// orvane commands, run as a user would: listing, favourites, commands into
// the Out-Basket, their follow-ups, and the packet that carries them.
#include <gtest/gtest.h>

#include <string>

#include "platform/file.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_directory.h"

namespace orvane::commands {
namespace {

using orvane::testing::ProgramRun;

class CommandsProgram : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(orvane("user add --node C --name 'Ann Lee'").exit_code, 0); }

    ProgramRun orvane(const std::string& arguments) {
        return orvane::testing::run_orvane("--home '" + dir + "' --yes " + arguments);
    }
    std::string packet() {
        ProgramRun built = orvane("packet build --plain");
        EXPECT_EQ(built.exit_code, 0) << built.err;
        std::string text;
        EXPECT_EQ(platform::read_whole_file(built.out.substr(0, built.out.find('\n')), &text), 0);
        return text;
    }

    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
};

TEST_F(CommandsProgram, ListShowAndFavourites) {
    ProgramRun list = orvane("commands list");
    ASSERT_EQ(list.exit_code, 0) << list.err;
    EXPECT_TRUE(list.out.starts_with("  Manually\nCONFERENCES:\n    Join a conference\n"));
    EXPECT_NE(list.out.find("CHANGE MY SETTINGS: (collapsed)\nFILES:"), std::string::npos);
    // Organizers' commands are not for a user of privilege 2.
    EXPECT_EQ(list.out.find("ORGANIZERS"), std::string::npos);
    EXPECT_NE(orvane("commands list --all").out.find("    Change my secretary"), std::string::npos);
    ProgramRun topic = orvane("commands list --topic 'change my'");
    EXPECT_TRUE(topic.out.starts_with("    Change my name\n")) << topic.out << topic.err;
    EXPECT_EQ(topic.out.find("CONFERENCES"), std::string::npos);

    ASSERT_EQ(orvane("commands favorite 'Join a'").exit_code, 0);
    EXPECT_TRUE(orvane("commands list").out.starts_with("  Manually\n! Join a conference\n"));
    EXPECT_NE(orvane("--json commands list")
                  .out.find("\"text\": \"Join a conference\", \"topic\": "
                            "false, \"block\": \"favourites\""),
              std::string::npos);
    ASSERT_EQ(orvane("commands favorite 'Join a conference' --off").exit_code, 0);
    EXPECT_TRUE(orvane("commands list").out.starts_with("  Manually\nCONFERENCES:\n"));
    EXPECT_EQ(orvane("commands favorite CONFERENCES:").exit_code, 1);

    ProgramRun show = orvane("commands show 'Resume a conference'");
    EXPECT_NE(show.out.find("  C  Conference Name: a name"), std::string::npos) << show.out;
    EXPECT_NE(show.out.find("  a  All: --tick a"), std::string::npos);
    // "For" is a field of operators only.
    ProgramRun secretary = orvane("commands show 'Change my secretary'");
    EXPECT_NE(secretary.out.find("  S  Secretary: a name"), std::string::npos) << secretary.out;
    EXPECT_EQ(secretary.out.find("For"), std::string::npos);
    EXPECT_EQ(orvane("commands add 'Create a user' --set L=Bo --dry-run").exit_code, 1);
    EXPECT_EQ(orvane("commands show 'No such thing'").exit_code, 1);
}

TEST_F(CommandsProgram, DryRunsShowLinesAndRefuseWhatIsIncomplete) {
    ProgramRun resume = orvane(
        "commands add 'Resume a conference' --set C=Chess --tick a --schedule-on 5-3-2027 "
        "--every week --until 30-6-2027 --dry-run");
    ASSERT_EQ(resume.exit_code, 0) << resume.err;
    EXPECT_EQ(resume.out,
              "@sched 05-Mar-27 every week until 30-Jun-27 unsuspend Chess unread all\n"
              "Subject: Schedule unsuspend Chess unread all\n");
    EXPECT_EQ(orvane("commands add 'Resume a conference' --set C=Chess --unschedule --dry-run").out,
              "@sub sched unsuspend Chess\nSubject: Schedule unsuspend Chess\n");

    ProgramRun withdraw = orvane("commands add Withdraw --dry-run");
    EXPECT_EQ(withdraw.exit_code, 1);
    EXPECT_NE(withdraw.err.find("Conference Name is missing"), std::string::npos);
    ProgramRun schedule = orvane("commands add 'List my conferences' --schedule-on 1-1-2027");
    EXPECT_EQ(schedule.exit_code, 1);
    EXPECT_NE(schedule.err.find("cannot be scheduled"), std::string::npos);
    EXPECT_NE(orvane("commands add 'Join a conference' --set C=X --schedule-on 31-2-2027")
                  .err.find("The first date is invalid"),
              std::string::npos);
    EXPECT_EQ(orvane("commands add 'Join a conference' --set C=X --until 1-1-2027").exit_code, 2);

    ProgramRun password = orvane("commands add 'Change my password' --tick k --dry-run");
    ASSERT_EQ(password.exit_code, 0);
    EXPECT_TRUE(password.out.starts_with("New password: ")) << password.out;
    EXPECT_NE(password.out.find("\n@change password myself ~"), std::string::npos);
}

TEST_F(CommandsProgram, CommandsFollowUpsAndUploadsTravelInThePacket) {
    ASSERT_EQ(orvane("commands add 'Join a conference' --set C=Chess").exit_code, 0);
    ProgramRun again = orvane("commands add 'Join a conference' --set C=Chess");
    EXPECT_EQ(again.exit_code, 1);
    EXPECT_NE(again.err.find("already in the out-basket"), std::string::npos);

    ASSERT_EQ(orvane("commands add 'Change my secretary' --set 'S=Eve Adams'").exit_code, 0);
    std::string settings;
    ASSERT_EQ(platform::read_whole_file(dir + "/Users/AnnLee/Orvane.ini", &settings), 0);
    EXPECT_NE(settings.find("Secretary=Eve Adams"), std::string::npos) << settings;
    // The same secretary again changes nothing: the command is not complete.
    EXPECT_EQ(orvane("commands add 'Change my secretary' --set 'S=Eve Adams'").exit_code, 1);

    ASSERT_EQ(orvane("commands add 'Change my name' --set 'L=Ann Smith' --tick i").exit_code, 0);

    ASSERT_EQ(platform::write_whole_file(dir + "/cat photo.txt", "meow\n", 5), 0);
    ProgramRun upload = orvane("commands add 'Upload a file' --set W=Photos --set 'u=" + dir +
                               "/cat photo.txt' --set 'u.description=Our cat'");
    ASSERT_EQ(upload.exit_code, 0) << upload.err;
    EXPECT_NE(upload.out.find("Subject: Upload cat photo.txt"), std::string::npos);
    EXPECT_EQ(orvane("commands add 'Upload a file' --set W=Photos --set u=/no/such").exit_code, 1);
    ASSERT_EQ(
        orvane("commands add Manually --command 'list news' --command '@show schedule'").exit_code,
        0);

    std::string sent = packet();
    EXPECT_NE(sent.find("\r\n@join Chess\r\n"), std::string::npos) << sent;
    EXPECT_NE(sent.find("\r\n@change secretary myself Eve Adams\r\n"), std::string::npos);
    EXPECT_NE(sent.find("\r\n@change name myself Ann Smith\r\n"), std::string::npos);
    EXPECT_NE(sent.find("@To Names\r\n@subj Ann Lee\r\nis now Ann Smith.\r\n"), std::string::npos);
    EXPECT_NE(sent.find("@file cat_photo.txt 2 "), std::string::npos);
    EXPECT_NE(sent.find(" \"Our cat\"\r\n"), std::string::npos);
    EXPECT_NE(sent.find("\r\n@upload Photos\r\n@+cat_photo.txt \"Our cat\"\r\n"),
              std::string::npos);
    EXPECT_LT(sent.find("@file cat_photo.txt"), sent.find("@upload Photos"));
    EXPECT_NE(sent.find("\r\n@list news\r\n@show schedule\r\n"), std::string::npos);
    EXPECT_EQ(sent.find(dir), std::string::npos);  // no local path reaches the server
}

}  // namespace
}  // namespace orvane::commands
