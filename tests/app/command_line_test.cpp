// The user, node, settings and shell commands, run as the installed program.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <cstdio>
#include <string>

#include "platform/file.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_directory.h"

namespace orvane::app {
namespace {

using orvane::testing::ProgramRun;

// Both streams together: these tests read what the user sees.
ProgramRun orvane(const std::string& home, const std::string& arguments) {
    ProgramRun run = orvane::testing::run_orvane("--home '" + home + "' " + arguments);
    run.out += run.err;
    return run;
}

TEST(CommandLineTest, UsersAreAddedListedAndErased) {
    orvane::testing::TempDirectory home;
    ProgramRun add = orvane(home.path(), "user add --node C --name 'Ann Lee-Smith'");
    ASSERT_EQ(add.exit_code, 0) << add.out;
    for (const char* sub : {"LOG", "FILES", "UP", "DOWN"}) {
        EXPECT_TRUE(platform::directory_exists(home.file("Users/AnnLee-S/") + sub));
    }
    EXPECT_TRUE(platform::file_exists(home.file("Users/AnnLee-S/Orvane.ini")));
    ASSERT_EQ(orvane(home.path(), "user add --node CORVID --name 'Ann Lee-Smithers'").exit_code, 0);
    EXPECT_TRUE(platform::directory_exists(home.file("Users/AnnLee-S.1")));
    EXPECT_EQ(orvane(home.path(), "user add --node Q --name Nobody").exit_code, 2);

    ProgramRun list = orvane(home.path(), "user list");
    EXPECT_NE(list.out.find("Ann Lee-Smith "), std::string::npos) << list.out;
    EXPECT_NE(list.out.find(home.file("Users/AnnLee-S.1")), std::string::npos);

    EXPECT_EQ(orvane(home.path(), "user delete 'Ann Lee-Smithers' --erase --confirm 'erase it'")
                  .exit_code,
              1);
    EXPECT_TRUE(platform::directory_exists(home.file("Users/AnnLee-S.1")));
    ASSERT_EQ(
        orvane(home.path(), "user delete AnnLee-S.1 --erase --confirm 'completely erase user'")
            .exit_code,
        0);
    EXPECT_FALSE(platform::directory_exists(home.file("Users/AnnLee-S.1")));
    EXPECT_EQ(orvane(home.path(), "--json user list").out.find("Smithers"), std::string::npos);
}

TEST(CommandLineTest, NodesSettingsAndTheShell) {
    orvane::testing::TempDirectory home;
    ProgramRun nodes = orvane(home.path(), "--json node list");
    ASSERT_EQ(nodes.exit_code, 0);
    EXPECT_NE(nodes.out.find(
                  "{\"letter\": \"C\", \"name\": \"CORVID\", \"alias\": \"CRV\", \"active\": true"),
              std::string::npos)
        << nodes.out;
    EXPECT_NE(nodes.out.find("\"connections\": [\"127.0.0.1:2323\""), std::string::npos);

    EXPECT_EQ(orvane(home.path(), "settings get User Name").exit_code, 1);  // no user yet
    ASSERT_EQ(orvane(home.path(), "user add --name Bob").exit_code, 0);
    ASSERT_EQ(orvane(home.path(), "settings set Options 'Right Margin' 60").exit_code, 0);
    EXPECT_EQ(orvane(home.path(), "settings get options 'right margin'").out, "60\n");
    ASSERT_EQ(orvane(home.path(), "settings set --common Common Connection 2").exit_code, 0);
    EXPECT_NE(orvane(home.path(), "node list").out.find("* 2  "), std::string::npos);

    ProgramRun shell = orvane(home.path(), "--user Bob shell");
    EXPECT_EQ(shell.exit_code, 0) << shell.out;
    EXPECT_NE(shell.out.find("Opened Bob in " + home.file("Users/Bob")), std::string::npos)
        << shell.out;
    EXPECT_EQ(orvane(home.path(), "--user Nobody shell").exit_code, 1);
}

}  // namespace
}  // namespace orvane::app
