// The one table of keys: every type of key read (and held to its range),
// refused and written back through the settings editor, and the loader
// reading every key that the table lists.
#include <gtest/gtest.h>

#include <set>
#include <type_traits>

#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "settings/settings_editor.h"
#include "settings/user_keys.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::settings {
namespace {

using orvane::testing::TempDirectory;

class KeyTableTest : public ::testing::Test {
  protected:
    KeyTableTest()
        : file(cache.open(user.path(), "Orvane.ini")),
          place{file, SettingsFileKind::kUser, {"/opt/orvane", user.path()}, 1700000000} {}

    void store(const std::string& text) {
        ASSERT_EQ(platform::write_whole_file(user.file("Orvane.ini"), text.data(), text.size()), 0);
        // Read afresh: the held copy is dropped with its holder.
        file.close();
        file = cache.open(user.path(), "Orvane.ini");
    }

    // The value orvane uses, and the note on the stored text.
    std::pair<std::string, std::string> get(std::string_view section, std::string_view key) {
        platform::Result<ShownSetting> shown = find_setting(place, section, key);
        EXPECT_OK(shown);
        if (!shown.ok()) return {};
        return {shown->value, shown->note};
    }

    platform::Status set(std::string_view section, std::string_view key, std::string_view value,
                         bool force = false) {
        return change_setting(place, section, key, value, force);
    }

    std::string stored(std::string_view section, std::string_view key) {
        return file.get_raw(section, key).value_or("(missing)");
    }

