#include <gtest/gtest.h>

#include "app/keyboard_shortcuts.h"
#include "app/news_files.h"
#include "platform/file.h"
#include "tests/support/temp_directory.h"

namespace orvane::app {
namespace {

TEST(KeyboardShortcutsTest, ModifiersMustMatchExactly) {
    EXPECT_EQ(shortcut_command(kKeyF6, kCtrl | kShift, false), 223);
    EXPECT_EQ(shortcut_command(kKeyTab, kCtrl, false), 222);
    EXPECT_EQ(shortcut_command('7', kAlt, false), 321);
    EXPECT_EQ(shortcut_command('L', kAlt, false), 283);
    EXPECT_EQ(shortcut_command('L', kAlt | kShift, false), std::nullopt);
}

TEST(KeyboardShortcutsTest, ModalDialogsKeepOnlyTheFirstShortcuts) {
    EXPECT_EQ(shortcut_command('A', kCtrl, true), 130);
    EXPECT_EQ(shortcut_command(kKeyRight, kAlt, true), 229);
    EXPECT_EQ(shortcut_command(kKeyUp, kAlt, true), std::nullopt);
    EXPECT_EQ(shortcut_command('L', kAlt, true), std::nullopt);
}

TEST(KeyboardShortcutsTest, MacroKeysGiveTheirSlots) {
    EXPECT_EQ(macro_slot_for_key('A', kAlt | kShift), 0);
    EXPECT_EQ(macro_slot_for_key('B', kCtrl | kAlt), 27);
    EXPECT_EQ(macro_slot_for_key('Z', kCtrl | kShift), 77);
    EXPECT_EQ(macro_slot_for_key('Z', kCtrl | kAlt | kShift), 103);
    EXPECT_EQ(macro_slot_for_key('A', kAlt), std::nullopt);
    EXPECT_EQ(macro_slot_for_key('1', kAlt | kShift), std::nullopt);
}

TEST(NewsFilesTest, AStoredVersionOf53DeliversTheNewsOf54And55) {
    orvane::testing::TempDirectory home;
    for (int version : {52, 53, 54, 55}) {
        std::string path = home.file("README" + std::to_string(version) + ".txt");
        ASSERT_EQ(platform::write_whole_file(path, "news", 4), 0);
    }
    auto files = pending_news_files(home.path(), 53);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_EQ(files[0].version, 54);
    EXPECT_EQ(files[0].path, home.file("README54.txt"));
    EXPECT_EQ(files[1].version, 55);
    EXPECT_TRUE(pending_news_files(home.path(), 55).empty());
}

}  // namespace
}  // namespace orvane::app
