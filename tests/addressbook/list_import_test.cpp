#include "addressbook/list_import.h"

#include "addressbook/lookup.h"
#include "platform/file.h"
#include "platform/virtual_clock.h"
#include "settings/ini_file.h"
#include "settings/settings_version.h"
#include "tests/addressbook/book_fixture.h"
#include "texts/dates.h"

namespace orvane::addressbook::testing {
namespace {

using namespace object_flags;

class ListImportTest : public BookTest {
  protected:
    void SetUp() override {
        BookTest::SetUp();
        user_dir = path("user");
        ASSERT_EQ(platform::make_directories(user_dir), 0);
        other_dir = path("other");
        ASSERT_EQ(platform::make_directories(other_dir), 0);
    }

    // The open user: Ann Lee, object 12 on CORVID, watching CORVID.
    void open_user(const std::string& extra = {}) {
        const std::string ini = "[Orvane]\nVersion=55\n[User]\nName=Ann Lee\nNode=67\nObject=12\n" +
                                extra + "[Address Book]\nReport Changes=C\n";
        ASSERT_EQ(platform::write_whole_file(user_dir + "/Orvane.ini", ini.data(), ini.size()), 0);
        user.emplace();
        settings::VersionGate gate;
        ASSERT_TRUE(user->load(cache, user_dir, dir.path(), gate, policy));
    }

    platform::Result<ListImportOutcome> import(const std::string& name,
                                               const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& line : lines) text += line;
        const std::string file = write_file(name, text);
        ListImportContext context{*lists, nodes, policy, clock};
        if (user) {
            context.user = &*user;
            context.user_directory = user_dir;
        }
        context.watchers = watchers;
        return import_address_list(file, context);
    }

    void import_ok(const std::string& name, const std::vector<std::string>& lines) {
        auto outcome = import(name, lines);
        ASSERT_TRUE(outcome.ok()) << outcome.status().text();
        EXPECT_TRUE(index_problems(*lists).empty()) << index_problems(*lists).front();
    }

    std::optional<AddressObject> object(NodeKey node, uint16_t number) {
        auto read = lists->read_object(node, number);
        EXPECT_TRUE(read.ok());
        return read.ok() ? *read : std::nullopt;
    }

    std::string heading() {
        return "\nUpdated CORVID Addresses:  (" +
               texts::format_date(static_cast<uint32_t>(clock.now_utc()),
                                  texts::DateRequest::local_time) +
               ")\n\n";
    }

    ReportWatcher watcher(const std::string& directory, std::string report_nodes) {
        ReportWatcher w;
        w.directory = directory;
        w.node = 'C';
        w.object = 12;
        w.report_nodes = std::move(report_nodes);
        return w;
    }

