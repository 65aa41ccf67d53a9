#include "app/application.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <deque>
#include <filesystem>

#include "platform/directories.h"
#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "platform/virtual_clock.h"
#include "settings/ini_values.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::app {
namespace {

using orvane::testing::TempDirectory;

constexpr platform::PostedMessage kTestMessage = platform::PostedMessage::kHelpRequest;

class ApplicationTest : public ::testing::Test {
  protected:
    ApplicationTest() : saved_directory_(platform::current_directory()) {}
    ~ApplicationTest() override { (void)platform::change_directory(saved_directory_); }

    // An application whose chooser records its calls and answers from `choices`.
    std::unique_ptr<Application> make_application() {
        auto application = std::make_unique<Application>(ui, [this](const settings::UsersList&) {
            ++chooser_calls;
            std::optional<UserChoice> choice;
            if (!choices.empty()) {
                choice = choices.front();
                choices.pop_front();
            }
            return choice;
        });
        // Each opened user leaves the main loop at once through the action below.
        application->set_message_handler(kTestMessage,
                                         [this, app = application.get()](const platform::Message&) {
                                             opened.push_back(app->open_user()->folder);
                                             if (on_open) on_open(*app);
                                             if (quit_after_open)
                                                 app->request_quit();
                                             else
                                                 app->request_user_switch();
                                         });
        return application;
    }

    void add_users(Application& application, std::initializer_list<const char*> names) {
        for (const char* name : names) {
            settings::NewUserRequest request{
                'C', name, "pw",
                settings::propose_user_folder(application.places().users_directory(), name)};
            ASSERT_GE(application.request_new_user(request), 0);
        }
    }

    TempDirectory home;
    platform::ScriptedUi ui;
    int chooser_calls = 0;
    std::deque<UserChoice> choices;
    std::vector<std::string> opened;
    std::function<void(Application&)> on_open;
    bool quit_after_open = true;

  private:
    std::string saved_directory_;
};

TEST_F(ApplicationTest, StartingInAnEmptyDirectoryWritesTheNodeInformation) {
    auto application = make_application();
    ASSERT_TRUE(application->initialise({home.path(), {}}));
    EXPECT_TRUE(platform::file_exists(home.file("NodeInfo.ini")));
    EXPECT_TRUE(application->nodes().is_active('C'));
    EXPECT_TRUE(application->users().users.empty());
    application->shutdown();
    std::string common;
    ASSERT_EQ(platform::read_whole_file(home.file("Orvane.ini"), &common), 0);
    EXPECT_NE(common.find("Version=55"), std::string::npos);
}

TEST_F(ApplicationTest, ANewerCommonFileThatIsRefusedEndsTheStart) {
    ASSERT_EQ(platform::write_whole_file(home.file("Orvane.ini"), "[Common]\nVersion=60\n", 20), 0);
    ui.answers.push_back(platform::Answer::No);
    auto application = make_application();
    EXPECT_EQ(application->run({home.path(), {}}), RunResult::Refused);
    std::string common;
    ASSERT_EQ(platform::read_whole_file(home.file("Orvane.ini"), &common), 0);
    EXPECT_EQ(common, "[Common]\nVersion=60\n");
}

TEST_F(ApplicationTest, TheOnlyUserIsOpenedWithoutAsking) {
    auto application = make_application();
    ASSERT_TRUE(application->initialise({home.path(), {}}));
    add_users(*application, {"Ann"});
    application->loop().post({kTestMessage, 0, 0});
    on_open = [](Application& app) { app.open_user()->settings.values.options.right_margin = 60; };
    application->run_user_loop();
    EXPECT_EQ(chooser_calls, 0);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], home.file("Users/Ann"));
    EXPECT_EQ(platform::current_directory(), home.path());
    application->shutdown();

    settings::IniCache cache;
    settings::IniFile file = cache.open(home.file("Users/Ann"), "Orvane.ini");
    EXPECT_EQ(settings::get_int(file, "Options", "Right Margin", 0), 60);
}

TEST_F(ApplicationTest, TwoUsersWithAMissingDefaultAreAskedForAndOfferedAgain) {
    auto application = make_application();
    ASSERT_TRUE(application->initialise({home.path(), {}}));
    add_users(*application, {"Ann", "Bob"});
    ASSERT_OK(application->users().set_default(application->common().file(), 1, home.path()));
    std::filesystem::remove_all(home.file("Users/Bob"));
    choices = {UserChoice{0, true}};
    quit_after_open = false;  // closing a user returns to the selection
    application->loop().post({kTestMessage, 0, 0});
    application->run_user_loop();
    EXPECT_EQ(chooser_calls, 2);
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], home.file("Users/Ann"));
    EXPECT_EQ(application->users().default_index, 0);
}

