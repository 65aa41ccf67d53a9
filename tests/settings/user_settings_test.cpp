#include "settings/user_settings.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "tests/support/read_only_env.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::settings {
namespace {

using orvane::testing::TempDirectory;

std::string read(const std::string& path) {
    std::string text;
    EXPECT_EQ(platform::read_whole_file(path, &text), 0);
    return text;
}

void write(const std::string& path, const std::string& text) {
    ASSERT_EQ(platform::write_whole_file(path, text.data(), text.size()), 0);
}

class UserSettingsTest : public ::testing::Test {
  protected:
    bool load(UserSettings& settings) {
        return settings.load(cache, user.path(), "/nowhere", gate, ui);
    }

    TempDirectory user;
    IniCache cache;
    platform::ScriptedUi ui;
    VersionGate gate;
};

TEST_F(UserSettingsTest, AMissingFileGivesTheDefaults) {
    UserSettings settings;
    ASSERT_TRUE(load(settings));
    const UserValues& v = settings.values;
    EXPECT_EQ(v.orvane.cabinet, "fcabinet.cab");
    EXPECT_EQ(v.orvane.log_dir, user.path());
    EXPECT_EQ(v.orvane.move_imported_to, "");
    EXPECT_EQ(v.user.privilege, 2);
    EXPECT_EQ(v.options.auto_save_interval, 5);
    EXPECT_EQ(v.options.quote_mark, "> ");
    EXPECT_EQ(v.options.max_memory_for_index, 65536);  // a file of version 0 is upgraded
    EXPECT_EQ(v.login.batch_session, 4);
    EXPECT_EQ(v.print.print_to_file, 0);
    EXPECT_EQ(v.fixed_font.typeface, "Consolas");
    EXPECT_EQ(v.variable_font.typeface, "Arial");
    EXPECT_EQ(v.variable_font.height, -120);
    EXPECT_EQ(v.colors[0].count, 1);
    EXPECT_EQ(v.colors[0].colors[0], 0x00804000 | kBuiltinColorMark);
    EXPECT_EQ(v.receipt_text, "I have received your letter.");
    EXPECT_EQ(v.importance, 4);
    EXPECT_NE(v.accounting.start, 0u);
    settings.close();
}

TEST_F(UserSettingsTest, ValuesAreHeldToTheirRules) {
    write(user.file("Orvane.ini"),
          "[Orvane]\nVersion=55\nCabinet=\nLog Dir=:::LOG/\n"
          "[User]\nName=Ann Lee-Smith@corvid.example\nSecretary=Sec\nBoss=Ignored\nObject=65535\n"
          "[Options]\nRight Margin=10\nZip Level=9\nQuote Mark=\nAuto-save Interval=0\n"
          "[Login]\nDownload How=3\nUpload How=0\n"
          "[Importance]\nImportance=9\n3=Middling\n"
          "[Fonts]\nFixed=\"Menlo\",0,7\nVariable=Times,-90\n"
          "[Colors]\nBox=,00112233,FF000000,12345678\n"
          "[Macros]\nA1=\"hello^Mworld\"\nZ4=last\nA5=ignored\nb1=ignored\n");
    UserSettings settings;
    ASSERT_TRUE(load(settings));
    const UserValues& v = settings.values;
    EXPECT_EQ(v.orvane.cabinet, "fcabinet.cab");
    EXPECT_EQ(v.orvane.log_dir, user.path() + "/LOG");
    EXPECT_EQ(v.user.name, "Ann Lee-Smith");
    EXPECT_EQ(v.user.boss_count(), 0);
    EXPECT_EQ(v.user.object, 0x3FFFu);
    EXPECT_EQ(v.options.right_margin, 20);
    EXPECT_EQ(v.options.zip_level, 5);
    EXPECT_EQ(v.options.quote_mark, "> ");
    EXPECT_EQ(v.options.auto_save_interval, 0);
    EXPECT_EQ(v.login.download_how, 1);
    EXPECT_EQ(v.login.upload_how, 1);
    EXPECT_EQ(v.importance, 4);
    EXPECT_EQ(v.importance_names[3], "Middling");
    EXPECT_EQ(v.fixed_font, (FontSetting{"Consolas", -120, 3}));
    EXPECT_EQ(v.variable_font, (FontSetting{"Times", -90, 0}));
    ASSERT_EQ(v.colors[2].count, 3);
    EXPECT_EQ(v.colors[2].colors[0], 0x00112233u);
    EXPECT_EQ(v.colors[2].colors[1], 0x00800000 | kBuiltinColorMark);
    EXPECT_EQ(v.colors[2].colors[2], 0x00800000 | kBuiltinColorMark);
    EXPECT_EQ(v.macros[static_cast<size_t>(macro_slot('A', 1))], "hello\nworld");
    EXPECT_EQ(v.macros[static_cast<size_t>(macro_slot('Z', 4))], "last");
    EXPECT_EQ(macro_slot('Z', 4), 103);
    settings.close();

    write(user.file("Orvane.ini"), "[Orvane]\nVersion=55\n[Options]\nRight Margin=100\n");
    ASSERT_TRUE(load(settings));
    EXPECT_EQ(settings.values.options.right_margin, 79);
    settings.close();
}

TEST_F(UserSettingsTest, SavingWithoutChangesLeavesTheFileUntouched) {
    std::string path = user.file("Orvane.ini");
    std::string original =
        "[Orvane]\r\nVersion=55\r\n[Options]\r\nRight Margin=10\r\nQuote Mark=\"  \"\r\n"
        "[Accounting]\r\nStart=01-Jan-24 00:00\r\n[Print]\r\nPrint to File=1\r\n";
    write(path, original);
    ASSERT_EQ(platform::set_modification_time(path, 1000000000), 0);
    {
        UserSettings settings;
        ASSERT_TRUE(load(settings));
        EXPECT_EQ(settings.values.options.quote_mark, "  ");
        EXPECT_OK(settings.commit());
        settings.close();
    }
    EXPECT_EQ(read(path), original);
    std::time_t time = 0;
    ASSERT_EQ(platform::file_modification_time(path, &time), 0);
    EXPECT_EQ(time, 1000000000);
}

TEST_F(UserSettingsTest, ChangedValuesSurviveASaveAndReload) {
    UserValues expected;
    {
        UserSettings settings;
        ASSERT_TRUE(load(settings));
        UserValues& v = settings.values;
        v.user.name = "Ann Lee-Smith";
        v.user.password = "secret pass";
        v.user.node = 'C';
        v.user.last_login = 1700000000;
        v.orvane.log_dir = user.path() + "/LOG";
        v.options.quote_mark = " > ";
        v.options.right_margin = 60;
        v.macros[5] = "two\nlines";
        v.receipt_text = "Got it.";
        v.colors[4].colors[0] = 0x00010203;
        v.variable_font = {"Sans, Bold", -100, 1};
        v.windows[2] = parse_window_position("1,2,3,4,5");
        for (uint32_t i = 0; i < 40; ++i) v.memberships.push_back(100000 + i);
        ASSERT_OK(settings.commit());
        expected = v;
        settings.close();
    }
    std::string text = read(user.file("Orvane.ini"));
    EXPECT_EQ(text.find("secret"), std::string::npos);
    EXPECT_NE(text.find("Log Dir=:::LOG\n"), std::string::npos);
    EXPECT_NE(text.find("\n2=,"), std::string::npos);  // memberships spread over several lines

    UserSettings settings;
    ASSERT_TRUE(load(settings));
    EXPECT_EQ(settings.values, expected);
    settings.close();
}

TEST_F(UserSettingsTest, LongPasswordsAndQuotedFontFieldsReadBackAsWritten) {
    const std::string password(100, 'k');  // its stored form is longer than 128 characters
    {
        UserSettings settings;
        ASSERT_TRUE(load(settings));
        settings.values.user.password = password;
        ASSERT_OK(settings.commit());
        settings.close();
    }
    write(user.file("Orvane.ini"),
          read(user.file("Orvane.ini")) +
              "[Fonts]\nFixed=\"Courier New\",-110,\"3\"\nVariable=Times,\"-90\",1\n");
    UserSettings settings;
    ASSERT_TRUE(load(settings));
    EXPECT_EQ(settings.values.user.password, password);
    EXPECT_EQ(settings.values.fixed_font, (FontSetting{"Courier New", -110, 3}));
    EXPECT_EQ(settings.values.variable_font, (FontSetting{"Times", -90, 1}));
    settings.close();
}

TEST_F(UserSettingsTest, FailuresToReadOrWriteAreToldNotSwallowed) {
    write(user.file("Orvane.ini"), "[Orvane]\nVersion=55\nNew User=1\n[Print]\nPrint to File=0\n");
    orvane::testing::ReadOnlyEnv read_only;
    IniCache frozen(read_only);
    UserSettings settings;
    // The load deletes "New User" at once; that write fails and is told.
    ASSERT_TRUE(settings.load(frozen, user.path(), "/nowhere", gate, ui));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].text.find("Cannot write the file '" + user.file("Orvane.ini")),
              std::string::npos)
        << ui.shown[0].text;
    settings.values.options.right_margin = 50;
    EXPECT_EQ(settings.commit().id(), platform::MessageId::kCannotWriteFile);
    settings.values.accounting.sessions = 3;
    EXPECT_EQ(settings.save_accounting().id(), platform::MessageId::kCannotWriteFile);
    settings.close();
    EXPECT_EQ(read(user.file("Orvane.ini")),
              "[Orvane]\nVersion=55\nNew User=1\n[Print]\nPrint to File=0\n");
}

