#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "platform/builtin_files.h"
#include "platform/directories.h"
#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "platform/single_instance.h"
#include "platform/system.h"
#include "tests/support/temp_directory.h"

namespace orvane::platform {
namespace {

class ScratchDir : public ::testing::Test {
  protected:
    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
};

// Sets an environment variable for one test and restores it afterwards.
class EnvOverride {
  public:
    EnvOverride(const char* name, const char* value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~EnvOverride() {
        if (old_)
            setenv(name_, old_->c_str(), 1);
        else
            unsetenv(name_);
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

TEST(VersionWordTest, PacksMajorMinorAndFifteenBitsOfBuild) {
    EXPECT_EQ(pack_version_word(6, 1, 94), 6u | 1u << 8 | 94u << 16);
    EXPECT_EQ(pack_version_word(10, 0, 0x8000 | 22000) >> 16, 22000u) << "the build keeps 15 bits";
    EXPECT_EQ(system_version_word() & 0xFF, system_version_word() & 0xFF);
    EXPECT_GE(system_version_word() & 0xFF, 2u) << "a running kernel has a major version";
}

TEST(ThemeTest, DarkTerminalsUseTheirOwnColoursAndDarkDesktopsThePalette) {
    EXPECT_EQ(decide_theme_mode("15;0", "", ""), kThemeSystemDark);
    EXPECT_EQ(decide_theme_mode("0;default;15", "", "dark"), kThemeDark);
    EXPECT_EQ(decide_theme_mode("", "Adwaita:dark", ""), kThemeDark);
    EXPECT_EQ(decide_theme_mode("0;15", "Adwaita", ""), kThemeLight);
    EXPECT_EQ(system_colour(5, kThemeDark), 0x171717u);
    EXPECT_EQ(system_colour(29, kThemeDark), 0xC8D0D4u);
    EXPECT_EQ(system_colour(5, kThemeSystemDark), system_colour(5, kThemeLight))
        << "mode 2 keeps the system colours";
    EXPECT_EQ(system_colour(30, kThemeDark), system_colour(30, kThemeLight))
        << "the palette has 30 entries";
}

TEST_F(ScratchDir, ProgramAndDataDirectoriesFollowTheEnvironment) {
    std::string path;
    {
        EnvOverride home("ORVANE_HOME", (dir + "/home").c_str());
        ASSERT_EQ(program_directory(&path), 0);
        EXPECT_EQ(path, dir + "/home");
        EXPECT_TRUE(directory_exists(path)) << "created on first run";
    }
    {
        EnvOverride home("ORVANE_HOME", nullptr);
        EnvOverride data("XDG_DATA_HOME", dir.c_str());
        ASSERT_EQ(program_directory(&path), 0);
        EXPECT_EQ(path, dir + "/orvane");
    }
    {
        EnvOverride appdata("APPDATA", "/somewhere");
        EXPECT_EQ(application_data_directory(), "/somewhere");
    }
    {
        EnvOverride appdata("APPDATA", nullptr);
        EnvOverride config("XDG_CONFIG_HOME", nullptr);
        EnvOverride home("HOME", nullptr);
        EXPECT_EQ(application_data_directory(), current_directory());
    }
    EXPECT_EQ(join_path("a/", "/b"), "a/b");
    EXPECT_EQ(join_path("a", "b"), "a/b");
}

TEST_F(ScratchDir, DeleteToTrashMovesTheFileAndAlwaysSucceeds) {
    EnvOverride data("XDG_DATA_HOME", dir.c_str());
    std::string victim = dir + "/old letter.txt";
    ASSERT_EQ(write_whole_file(victim, "bye", 3), 0);
    EXPECT_TRUE(delete_to_trash(victim));
    EXPECT_FALSE(file_exists(victim));
    EXPECT_TRUE(file_exists(dir + "/Trash/files/old letter.txt"));
    std::string info;
    ASSERT_EQ(read_whole_file(dir + "/Trash/info/old letter.txt.trashinfo", &info), 0);
    EXPECT_NE(info.find("Path=" + dir + "/old%20letter.txt\n"), std::string::npos) << info;
    // The same name again gets a new trash name; a missing file is no failure.
    ASSERT_EQ(write_whole_file(victim, "again", 5), 0);
    EXPECT_TRUE(delete_to_trash(victim));
    EXPECT_TRUE(file_exists(dir + "/Trash/files/old letter.txt.2"));
    EXPECT_TRUE(delete_to_trash(dir + "/never-there"));
}

TEST_F(ScratchDir, SingleInstanceLockRefusesASecondCopy) {
    SingleInstance first, second;
    ASSERT_EQ(first.acquire(dir), 0);
    EXPECT_EQ(second.acquire(dir), kInUse);
    first.release();
    EXPECT_EQ(second.acquire(dir), 0);
}

TEST(PrintTest, PrintingToFileAsksForTheName) {
    ScriptedUi ui;
    std::string file;
    EXPECT_EQ(prepare_print_output(ui, "LPT1:", &file), 0);
    EXPECT_TRUE(ui.prompts.empty());
    ui.texts.push_back(std::string("out.prn"));
    EXPECT_EQ(prepare_print_output(ui, "FILE:", &file), 0);
    EXPECT_EQ(file, "out.prn");
    EXPECT_EQ(prepare_print_output(ui, "FILE:", &file), -3) << "cancel";
}

std::string resource(const std::string& header, const std::string& body) {
    return header + body;
}

TEST_F(ScratchDir, BuiltinFileIsWrittenWithTheHeaderDate) {
    std::string bytes = resource("   11\r\n05-Mar-2024 14:30\r\n", "[Nodes]\r\nA=1");
    std::span<const unsigned char> span(reinterpret_cast<const unsigned char*>(bytes.data()),
                                        bytes.size());
    std::string target = dir + "/NodeInfo.ini";
    ASSERT_EQ(write_builtin_bytes(span, target, true), 0);
    std::string contents;
    ASSERT_EQ(read_whole_file(target, &contents), 0);
    EXPECT_EQ(contents, "[Nodes]\r\nA=");
    std::time_t time = 0;
    ASSERT_EQ(file_modification_time(target, &time), 0);
    std::tm local{};
    localtime_r(&time, &local);
    EXPECT_EQ(local.tm_year, 124);
    EXPECT_EQ(local.tm_mon, 2);
    EXPECT_EQ(local.tm_mday, 5);
    EXPECT_EQ(local.tm_hour, 14);
    EXPECT_EQ(local.tm_min, 30);

    ASSERT_EQ(write_whole_file(target, "mine", 4), 0);
    ASSERT_EQ(write_builtin_bytes(span, target, false), 0);
    ASSERT_EQ(read_whole_file(target, &contents), 0);
    EXPECT_EQ(contents, "mine") << "without overwriting, an existing file stays";

    for (std::string bad : {std::string("   99\r\n05-Mar-2024 14:30\r\nshort"),
                            std::string("  1x\r\n05-Mar-2024 14:30\r\n"),
                            std::string("    1\r\n05-Foo-2024 14:30\r\nx"), std::string("1\r\n")}) {
        std::span<const unsigned char> b(reinterpret_cast<const unsigned char*>(bad.data()),
                                         bad.size());
        EXPECT_EQ(write_builtin_bytes(b, dir + "/bad", true), EINVAL) << bad;
    }
    EXPECT_EQ(write_builtin_file("NO_SUCH_RESOURCE", dir + "/x", true), ENOENT);
}

}  // namespace
}  // namespace orvane::platform
