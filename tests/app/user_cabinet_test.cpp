#include "app/user_cabinet.h"

#include <gtest/gtest.h>

#include "cabinet/fixed_boxes.h"
#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "settings/ini_file.h"
#include "settings/settings_version.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::app {
namespace {

class UserCabinetTest : public ::testing::Test {
  protected:
    // A user whose settings were last written by version 53.
    void load_user() {
        {
            settings::IniFile file = cache_.open(home_.path(), "Orvane.ini");
            file.put_string("Orvane", "Version", "53");
            ASSERT_OK(file.commit());
        }
        ASSERT_TRUE(session_.settings.load(cache_, home_.path(), home_.path(), gate_, ui_));
        session_.cabinet = home_.file("fcabinet.cab");
    }
    ~UserCabinetTest() override {
        EXPECT_OK(close_user_cabinet(session_));
        session_.settings.close();
    }

    orvane::testing::TempDirectory home_;
    settings::IniCache cache_;
    settings::VersionGate gate_;
    platform::ScriptedUi ui_;
    UserSession session_;
};

TEST_F(UserCabinetTest, MissingCabinetIsCreatedOnlyAfterTheQuestion) {
    load_user();
    ui_.answers.push_back(platform::Answer::No);
    EXPECT_TRUE(open_user_cabinet(session_, ui_, platform::system_env()).is_cancelled());
    EXPECT_FALSE(platform::file_exists(session_.cabinet));
    ui_.answers.push_back(platform::Answer::Yes);
    ASSERT_OK(open_user_cabinet(session_, ui_, platform::system_env()));
    EXPECT_TRUE(platform::file_exists(session_.cabinet));
    EXPECT_EQ(ui_.shown.size(), 2u);
}

TEST_F(UserCabinetTest, NewsOfLaterVersionsLandInTheInBasket) {
    load_user();
    for (int version : {53, 54, 55}) {
        const std::string text = "News of " + std::to_string(version) + "\r\nsecond line";
        ASSERT_EQ(
            platform::write_whole_file(home_.file("README" + std::to_string(version) + ".txt"),
                                       text.data(), text.size()),
            0);
    }
    ASSERT_OK(open_user_cabinet(session_, ui_, platform::system_env()));
    ASSERT_OK(deliver_news_files(session_, home_.path(), platform::system_env()));
    cabinet::Cabinet& cabinet = *session_.filing_cabinet;
    const auto list = cabinet.read_box_list(cabinet::box::kInBasket);
    ASSERT_OK(list);
    ASSERT_EQ(list->ids.size(), 2u);
    const auto first = cabinet.read_text(list->ids[0]);
    ASSERT_OK(first);
    EXPECT_EQ((*first)->subject, "What's new in Orvane/Lumeth 54");
    EXPECT_EQ((*first)->body, "News of 54\nsecond line\n");
    EXPECT_EQ((*cabinet.read_text(list->ids[1]))->subject, "What's new in Orvane/Lumeth 55");
    EXPECT_NE(list->ids[0], list->ids[1]);
}

}  // namespace
}  // namespace orvane::app