    TempDirectory user;
    IniCache cache;
    IniFile file;
    SettingsPlace place;
};

TEST_F(KeyTableTest, NumbersAreHeldToTheirRangeAndRefusedOutsideIt) {
    EXPECT_EQ(get("Options", "Right Margin"), std::make_pair(std::string("76"), std::string()));
    store("[Options]\nRight Margin=100\nZip Level=abc\nAuto-save Interval=-1\nTime Display=7\n");
    EXPECT_EQ(get("options", "right margin"),
              std::make_pair(std::string("79"), std::string("is outside 20 to 79")));
    EXPECT_EQ(get("Options", "Zip Level"),
              std::make_pair(std::string("0"), std::string("is not a number")));
    EXPECT_EQ(get("Options", "Auto-save Interval").first, "5");
    EXPECT_EQ(get("Options", "Time Display").first, "0");  // not one of the three displays

    platform::Status refused = set("Options", "Right Margin", "abc");
    EXPECT_EQ(refused.id(), platform::MessageId::kSettingRefused);
    EXPECT_NE(refused.text().find("from 20 to 79"), std::string::npos) << refused.text();
    EXPECT_FALSE(set("Options", "Right Margin", "19").ok());
    EXPECT_FALSE(set("Options", "Right Margin", "60x").ok());
    EXPECT_EQ(stored("Options", "Right Margin"), "100");

    ASSERT_OK(set("Options", "Right Margin", "60"));
    EXPECT_EQ(get("Options", "Right Margin").first, "60");
    std::string on_disk;
    ASSERT_EQ(platform::read_whole_file(user.file("Orvane.ini"), &on_disk), 0);
    EXPECT_NE(on_disk.find("Right Margin=60\n"), std::string::npos) << on_disk;

    // --force writes what the program would not take; reading still holds
    // it to the range.
    ASSERT_OK(set("Options", "Right Margin", "100", true));
    EXPECT_EQ(get("Options", "Right Margin").first, "79");
}

TEST_F(KeyTableTest, SwitchesBitSetsAndUnsignedNumbers) {
    store("[Options]\nFixed Pitch=5\n[User]\nObject=65535\n[Login]\nBatch Session=9\n");
    EXPECT_EQ(get("Options", "Fixed Pitch"),
              std::make_pair(std::string("1"), std::string("is not 0 or 1")));
    EXPECT_EQ(get("User", "Object").first, std::to_string(0x3FFF));
    EXPECT_EQ(get("Login", "Batch Session"),
              std::make_pair(std::string("1"), std::string("holds bit values that are not used")));

    ASSERT_OK(set("Options", "Fixed Pitch", "off"));
    EXPECT_EQ(stored("Options", "Fixed Pitch"), "0");
    EXPECT_FALSE(set("Options", "Fixed Pitch", "2").ok());
    platform::Status bits = set("Login", "Batch Session", "8");
    EXPECT_NE(bits.text().find("bit values 1, 2, 4"), std::string::npos) << bits.text();
    ASSERT_OK(set("Login", "Batch Session", "6"));
    EXPECT_EQ(get("Login", "Batch Session").first, "6");
    EXPECT_FALSE(set("Address Book", "Status Exp", "-1").ok());
    ASSERT_OK(set("Address Book", "Status Exp", "4294967295"));
    EXPECT_EQ(get("Address Book", "Status Exp").first, "4294967295");
}

TEST_F(KeyTableTest, TextsPathsAndPasswords) {
    store("[Options]\nQuote Mark=\n[User]\nName=Ann@corvid.example\nSecretary=Sec\nBoss=Bo\n");
    EXPECT_EQ(get("Options", "Quote Mark").first, "> ");
    EXPECT_EQ(get("User", "Name").first, "Ann");
    EXPECT_EQ(get("User", "Boss"),
              std::make_pair(std::string(), std::string("is not used while \"Secretary\" is set")));

    ASSERT_OK(set("Options", "Quote Mark", " | "));
    EXPECT_EQ(stored("Options", "Quote Mark"), "\" | \"");
    EXPECT_EQ(get("Options", "Quote Mark").first, " | ");
    EXPECT_FALSE(set("Options", "Quote Mark", "123456789").ok());  // at most 8
    EXPECT_FALSE(set("User", "Name", "Ann\x1b[31m").ok());

    // Paths: typed relative to the user's folder, stored abbreviated.
    ASSERT_OK(set("Orvane", "Log Dir", "LOG/"));
    EXPECT_EQ(stored("Orvane", "Log Dir"), ":::LOG");
    EXPECT_EQ(get("Orvane", "Log Dir").first, user.path() + "/LOG");
    EXPECT_EQ(get("Orvane", "Updump Dir").first, user.path());  // the default
    ASSERT_OK(set("Orvane", "Text Name", "::notes.txt"));
    EXPECT_EQ(get("Orvane", "Text Name").first, "/opt/orvane/notes.txt");

    // A password of any length up to the limit comes back as it was.
    const std::string long_password(100, 'p');
    ASSERT_OK(set("User", "Password", long_password));
    EXPECT_EQ(stored("User", "Password").size(), 201u);
    file.close();
    file = cache.open(user.path(), "Orvane.ini");
    EXPECT_EQ(get("User", "Password").first, long_password);
    platform::Status too_long = set("User", "Password", std::string(128, 'p'));
    EXPECT_NE(too_long.text().find("at most 127"), std::string::npos) << too_long.text();
}

TEST_F(KeyTableTest, DatesListsAndDisplayValues) {
    store("[User]\nLast Login=junk\n[Fonts]\nFixed=\"Courier New\",\"-110\",\"3\"\n");
    EXPECT_EQ(get("User", "Last Login"),
              std::make_pair(std::string(), std::string("is not a date")));
    EXPECT_EQ(get("Fonts", "Fixed").first, "Courier New,-110,3");
    EXPECT_EQ(get("Fonts", "Variable").first, "Arial,-120,0");

    ASSERT_OK(set("User", "Last Login", "15-Jan-24 10:20"));
    EXPECT_EQ(get("User", "Last Login").first, "15-Jan-24 10:20");
    EXPECT_FALSE(set("User", "Last Login", "some day").ok());
    ASSERT_OK(set("User", "Last Login", "0"));
    EXPECT_EQ(stored("User", "Last Login"), "(missing)");

    ASSERT_OK(set("Address Book", "Report Changes", "c, k"));
    EXPECT_EQ(stored("Address Book", "Report Changes"), "C,K");
    EXPECT_FALSE(set("Address Book", "Report Changes", "CK").ok());
    ASSERT_OK(set("Membership", "1", "12, 15"));
    EXPECT_EQ(stored("Membership", "1"), ",12,15");
    EXPECT_FALSE(set("Membership", "1", "12,x").ok());

    ASSERT_OK(set("Windows", "Box", "1,2,3,4,5"));
    EXPECT_FALSE(set("Windows", "Box", "1,2,3,4,5,6").ok());
    ASSERT_OK(set("Colors", "Box", "00112233, 00FF0000"));
    EXPECT_EQ(stored("Colors", "Box"), ",00112233,00FF0000");
    EXPECT_FALSE(set("Colors", "Box", "1234567890").ok());
    EXPECT_FALSE(set("Fonts", "Variable", "Sans, Bold,-100,1").ok());  // the comma needs quotes
    ASSERT_OK(set("Fonts", "Variable", "\"Sans, Bold\",-100,1"));
    EXPECT_EQ(stored("Fonts", "Variable"), "\"Sans, Bold\",-100,1");
    EXPECT_EQ(get("Fonts", "Variable").first, "\"Sans, Bold\",-100,1");
    EXPECT_FALSE(set("Fonts", "Variable", "Sans,-100,4").ok());

    ASSERT_OK(set("Macros", "A1", "two\nlines"));
    EXPECT_EQ(stored("Macros", "A1"), "\"two^Mlines\"");
    EXPECT_EQ(get("Macros", "A1").first, "two\nlines");
    EXPECT_EQ(set("Macros", "A5", "x").id(), platform::MessageId::kUnknownSetting);
}

TEST_F(KeyTableTest, UnknownAndProgramKeptKeysNeedForce) {
    EXPECT_EQ(set("Common", "Big", "x").id(), platform::MessageId::kUnknownSetting);
    EXPECT_EQ(set("Orvane", "Version", "56").id(), platform::MessageId::kSettingKeptByProgram);
    ASSERT_OK(set("Updump", "Custom", "value", true));
    platform::Result<ShownSetting> shown = find_setting(place, "updump", "custom");
    ASSERT_OK(shown);
    EXPECT_EQ(shown->rule, nullptr);
    EXPECT_EQ(shown->value, "value");
    EXPECT_EQ(find_setting(place, "Updump", "Other").status().id(),
              platform::MessageId::kSettingNotStored);
    // Even --force writes nothing the file cannot read back.
    EXPECT_EQ(set("Common", "Big", std::string(70000, 'x'), true).id(),
              platform::MessageId::kSettingNotStorable);
    EXPECT_EQ(set("Common", "Big", "a\n[Users]\nx=1", true).id(),
              platform::MessageId::kSettingNotStorable);
    EXPECT_FALSE(file.has_key("Common", "Big"));
}

// Every key of the table that the loader fills: listed by the settings
// commands, bound to a field of its own, and read by the loader (a value
// set through the commands arrives in its field).
TEST_F(KeyTableTest, TheLoaderReadsEveryKeyTheCommandsShow) {
    std::set<std::pair<std::string, std::string>> listed;
    for (const auto& setting : list_settings(place)) listed.insert({setting.section, setting.key});

    UserValues values;
    std::set<const void*> fields;
    for (const auto& bound : user_keys()) {
        const KeyRule& rule = bound.rule;
        if (rule.family == KeyFamily::kSingle) {
            EXPECT_TRUE(listed.count({std::string(rule.section), std::string(rule.key)}))
                << rule.section << "/" << rule.key;
        }
        if (!bound.field || rule.family != KeyFamily::kSingle) continue;
        FieldPtr field = bound.field(values, rule.key);
        const void* address = std::visit(
            [](const auto& alternative) -> const void* {
                if constexpr (std::is_pointer_v<std::decay_t<decltype(alternative)>>) {
                    return alternative;
                } else {
                    return nullptr;
                }
            },
            field);
        EXPECT_TRUE(fields.insert(address).second) << rule.key << " shares its field";
    }

    // A value other than the default for each kind of key.
    auto other_value = [](const KeyRule& rule) -> std::string {
        switch (rule.type) {
            case KeyType::kNumber:
                if (rule.low == INT_MIN) return std::to_string(rule.fallback + 1);
                return std::to_string(rule.fallback == rule.high ? rule.low : rule.high);
            case KeyType::kUnsigned:
                return std::to_string(rule.fallback + 1);
            case KeyType::kSwitch:
                return rule.fallback ? "0" : "1";
            case KeyType::kBits:
                return std::to_string(rule.fallback == 1 ? 0 : 1);
            case KeyType::kText:
            case KeyType::kPassword:
                return "x";
            case KeyType::kFreeText:
                return "a\nb";
            case KeyType::kPath:
            case KeyType::kDirectory:
                return "/elsewhere";
            case KeyType::kDate:
                return "15-Jan-24 10:20";
            case KeyType::kNodeLetters:
                return "K";
            case KeyType::kWindowPosition:
                return "1,2,3";
            case KeyType::kColors:
                return "00010203";
            case KeyType::kFont:
                return "Courier,-100,1";
            default:
                return {};
        }
    };
    platform::ScriptedUi ui;
    VersionGate gate;
    // No upgrade on loading, and no printing defaults written by it.
    const std::string base = "[Orvane]\nVersion=55\n[Print]\nPrint to File=0\n";
    store(base);
    for (const auto& bound : user_keys()) {
        const KeyRule& rule = bound.rule;
        if (!bound.field || rule.family != KeyFamily::kSingle || rule.kept_by_program) continue;
        ASSERT_OK(set(rule.section, rule.key, other_value(rule))) << rule.key;
        UserSettings settings;
        ASSERT_TRUE(settings.load(cache, user.path(), "/opt/orvane", gate, ui));
        platform::Result<ShownSetting> shown = find_setting(place, rule.section, rule.key);
        ASSERT_OK(shown);
        UserValues defaults;
        EXPECT_NE(field_value(bound.field(settings.values, rule.key)),
                  field_value(bound.field(defaults, rule.key)))
            << rule.section << "/" << rule.key << " set to " << other_value(rule);
        settings.close();
        // Back to the defaults: the bosses, for one, are read only while no
        // secretary is set.
        store(base);
    }
}

}  // namespace
}  // namespace orvane::settings
