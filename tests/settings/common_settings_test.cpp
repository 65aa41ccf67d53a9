#include "settings/common_settings.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "settings/ini_values.h"
#include "tests/support/temp_directory.h"

namespace orvane::settings {
namespace {

using orvane::testing::TempDirectory;

void write(const std::string& path, const std::string& text) {
    ASSERT_EQ(platform::write_whole_file(path, text.data(), text.size()), 0);
}

NodeTable two_nodes(int version) {
    NodeTable nodes;
    nodes.version = version;
    nodes.nodes.push_back({'C', "CORVID", "CRV", true, "qor", {}});
    nodes.nodes.push_back({'T', "TALLIS", "TAL", false, "qor", {}});
    nodes.connections = {"a", "b", "c"};
    return nodes;
}

TEST(CommonSettingsTest, ZmodemWindowsAndCostRoundingAreKeptWithinTheirLimits) {
    TempDirectory home;
    IniCache cache;
    platform::ScriptedUi ui;
    VersionGate gate;
    const std::pair<const char*, int> windows[] = {
        {"500", 1024}, {"0", 0}, {"-1", 131072}, {"200000", 131072}, {"4096", 4096}, {"-7", 1024},
    };
    for (const auto& [stored, used] : windows) {
        write(home.file("Orvane.ini"), std::string("[Common]\nVersion=55\nZmodem Window Down=") +
                                           stored + "\nRounding of Costs=0\n");
        CommonSettings common;
        ASSERT_TRUE(common.load(cache, home.path(), two_nodes(14), gate, ui));
        EXPECT_EQ(common.values.zmodem_window_down, used) << stored;
        EXPECT_EQ(common.values.zmodem_window_up, 131072);  // missing
        EXPECT_EQ(common.values.rounding_of_costs, 1);
        common.close();
    }
}

TEST(CommonSettingsTest, ChangesDatesBelongToOneNodeListVersion) {
    TempDirectory home;
    write(home.file("Orvane.ini"),
          "[Common]\nVersion=55\nZmodem Window Up=500\n\n[Nodes]\nVersion=14\n"
          "C Changes Downloaded=01-Feb-24 10:00\nT Changes Downloaded=01-Feb-24 10:00\n");
    IniCache cache;
    platform::ScriptedUi ui;
    VersionGate gate;
    {
        CommonSettings common;
        ASSERT_TRUE(common.load(cache, home.path(), two_nodes(14), gate, ui));
        EXPECT_EQ(common.values.zmodem_window_up, 1024);
        EXPECT_NE(common.values.changes_downloaded['C' - 'A'], 0u);
        EXPECT_EQ(common.values.changes_downloaded['T' - 'A'], 0u);  // not an active node
        common.close();
    }
    {
        CommonSettings common;
        ASSERT_TRUE(common.load(cache, home.path(), NodeTable{}, gate, ui));
        EXPECT_TRUE(common.file().has_key("Nodes", "C Changes Downloaded"));
        common.close();
    }
    {
        CommonSettings common;
        ASSERT_TRUE(common.load(cache, home.path(), two_nodes(15), gate, ui));
        EXPECT_EQ(common.values.changes_downloaded['C' - 'A'], 0u);
        EXPECT_FALSE(common.file().has_key("Nodes", "T Changes Downloaded"));
        EXPECT_EQ(common.file().get_string("Nodes", "Version"), "15");
        common.close();
    }
}

TEST(CommonSettingsTest, AFileOfANewerVersionNeedsConsentOncePerRun) {
    TempDirectory home;
    write(home.file("Orvane.ini"), "[Common]\nVersion=56\n");
    IniCache cache;
    platform::ScriptedUi ui;
    VersionGate gate;
    CommonSettings common;
    ui.answers.push_back(platform::Answer::No);
    EXPECT_FALSE(common.load(cache, home.path(), two_nodes(14), gate, ui));
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_NE(ui.shown[0].text.find("written by\nversion 56"), std::string::npos);

    ui.answers.push_back(platform::Answer::Yes);
    EXPECT_TRUE(common.load(cache, home.path(), two_nodes(14), gate, ui));
    common.close();
    EXPECT_TRUE(common.load(cache, home.path(), two_nodes(14), gate, ui));
    EXPECT_EQ(ui.shown.size(), 2u);
    common.save();
    EXPECT_EQ(common.file().get_string("Common", "Version"), "55");
    common.close();
}

TEST(CommonSettingsTest, OlderFilesAreUpgraded) {
    TempDirectory home;
    write(home.file("Orvane.ini"),
          "[Orvane]\nVersion=52\n[Common]\nZmodem Window Up=2048\nZmodem Window "
          "Down=0\n[Connect]\nOld=1\n");
    IniCache cache;
    platform::ScriptedUi ui;
    VersionGate gate;
    CommonSettings common;
    ASSERT_TRUE(common.load(cache, home.path(), two_nodes(14), gate, ui));
    EXPECT_EQ(common.values.version, 52);
    EXPECT_EQ(common.values.zmodem_window_up, 131072);
    EXPECT_EQ(common.values.zmodem_window_down, 131072);
    EXPECT_FALSE(common.file().has_section("Connect"));
    common.close();
}

TEST(CommonSettingsTest, TheConnectionIsTheStoredChoiceOrTheDefault) {
    CommonSettings common;
    NodeTable nodes = two_nodes(14);
    EXPECT_EQ(common.chosen_connection(nodes), 1);
    nodes.default_connection = 3;
    EXPECT_EQ(common.chosen_connection(nodes), 3);
    common.values.connection = 2;
    EXPECT_EQ(common.chosen_connection(nodes), 2);
    common.values.connection = 9;
    EXPECT_EQ(common.chosen_connection(nodes), 1);
}

}  // namespace
}  // namespace orvane::settings