    platform::VirtualClockEnv clock{files};
    settings::IniCache cache;
    std::string user_dir, other_dir;
    std::optional<settings::UserSettings> user;
    std::vector<ReportWatcher> watchers;
};

TEST_F(ListImportTest, ACompleteListReplacesItsNodesObjectsAndReportsNothing) {
    watchers = {watcher(user_dir, "C")};
    import_ok("MO00001$", {list_line(1, 1, 1, 0, "Mia Meridian")});
    import_ok("CO00001$",
              {list_line(1, 1, 1, 0, "John Smith", {4, 5, 6}), list_line(2, 2, 2, 0, "Chess Club"),
               list_line(3, 1, 3, 0, "Ola Berg"), "short line\r\n"});
    EXPECT_EQ(object('C', 1)->members, (std::vector<Member>{{'C', 5}, {'C', 6}}));
    EXPECT_EQ(object('C', 1)->first_number, 4);
    EXPECT_FALSE(platform::file_exists(path("CO00001$")));

    import_ok("CO00002$", {list_line(4, 1, 1, 0, "John Smith", {4, 5, 6}),
                           list_line(5, 1, 3, 0, "Ola Bergman")});
    EXPECT_TRUE(object('C', 1));
    EXPECT_FALSE(object('C', 2));
    EXPECT_EQ(object('C', 3)->name, "Ola Bergman");
    EXPECT_TRUE(object('M', 1));
    EXPECT_FALSE(platform::file_exists(user_dir + "/Report.txt"));
    EXPECT_EQ(*lists->node_serial('C').value(), 5);
}

TEST_F(ListImportTest, AListOfChangesReportsToItsWatchersAndRemovesOnlyWhatItMarks) {
    watchers = {watcher(user_dir, "C"), watcher(other_dir, "M")};
    import_ok("CO00001$",
              {list_line(1, 1, 1, 0, "John Smith"), list_line(1, 1, 2, 0, "Mary Jones"),
               list_line(1, 1, 3, kAbsent, "Ola Berg"), list_line(1, 2, 4, 0, "Chess Club"),
               list_line(1, 1, 5, 0, "Per Lund"), list_line(1, 2, 6, kMembersOnly, "Inner Circle"),
               list_line(1, 1, 16391, 0, "Perry")});
    auto outcome = import("CO00002#", {
                                          list_line(2, 1, 1, 0, "JOHN smith"),  // case only
                                          list_line(2, 1, 2, kSuspended, "Mary Jones"),
                                          list_line(2, 1, 3, 0, "Ola Berg"),
                                          list_line(2, 2, 4, kRemoved, ""),
                                          list_line(2, 1, 7, 0, "New Person"),
                                          list_line(2, 2, 6, kMembersOnly, "Inner Circle II"),
                                          list_line(2, 1, 16391, 0, "Perry Lund"),
                                      });
    ASSERT_TRUE(outcome.ok()) << outcome.status().text();
    EXPECT_TRUE(index_problems(*lists).empty());
    EXPECT_EQ(object('C', 1)->name, "JOHN smith");
    EXPECT_FALSE(object('C', 4));
    EXPECT_TRUE(object('C', 5));
    EXPECT_EQ(outcome->changes.size(), 7u);

    EXPECT_EQ(read_file("user/Report.txt"),
              heading() +
                  " - Suspended User \"Mary Jones\"\n"
                  " + Present User \"Ola Berg\"\n"
                  " - Removed Conference \"Chess Club\"\n"
                  " + Added User \"New Person\"\n"
                  " * Changed User (alias) 'Perry'\n     to 'Perry Lund'\n");
    EXPECT_FALSE(platform::file_exists(other_dir + "/Report.txt"));
    EXPECT_EQ(outcome->report_to_show, "");  // no open user to show it to

    // A member of the conference sees what it is called.
    watchers = {watcher(other_dir, "C")};
    watchers[0].memberships = {6};
    ASSERT_TRUE(import("CO00003#", {list_line(3, 2, 6, kMembersOnly, "Inner Circle III")}).ok());
    EXPECT_EQ(read_file("other/Report.txt"),
              heading() + " * Changed Conference 'Inner Circle II'\n     to 'Inner Circle III'\n");
}

TEST_F(ListImportTest, TheUsersOwnEntryUpdatesHisSettingsAndAnAliasLineOnlyHisAlias) {
    open_user("Secretary=Sam Secretary\n");
    watchers = {watcher(user_dir, "C")};
    import_ok("CO00001$",
              {list_line(1, 1, 12, 2, "Ann Lee"), list_line(1, 1, 20, 0, "Sam Secretary")});
    ASSERT_TRUE(import("CO00002#", {list_line(2, 1, 12 | kAliasBit, 3, "Annie"),
                                    list_line(2, 1, 20, 0, "Samuel Secretary")})
                    .ok());
    EXPECT_EQ(user->values.user.name, "Ann Lee");
    EXPECT_EQ(user->values.user.alias1, "Annie");
    EXPECT_EQ(user->values.user.privilege, 3);
    EXPECT_EQ(user->values.user.secretary, "Samuel Secretary");
    ASSERT_EQ(policy.notices.size(), 1u);
    EXPECT_EQ(policy.notices[0].text(), "Your alias has been changed to\nAnnie.");

    ASSERT_TRUE(import("CO00003#", {list_line(3, 1, 12, 2, "Ann Lee-Berg")}).ok());
    EXPECT_EQ(user->values.user.name, "Ann Lee-Berg");
    EXPECT_EQ(policy.notices.back().text(), "Your name has been changed to\nAnn Lee-Berg.");
    user->close();  // the last holder lets go: the file is written
    EXPECT_NE(read_file("user/Orvane.ini").find("Name=Ann Lee-Berg"), std::string::npos);

    auto shown = import("CO00004#", {list_line(4, 1, 30, 0, "Someone New")});
    EXPECT_EQ(shown->report_to_show, user_dir + "/Report.txt");
    ASSERT_TRUE(settle_read_report(user_dir, true, clock).ok());
    EXPECT_FALSE(platform::file_exists(user_dir + "/Report.txt"));
    EXPECT_NE(read_file("user/AddrChanges.txt").find("+ Added User \"Someone New\""),
              std::string::npos);
}

TEST_F(ListImportTest, TheHighestSerialIsKeptAndNeverLowered) {
    import_ok("CO00001#",
              {list_line(5, 1, 1, 0, "Five Person"), list_line(9, 1, 2, 0, "Nine Person"),
               list_line(7, 1, 3, 0, "Seven Person")});
    EXPECT_EQ(*lists->node_serial('C').value(), 9);
    import_ok("CO00002#", {list_line(3, 1, 4, 0, "Three Person")});
    EXPECT_EQ(*lists->node_serial('C').value(), 9);
    EXPECT_TRUE(object('C', 4));
}

TEST_F(ListImportTest, BadLinesArePassedOverAndACompleteListKeepsTheirObjects) {
    import_ok("CO00001$", {list_line(1, 1, 1, 0, "John Smith"), list_line(1, 1, 2, 0, "Mary Jones"),
                           list_line(1, 1, 3, 0, "Ola Berg")});
    std::string garbage(300, '\0');
    for (size_t i = 0; i < garbage.size(); ++i) garbage[i] = static_cast<char>(i * 7 + 1);
    import_ok("CO00002$",
              {list_line(2, 1, 1, 0, "John Smith"),
               "     2 1      2 1FFFFFFFF Flags that overflow\r\n", std::string(70000, '7') + "\n",
               garbage + "\n", list_line(2, 9, 3, 0, "Of a type not stored")});
    EXPECT_TRUE(object('C', 1));
    EXPECT_EQ(object('C', 2)->name, "Mary Jones");
    EXPECT_EQ(object('C', 3)->name, "Ola Berg");
    ASSERT_FALSE(policy.notices.empty());
    EXPECT_EQ(policy.notices.back().id(), platform::MessageId::kAddressLinesPassedOver);
}

TEST_F(ListImportTest, WhatIsNoListOfAKnownNodeIsRefusedAndKept) {
    auto refused = import("XO00001$", {list_line(1, 1, 1, 0, "John Smith")});
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.status().text(),
              "The address list 'XO00001$' belongs to the node X,\nwhich is not in the list of "
              "nodes.");
    EXPECT_TRUE(platform::file_exists(path("XO00001$")));
    EXPECT_EQ(import("addresses.txt", {}).status().id(), platform::MessageId::kNotAnAddressList);
    ListImportContext context{*lists, nodes, policy, clock};
    EXPECT_EQ(import_address_list(path("CO00009#"), context).status().id(),
              platform::MessageId::kCannotOpenFile);
}

TEST_F(ListImportTest, AnAbortedCompleteListRemovesNothingAndStoresNoSerial) {
    import_ok("CO00001$",
              {list_line(1, 1, 1, 0, "John Smith"), list_line(1, 1, 2, 0, "Mary Jones")});
    policy.cancel = true;
    std::vector<std::string> lines;
    for (int i = 0; i < 20; ++i) lines.push_back(list_line(50 + i, 1, 100 + i, 0, "Later Person"));
    auto outcome = import("CO00002$", lines);
    ASSERT_TRUE(outcome.ok());
    EXPECT_TRUE(outcome->aborted);
    EXPECT_TRUE(object('C', 1));
    EXPECT_TRUE(object('C', 2));
    EXPECT_EQ(*lists->node_serial('C').value(), 1);
    EXPECT_TRUE(platform::file_exists(path("CO00002$")));
    EXPECT_TRUE(index_problems(*lists).empty());
}

}  // namespace
}  // namespace orvane::addressbook::testing