TEST_F(ApplicationTest, ACabinetOnTheCommandLineOpensTheFolderThatHoldsIt) {
    std::string elsewhere = home.file("elsewhere");
    ASSERT_EQ(platform::make_directories(elsewhere), 0);
    auto application = make_application();
    ASSERT_TRUE(application->initialise({home.path(), elsewhere + "/my.cab"}));
    add_users(*application, {"Ann"});
    on_open = [&](Application& app) {
        EXPECT_EQ(app.open_user()->index, -1);
        EXPECT_EQ(app.open_user()->cabinet, elsewhere + "/my.cab");
        EXPECT_EQ(platform::current_directory(), elsewhere);
    };
    application->loop().post({kTestMessage, 0, 0});
    application->run_user_loop();
    ASSERT_EQ(opened.size(), 1u);
    EXPECT_EQ(opened[0], elsewhere);
}

TEST_F(ApplicationTest, PendingNoticesAreShownOnceAndANewUserWaitsForTheClose) {
    auto application = make_application();
    ASSERT_TRUE(application->initialise({home.path(), {}}));
    add_users(*application, {"Ann"});
    {
        settings::IniCache cache;
        settings::IniFile file = cache.open(home.file("Users/Ann"), "Orvane.ini");
        file.put_string("User", "Messages", "3");
        ASSERT_OK(file.commit());
    }
    on_open = [](Application& app) {
        settings::NewUserRequest request{'C', "Cy", "", app.places().users_directory() + "/Cy"};
        EXPECT_EQ(app.request_new_user(request), -1);
        EXPECT_EQ(app.users().users.size(), 1u);
    };
    application->loop().post({kTestMessage, 0, 0});
    application->run_user_loop();
    // The question that creates Ann's filing cabinet, then the two notices.
    ASSERT_EQ(ui.shown.size(), 3u);
    EXPECT_NE(ui.shown[0].text.find("filing cabinet"), std::string::npos);
    EXPECT_NE(ui.shown[2].text.find("excluded from batch sessions"), std::string::npos);
    ASSERT_EQ(application->users().users.size(), 2u);
    EXPECT_TRUE(platform::directory_exists(home.file("Users/Cy/LOG")));

    settings::IniCache cache;
    settings::IniFile file = cache.open(home.file("Users/Ann"), "Orvane.ini");
    EXPECT_EQ(settings::get_int(file, "User", "Messages", -1), 0);
}

TEST_F(ApplicationTest, ARelativeProgramDirectoryIsMadeAbsoluteAtTheStart) {
    ASSERT_EQ(platform::change_directory(home.path()), 0);
    ASSERT_EQ(platform::make_directories(home.file("rh")), 0);
    auto application = make_application();
    ASSERT_EQ(application->start({"rh/", {}}), RunResult::Ok);
    EXPECT_EQ(application->program_directory(), home.file("rh"));
    add_users(*application, {"Ann"});
    EXPECT_EQ(application->users().users[0].folder, home.file("rh/Users/Ann"));
    // Opening the user changes the current directory; the user's settings
    // are still written where they belong.
    on_open = [](Application& app) { app.open_user()->settings.values.options.right_margin = 61; };
    application->loop().post({kTestMessage, 0, 0});
    application->run_user_loop();
    application->shutdown();
    settings::IniCache cache;
    settings::IniFile file = cache.open(home.file("rh/Users/Ann"), "Orvane.ini");
    EXPECT_EQ(settings::get_int(file, "Options", "Right Margin", 0), 61);
    EXPECT_TRUE(platform::file_exists(home.file("rh/Users/Ann/fcabinet.cab")));
    for (const auto& box : ui.shown)
        EXPECT_EQ(box.text.find("Cannot"), std::string::npos) << box.text;
}

TEST_F(ApplicationTest, AStartWaitsForAnotherCopyAndNamesItWhenGivingUp) {
    platform::SingleInstance other;
    ASSERT_EQ(other.acquire(home.path()), 0);
    platform::VirtualClockEnv clock;
    Application application(ui, nullptr, clock);
    StartOptions options{home.path(), {}};
    options.wait_for_other_ms = 5000;
    EXPECT_EQ(application.start(options), RunResult::AlreadyRunning);
    EXPECT_GE(clock.tick_count(), 5000u);
    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_NE(ui.shown[0].text.find("Waiting for it to finish"), std::string::npos);
    EXPECT_NE(ui.shown[1].text.find("(process " + std::to_string(::getpid()) + ")"),
              std::string::npos)
        << ui.shown[1].text;
    other.release();
    EXPECT_EQ(application.start(options), RunResult::Ok);
    application.shutdown();
}

TEST_F(ApplicationTest, TheTickForwardsOnlyWhileAModalDialogRuns) {
    auto application = make_application();
    int polls = 0;
    std::vector<int> modal_commands;
    application->set_per_second_poll([&] { ++polls; });
    application->tick(1000);
    application->set_modal_dialog([&](int command) { modal_commands.push_back(command); });
    application->tick(2000);
    application->set_modal_dialog(nullptr);
    application->tick(3000);
    EXPECT_EQ(polls, 2);
    EXPECT_EQ(modal_commands, std::vector<int>{388});
}

}  // namespace
}  // namespace orvane::app
