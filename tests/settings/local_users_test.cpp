#include "settings/local_users.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "platform/fault_env.h"
#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "settings/user_settings.h"
#include "tests/support/read_only_env.h"
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
    ASSERT_OK(users.set_default(common, 1, home.path()));
    // A folder whose name holds "=" and one that has gone away.
    std::string odd = home.path() + "/odd=name";
    ASSERT_EQ(platform::make_directories(odd), 0);
    write(odd + "/Orvane.ini",
          "[Orvane]\nVersion=55\n[User]\nName=Odd\n[Login]\nBatch Session=6\n");
    ASSERT_EQ(*adopt_user_folder(places, users, odd), 2);
    EXPECT_EQ(adopt_user_folder(places, users, home.file("no-such")).status().id(),
              platform::MessageId::kNoUserSettingsIn);
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
    EXPECT_EQ(entry.name, "U@x");  // the list keeps the name as the user gave it
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
    ASSERT_OK(users.set_default(common, 2, home.path()));
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
         {"Orvane.ini", "fcabinet.cab", "OTHER.CAB", "AddrBook.dat", "keep.txt"}) {
        write(outside + "/" + name, "[User]\nName=Out\n");
    }
    ASSERT_EQ(*adopt_user_folder(places, users, outside), 1);
    write(home.file("fcabinet.cab"), "x");
    common.put_string("User", "Name", "Home");
    UserEntry at_home = read_user_entry(cache, home.path());
    ASSERT_EQ(*users.add(common, at_home, home.path()), 2);

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
    for (const char* name : {"Orvane.ini", "fcabinet.cab", "OTHER.CAB", "AddrBook.dat"}) {
        EXPECT_FALSE(platform::file_exists(outside + "/" + name)) << name;
    }
    ASSERT_OK(delete_user(places, users, 0, true));
    EXPECT_FALSE(platform::directory_exists(places.users_directory() + "/Ann"));
    EXPECT_TRUE(platform::directory_exists(places.users_directory()));
    EXPECT_TRUE(users.users.empty());
    EXPECT_TRUE(common.keys("Users").empty());
}

TEST_F(LocalUsersTest, AUserListedInAnotherWrittenFormIsDeletedWhole) {
    ASSERT_EQ(add("Ann"), 0);
    const std::string folder = places.users_directory() + "/Ann";
    // The same folder written by hand: as a full path with a trailing "/",
    // and once more as the program writes it.
    common.delete_section("Users");
    common.put_string("Users", folder + "/", "67,Ann,4");
    common.put_string("Users", "::Users/Ann", "67,Ann,4");
    ASSERT_OK(common.commit());

    UsersList loaded;
    loaded.load(common, cache, home.path());
    ASSERT_EQ(loaded.users.size(), 1u);
    EXPECT_EQ(common.keys("Users"), std::vector<std::string>{"::Users/Ann"});

    common.put_string("Users", folder, "67,Ann,4");  // and a line written after the load
    ASSERT_OK(loaded.remove(common, 0, home.path()));
    EXPECT_TRUE(common.keys("Users").empty());
    UsersList again;
    again.load(common, cache, home.path());
    EXPECT_TRUE(again.users.empty());
}

TEST_F(LocalUsersTest, NamesAndPasswordsAreRefusedRatherThanCut) {
    const std::string folder = places.users_directory() + "/X";
    for (const auto& [name, password, id] :
         std::initializer_list<std::tuple<std::string, std::string, platform::MessageId>>{
             {"Ann\x1b[2J", "", platform::MessageId::kControlCharacter},
             {"Ann\nBob", "", platform::MessageId::kControlCharacter},
             {std::string(56, 'a'), "", platform::MessageId::kTooLong},
             {"Ann", std::string(31, 'p'), platform::MessageId::kTooLong},
             {"Ann", "pass\tword", platform::MessageId::kControlCharacter},
         }) {
        NewUserRequest request{'C', name, password, folder};
        platform::Result<int> created = create_user(places, users, request, gate, ui);
        ASSERT_FALSE(created.ok());
        EXPECT_EQ(created.status().id(), id) << created.status().text();
        EXPECT_FALSE(platform::directory_exists(folder));
    }
    EXPECT_NE(check_user_name(std::string(56, 'a')).text().find("longer than 55"),
              std::string::npos);
    EXPECT_OK(check_user_name(std::string(55, 'a')));
    EXPECT_OK(check_user_name("Ann Lee-Smith (Orvane)"));
    EXPECT_TRUE(users.users.empty());
}

