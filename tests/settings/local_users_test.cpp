#include "settings/local_users.h"

#include <gtest/gtest.h>

#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "settings/user_settings.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::settings {
namespace {

using orvane::testing::TempDirectory;

void write(const std::string& path, const std::string& text) {
    ASSERT_EQ(platform::write_whole_file(path, text.data(), text.size()), 0);
}

class LocalUsersTest : public ::testing::Test {
  protected:
    LocalUsersTest()
        : common(cache.open(home.path(), "Orvane.ini")), places{cache, common, home.path()} {}

    int add(const std::string& name, int node = 'C') {
        NewUserRequest request{node, name, "pw",
                               propose_user_folder(places.users_directory(), name)};
        platform::Result<int> index = create_user(places, users, request, gate, ui);
        EXPECT_OK(index);
        return index.ok() ? *index : -1;
    }

    TempDirectory home;
    IniCache cache;
    IniFile common;
    UserPlaces places;
    UsersList users;
    VersionGate gate;
    platform::ScriptedUi ui;
};

TEST_F(LocalUsersTest, FolderProposalsTakeTheNameAndAvoidExistingFolders) {
    std::string users_dir = places.users_directory();
    EXPECT_EQ(propose_user_folder(users_dir, "Ann Lee-Smith"), users_dir + "/AnnLee-S");
    ASSERT_EQ(platform::make_directories(users_dir + "/AnnLee-S"), 0);
    EXPECT_EQ(propose_user_folder(users_dir, "Ann Lee-Smithers"), users_dir + "/AnnLee-S.1");
    EXPECT_EQ(propose_user_folder(users_dir, "../.."), users_dir + "/User");
}

TEST_F(LocalUsersTest, ANewUserGetsItsFoldersSettingsAndLine) {
    int index = add("Ann Lee-Smith");
    ASSERT_EQ(index, 0);
    std::string folder = places.users_directory() + "/AnnLee-S";
    for (const char* sub : {"LOG", "FILES", "UP", "DOWN"})
        EXPECT_TRUE(platform::directory_exists(folder + "/" + sub));
    EXPECT_EQ(common.get_string("Users", "::Users/AnnLee-S"), "67,Ann Lee-Smith,4");

    UserSettings settings;
    ASSERT_TRUE(settings.load(cache, folder, home.path(), gate, ui));
    EXPECT_EQ(settings.stored_version(), 54);
    EXPECT_EQ(settings.values.user.name, "Ann Lee-Smith");
    EXPECT_EQ(settings.values.user.password, "pw");
    EXPECT_EQ(settings.values.orvane.log_dir, folder + "/LOG");
    EXPECT_EQ(settings.values.orvane.download_dir, folder + "/FILES");
    EXPECT_EQ(settings.values.orvane.updump_dir, folder + "/UP");
    EXPECT_EQ(settings.values.orvane.downdump_dir, folder + "/DOWN");
    EXPECT_EQ(settings.file().get_string("Orvane", "Log Dir"), ":::LOG");
    settings.close();
}

TEST_F(LocalUsersTest, TheSameNodeAndNameOffersTheExistingFolder) {
    ASSERT_EQ(add("Ann Lee-Smith"), 0);
    NewUserRequest again{'C', "ann lee-smith", "",
                         propose_user_folder(places.users_directory(), "Ann")};
    int existing = -1;
    ui.answers = {platform::Answer::Yes};
    EXPECT_EQ(check_new_user(users, again, ui, &existing), NewUserCheck::UseExisting);
    EXPECT_EQ(existing, 0);
    ui.answers = {platform::Answer::Cancel};
    EXPECT_EQ(check_new_user(users, again, ui, &existing), NewUserCheck::Cancelled);
    ui.answers = {platform::Answer::No};
    EXPECT_EQ(check_new_user(users, again, ui, &existing), NewUserCheck::Create);

    again.folder = users.users[0].folder;
    ui.answers = {platform::Answer::No};
    EXPECT_EQ(check_new_user(users, again, ui, &existing), NewUserCheck::FolderExists);
    again.node = 'M';
    EXPECT_EQ(check_new_user(users, again, ui, &existing), NewUserCheck::FolderExists);
}

TEST_F(LocalUsersTest, TheListIsReadBackWithItsDefaultUser) {
    ASSERT_EQ(add("Ann Lee-Smith"), 0);
    ASSERT_EQ(add("Bob"), 1);
    users.set_default(common, 1, home.path());
    // A folder whose name holds "=" and one that has gone away.
    std::string odd = home.path() + "/odd=name";
    ASSERT_EQ(platform::make_directories(odd), 0);
    write(odd + "/Orvane.ini",
          "[Orvane]\nVersion=55\n[User]\nName=Odd\n[Login]\nBatch Session=6\n");
    ASSERT_EQ(adopt_user_folder(places, users, odd), 2);
    EXPECT_EQ(common.get_string("Users", "::odd?name"), "67,Odd,4");
    common.put_string("Users", ":gone/away", "77,Gone, with comma,2");
    common.put_string("Users", "::Users/Bob/", "1,duplicate,4");

    UsersList loaded;
    loaded.load(common, cache, home.path());
    ASSERT_EQ(loaded.users.size(), 4u);
    EXPECT_EQ(loaded.users[2].folder, odd);
    EXPECT_TRUE(loaded.users[2].present);
    EXPECT_EQ(loaded.users[3].folder, "/gone/away");
    EXPECT_FALSE(loaded.users[3].present);
    EXPECT_EQ(loaded.users[3].name, "Gone, with comma");
    EXPECT_EQ(loaded.users[3].node, 'M');
    EXPECT_EQ(loaded.users[3].batch_mode, 2u);
    EXPECT_EQ(loaded.default_index, 1);
    EXPECT_FALSE(common.has_key("Users", "::Users/Bob/"));

    common.put_string("Common", "Default User", "::Users/Nobody");
    loaded.load(common, cache, home.path());
    EXPECT_EQ(loaded.default_index, -1);
    EXPECT_FALSE(common.has_key("Common", "Default User"));
}

TEST_F(LocalUsersTest, TheBatchModeNeedsANameAndAPassword) {
    std::string folder = home.file("u");
    ASSERT_EQ(platform::make_directories(folder), 0);
    write(folder + "/Orvane.ini",
          "[Orvane]\nVersion=41\n[User]\nName=U@x\nPassword=\n[Login]\nBatch Session=6\n");
    UserEntry entry = read_user_entry(cache, folder);
    EXPECT_EQ(entry.name, "U");
    EXPECT_EQ(entry.node, 'C');
    EXPECT_EQ(entry.batch_mode, 4u);
    write(folder + "/Orvane.ini",
          "[Orvane]\nVersion=41\n[User]\nName=U\nPassword=p\n[Login]\nBatch Session=6\n");
    EXPECT_EQ(read_user_entry(cache, folder).batch_mode, 6u);
    write(folder + "/Orvane.ini",
          "[Orvane]\nVersion=40\n[User]\nName=U\nPassword=p\n[Login]\nBatch Session=6\n");
    EXPECT_EQ(read_user_entry(cache, folder).batch_mode, 4u);
}

TEST_F(LocalUsersTest, RemovingTheDefaultUserLeavesNoDefault) {
    ASSERT_EQ(add("Ann"), 0);
    ASSERT_EQ(add("Bob"), 1);
    ASSERT_EQ(add("Cy"), 2);
    users.set_default(common, 2, home.path());
    ASSERT_OK(delete_user(places, users, 0, false));
    EXPECT_EQ(users.default_index, 1);
    EXPECT_TRUE(platform::directory_exists(places.users_directory() + "/Ann"));
    ASSERT_OK(delete_user(places, users, 1, false));
    EXPECT_EQ(users.default_index, -1);
    EXPECT_FALSE(common.has_key("Common", "Default User"));
    EXPECT_EQ(common.keys("Users"), std::vector<std::string>{"::Users/Bob"});
}

TEST_F(LocalUsersTest, ErasingDeletesOnlyWhatBelongsToTheUser) {
    ASSERT_EQ(add("Ann"), 0);
    std::string outside = home.file("outside");
    ASSERT_EQ(platform::make_directories(outside), 0);
    for (const char* name :
         {"Orvane.ini", "fcabinet.cab", "other.cab", "AddrBook.dat", "keep.txt"}) {
        write(outside + "/" + name, "[User]\nName=Out\n");
    }
    ASSERT_EQ(adopt_user_folder(places, users, outside), 1);
    write(home.file("fcabinet.cab"), "x");
    common.put_string("User", "Name", "Home");
    UserEntry at_home = read_user_entry(cache, home.path());
    users.add(common, at_home, home.path());

    NodeTable nodes;
    EXPECT_NE(
        erase_explanation(users.users[0], places.users_directory(), nodes).find("whole folder"),
        std::string::npos);
    EXPECT_NE(
        erase_explanation(users.users[1], places.users_directory(), nodes).find("belong to\nOut"),
        std::string::npos);
    EXPECT_FALSE(erase_confirmed("erase user"));
    EXPECT_TRUE(erase_confirmed("yes, completely erase user!"));

    ASSERT_OK(delete_user(places, users, 2, true));
    EXPECT_FALSE(platform::file_exists(home.file("fcabinet.cab")));
    EXPECT_FALSE(common.has_section("User"));
    EXPECT_EQ(users.users.size(), 2u);
    ASSERT_OK(delete_user(places, users, 1, true));
    EXPECT_TRUE(platform::file_exists(outside + "/keep.txt"));
    for (const char* name : {"Orvane.ini", "fcabinet.cab", "other.cab", "AddrBook.dat"}) {
        EXPECT_FALSE(platform::file_exists(outside + "/" + name)) << name;
    }
    ASSERT_OK(delete_user(places, users, 0, true));
    EXPECT_FALSE(platform::directory_exists(places.users_directory() + "/Ann"));
    EXPECT_TRUE(platform::directory_exists(places.users_directory()));
    EXPECT_TRUE(users.users.empty());
    EXPECT_TRUE(common.keys("Users").empty());
}

}  // namespace
}  // namespace orvane::settings
