// orvane settings and user commands as a user meets them: the values the
// program uses, refusals that say why, failed writes that are errors, and
// one way of naming a user everywhere.
#include <gtest/gtest.h>
#include <unistd.h>

#include <string>

#include "platform/file.h"
#include "settings/user_keys.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_directory.h"

namespace orvane::app {
namespace {

using orvane::testing::ProgramRun;
using orvane::testing::run_orvane;

ProgramRun orvane(const std::string& home, const std::string& arguments) {
    return run_orvane("--home '" + home + "' " + arguments);
}

bool holds(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

class SettingsCommandTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ProgramRun added = orvane(home.path(), "user add --name Ann");
        ASSERT_EQ(added.exit_code, 0) << added.err;
    }
    orvane::testing::TempDirectory home;
};

TEST_F(SettingsCommandTest, GetShowsTheValueInUseAndSetRefusesWhatIsNotUsed) {
    EXPECT_EQ(orvane(home.path(), "settings get Options 'Right Margin'").out, "76\n");
    ProgramRun refused = orvane(home.path(), "settings set Options 'Right Margin' abc");
    EXPECT_EQ(refused.exit_code, 2);
    EXPECT_TRUE(holds(refused.err, "a whole number from 20 to 79")) << refused.err;
    EXPECT_EQ(orvane(home.path(), "settings set Options 'Right Margin' 100").exit_code, 2);

    ASSERT_EQ(orvane(home.path(), "settings set --force Options 'Right Margin' 100").exit_code, 0);
    ProgramRun clamped = orvane(home.path(), "settings get Options 'Right Margin'");
    EXPECT_EQ(clamped.out, "79\n");
    EXPECT_TRUE(holds(clamped.err, "stored as '100', which is outside 20 to 79")) << clamped.err;
    EXPECT_EQ(orvane(home.path(), "settings get --raw Options 'Right Margin'").out, "100\n");

    ProgramRun unknown = orvane(home.path(), "settings set --common Common Big x");
    EXPECT_EQ(unknown.exit_code, 2);
    EXPECT_TRUE(holds(unknown.err, "--force")) << unknown.err;
    ProgramRun huge =
        orvane(home.path(), "settings set --common --force Common Big " + std::string(70000, 'x'));
    EXPECT_EQ(huge.exit_code, 2);
    EXPECT_TRUE(holds(huge.err, "cannot be stored")) << huge.err;
    ASSERT_EQ(orvane(home.path(), "settings set --common --force Common Big x").exit_code, 0);
    ProgramRun big = orvane(home.path(), "settings get --common Common Big");
    EXPECT_EQ(big.out, "x\n");
    EXPECT_TRUE(holds(big.err, "not a key of [Common]")) << big.err;
    EXPECT_EQ(orvane(home.path(), "user list").out.find("Ann") != std::string::npos, true);
}

TEST_F(SettingsCommandTest, ListShowsEveryKeyTheProgramReads) {
    ASSERT_EQ(orvane(home.path(), "settings set Options 'Zip Level' 3").exit_code, 0);
    ProgramRun listed = orvane(home.path(), "--json settings list");
    ASSERT_EQ(listed.exit_code, 0) << listed.err;
    for (const auto& bound : settings::user_keys()) {
        if (bound.rule.family != settings::KeyFamily::kSingle) continue;
        EXPECT_TRUE(holds(listed.out, "{\"section\": \"" + std::string(bound.rule.section) +
                                          "\", \"key\": \"" + std::string(bound.rule.key) + "\""))
            << bound.rule.section << "/" << bound.rule.key;
    }
    ProgramRun changed = orvane(home.path(), "settings list --changed Options");
    EXPECT_TRUE(holds(changed.out, "Zip Level")) << changed.out;
    EXPECT_FALSE(holds(changed.out, "Right Margin")) << changed.out;
    ProgramRun common = orvane(home.path(), "settings list --common");
    EXPECT_TRUE(holds(common.out, "Zmodem Window Up")) << common.out;
    EXPECT_TRUE(holds(common.out, "::Users/Ann")) << common.out;
}

TEST_F(SettingsCommandTest, UserNamesAreCheckedAndDeletingSpeaksPlainly) {
    ProgramRun control = orvane(home.path(), "user add --name \"$(printf 'Bob\\033[2J')\"");
    EXPECT_EQ(control.exit_code, 2);
    EXPECT_TRUE(
        holds(control.err, "The name must not hold a line break or another control character"))
        << control.err;
    ProgramRun long_name = orvane(home.path(), "user add --name " + std::string(5000, 'b'));
    EXPECT_EQ(long_name.exit_code, 2);
    EXPECT_TRUE(holds(long_name.err, "The name is longer than 55 characters")) << long_name.err;
    EXPECT_FALSE(holds(orvane(home.path(), "user list").out, "bbbb"));

    ProgramRun erase = orvane(home.path(), "user delete Ann --erase");
    EXPECT_EQ(erase.exit_code, 1);
    EXPECT_TRUE(holds(erase.err, "This will erase the whole folder")) << erase.err;
    EXPECT_TRUE(holds(erase.err,
                      "orvane: there is no terminal to type the confirmation on; give it with "
                      "--confirm \"completely erase user\"\n"))
        << erase.err;
    EXPECT_TRUE(platform::directory_exists(home.file("Users/Ann")));

    ProgramRun removed = orvane(home.path(), "user delete Ann");
    EXPECT_EQ(removed.exit_code, 0);
    EXPECT_EQ(removed.out, "Removed Ann from the list of users; the folder " +
                               home.file("Users/Ann") + " is left as it is.\n");
}

TEST_F(SettingsCommandTest, AFailedWriteIsAnErrorWithTheFileAndTheReason) {
    orvane::testing::TempDirectory other;
    ASSERT_EQ(platform::make_directories(other.file("Orvane.ini")), 0);
    ProgramRun added = orvane(other.path(), "user add --name Ann");
    EXPECT_EQ(added.exit_code, 1);
    EXPECT_TRUE(holds(added.err, other.file("Orvane.ini"))) << added.err;
    EXPECT_TRUE(holds(added.err, "Is a directory")) << added.err;
    EXPECT_FALSE(holds(added.out, "Added"));
    EXPECT_FALSE(platform::directory_exists(other.file("Users/Ann")));
}

TEST_F(SettingsCommandTest, AUserIsNamedTheSameWayByEveryCommand) {
    ASSERT_EQ(orvane(home.path(), "user add --node M --name Ann").exit_code, 0);  // folder Ann.1
    ProgramRun both = orvane(home.path(), "--user ann settings get User Node");
    EXPECT_EQ(both.exit_code, 1);
    EXPECT_TRUE(holds(both.err, home.file("Users/Ann.1"))) << both.err;
    EXPECT_EQ(orvane(home.path(), "--user Ann.1 settings get User Node").out, "77\n");
    EXPECT_EQ(
        orvane(home.path(), "--user '" + home.file("Users/Ann.1") + "/' settings get User Node")
            .out,
        "77\n");
    ASSERT_EQ(orvane(home.path(), "user default Ann.1").exit_code, 0);
    EXPECT_EQ(orvane(home.path(), "settings get User Node").out, "77\n");
    ProgramRun shell = orvane(home.path(), "--user Ann.1 shell");
    EXPECT_EQ(shell.exit_code, 0) << shell.err;
    EXPECT_TRUE(holds(shell.err, "Opened Ann in " + home.file("Users/Ann.1"))) << shell.err;
    // The cabinet commands take the same forms.
    ProgramRun boxes = orvane(home.path(), "--user Ann.1 box list");
    EXPECT_EQ(boxes.exit_code, 0) << boxes.err;
    EXPECT_TRUE(holds(orvane(home.path(), "--user ann box list").err, "Give the folder instead"));
}

TEST_F(SettingsCommandTest, ARelativeProgramDirectoryWorksAfterTheUserIsOpened) {
    const std::string in_home = "cd '" + home.path() + "' && ";
    ProgramRun added = run_orvane("--home rh user add --name Cy", {}, in_home);
    ASSERT_EQ(added.exit_code, 0) << added.err;
    ProgramRun shell = run_orvane("--home rh --user Cy shell", {}, in_home);
    EXPECT_EQ(shell.exit_code, 0) << shell.err;
    EXPECT_FALSE(holds(shell.err, "Cannot")) << shell.err;
    EXPECT_TRUE(platform::file_exists(home.file("rh/Users/Cy/fcabinet.cab")));
}

}  // namespace
}  // namespace orvane::app