TEST_F(LocalUsersTest, AUserThatCannotBeListedIsNotCreated) {
    // The common "Orvane.ini" is a folder: nothing can be listed in it.
    TempDirectory other;
    ASSERT_EQ(platform::make_directories(other.file("Orvane.ini")), 0);
    IniFile broken = cache.open(other.path(), "Orvane.ini");
    UserPlaces broken_places{cache, broken, other.path()};
    NewUserRequest request{'C', "Ann", "", broken_places.users_directory() + "/Ann"};
    platform::Result<int> created = create_user(broken_places, users, request, gate, ui);
    ASSERT_FALSE(created.ok());
    EXPECT_EQ(created.status().id(), platform::MessageId::kCannotReadFile);
    EXPECT_EQ(created.status().subject(), other.file("Orvane.ini"));
    EXPECT_TRUE(users.users.empty());
    EXPECT_FALSE(platform::directory_exists(request.folder));

    // A write that fails at each step: the error comes back and nobody is listed.
    platform::FaultEnv faults;
    IniCache fault_cache(faults);
    IniFile fault_common = fault_cache.open(home.path(), "Orvane.ini");
    UserPlaces fault_places{fault_cache, fault_common, home.path()};
    faults.count_only();
    UsersList counted;
    ASSERT_OK(create_user(fault_places, counted, {'C', "Bob", "", home.file("Bob")}, gate, ui));
    const uint64_t steps = faults.operations();
    ASSERT_GT(steps, 0u);
    for (uint64_t step = 0; step < steps; ++step) {
        UsersList list;
        IniFile fresh = fault_cache.open(home.path(), "Orvane.ini");
        fresh.delete_section("Users");
        ASSERT_OK(fresh.commit());
        UserPlaces step_places{fault_cache, fresh, home.path()};
        faults.arm(step, platform::FaultEnv::Fault::kFail);
        platform::Result<int> made =
            create_user(step_places, list, {'C', "Cy", "", home.file("Cy")}, gate, ui);
        faults.disarm();
        if (made.ok()) {
            // The failed step was a write the user's creation does not
            // depend on (it was told to the policy and done again later).
            EXPECT_TRUE(
                fresh.has_key("Users", users_key_from_folder(home.file("Cy"), home.path())));
            std::filesystem::remove_all(home.file("Cy"));
            continue;
        }
        EXPECT_TRUE(list.users.empty()) << step;
        EXPECT_FALSE(fresh.has_key("Users", users_key_from_folder(home.file("Cy"), home.path())))
            << step;
        EXPECT_FALSE(platform::directory_exists(home.file("Cy"))) << step;
    }
}

TEST_F(LocalUsersTest, AFailedListWriteIsReportedByDeleteAndDefault) {
    ASSERT_EQ(add("Ann"), 0);
    orvane::testing::ReadOnlyEnv read_only;
    IniCache read_only_cache(read_only);
    IniFile frozen = read_only_cache.open(home.path(), "Orvane.ini");
    UserPlaces frozen_places{read_only_cache, frozen, home.path()};
    UsersList list;
    list.load(frozen, read_only_cache, home.path());
    ASSERT_EQ(list.users.size(), 1u);
    EXPECT_EQ(list.set_default(frozen, 0, home.path()).id(), platform::MessageId::kCannotWriteFile);
    EXPECT_EQ(delete_user(frozen_places, list, 0, false).id(),
              platform::MessageId::kCannotWriteFile);
}

TEST_F(LocalUsersTest, UsersAreFoundByNameFolderOrFolderName) {
    ASSERT_EQ(add("Ann"), 0);
    ASSERT_EQ(add("Ann", 'K'), 1);  // the same name on another node: folder Ann.1
    ASSERT_EQ(add("Bob"), 2);
    const std::string users_dir = places.users_directory();
    EXPECT_EQ(*users.find_user("bob", users_dir), 2u);
    EXPECT_EQ(*users.find_user(users_dir + "/Ann.1", users_dir), 1u);
    EXPECT_EQ(*users.find_user(users_dir + "/Ann.1/", users_dir), 1u);
    EXPECT_EQ(*users.find_user("Ann.1", users_dir), 1u);  // as "user default" takes it
    EXPECT_EQ(*users.find_user(users_dir + "/../Users/Bob", users_dir), 2u);

    platform::Result<size_t> both = users.find_user("ann", users_dir);
    ASSERT_FALSE(both.ok());
    EXPECT_EQ(both.status().id(), platform::MessageId::kAmbiguousUser);
    EXPECT_NE(both.status().text().find(users_dir + "/Ann.1"), std::string::npos);
    EXPECT_EQ(users.find_user("Nobody", users_dir).status().id(), platform::MessageId::kNoSuchUser);

    EXPECT_EQ(users.choose_user("", users_dir).status().id(), platform::MessageId::kNoDefaultUser);
    ASSERT_OK(users.set_default(common, 2, home.path()));
    EXPECT_EQ(*users.choose_user("", users_dir), 2u);
    EXPECT_EQ(UsersList{}.choose_user("", users_dir).status().id(),
              platform::MessageId::kNoLocalUsers);
}

}  // namespace
}  // namespace orvane::settings