TEST_F(UserSettingsTest, ANewUserGetsTheNewsOfThisVersion) {
    write(user.file("Orvane.ini"), "[Orvane]\nVersion=55\nNew User=1\n");
    UserSettings settings;
    ASSERT_TRUE(load(settings));
    EXPECT_EQ(settings.stored_version(), 54);
    EXPECT_FALSE(settings.file().has_key("Orvane", "New User"));
    settings.close();
}

TEST_F(UserSettingsTest, OldFilesAreUpgraded) {
    write(user.file("Orvane.ini"),
          "[Orvane]\nVersion=40\n[Login]\nBatch Session=1\n[Fonts]\nFixed=Courier,-100,0\n"
          "[Custom Colors]\nx=1\n[Zedazor Membership]\nConf01=,1,2\nConf02=,3\n");
    UserSettings settings;
    ASSERT_TRUE(load(settings));
    EXPECT_EQ(settings.values.login.batch_session, 4);
    EXPECT_EQ(settings.values.fixed_font.typeface, "Consolas");
    EXPECT_FALSE(settings.file().has_section("Custom Colors"));
    EXPECT_EQ(settings.values.options.max_memory_for_index, 65536);
    EXPECT_EQ(settings.values.memberships, (std::vector<uint32_t>{1, 2, 3}));
    ASSERT_OK(settings.commit());
    settings.close();

    ASSERT_TRUE(load(settings));
    EXPECT_EQ(settings.values.memberships, (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(settings.values.login.batch_session, 4);
    settings.close();
}

TEST_F(UserSettingsTest, ResettingClearsThePerUserSectionsOnly) {
    write(user.file("Orvane.ini"),
          "[Common]\nVersion=55\n[Users]\n::x=67,A,4\n[User]\nName=A\n[Windows]\nBox=1\n");
    IniFile file = cache.open(user.path(), "Orvane.ini");
    reset_user_file(file);
    EXPECT_TRUE(file.has_key("Users", "::x"));
    EXPECT_FALSE(file.has_section("User"));
    EXPECT_FALSE(file.has_section("Windows"));
    EXPECT_EQ(file.get_string("Orvane", "Version"), "55");
}

}  // namespace
}  // namespace orvane::settings
