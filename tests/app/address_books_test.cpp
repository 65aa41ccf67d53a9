// The address books in the program's frame: the lists open from start-up to
// shutdown, the personal book from user open to user close, and receivers
// of new items looked up in them.
#include "app/address_books.h"

#include <gtest/gtest.h>

#include "addressbook/write_batch.h"
#include "app/address_request.h"
#include "app/application.h"
#include "cabinet/fixed_boxes.h"
#include "platform/directories.h"
#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "settings/ini_file.h"
#include "settings/settings_version.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::app {
namespace {

using namespace addressbook;

// True when nobody holds the file: a book that is closed can be opened alone.
bool closed(const std::string& path) {
    platform::UnattendedPolicy policy;
    auto book = BookFile::open(path, false, policy);
    return book.ok() && book->close().ok();
}

TEST(AddressBooksTest, TheListsLiveFromStartToShutdownAndTheUsersBookWithTheUser) {
    orvane::testing::TempDirectory home;
    const std::string saved = platform::current_directory();
    platform::ScriptedUi ui;
    Application application(ui, [](const settings::UsersList&) { return std::nullopt; });
    ASSERT_TRUE(application.initialise({home.path(), {}}));
    ASSERT_TRUE(application.address_lists());
    EXPECT_FALSE(closed(home.file(kListsFileName)));
    settings::NewUserRequest request{
        'C', "Ann", "pw",
        settings::propose_user_folder(application.places().users_directory(), "Ann")};
    ASSERT_GE(application.request_new_user(request), 0);

    bool had_book = false;
    application.set_message_handler(
        platform::PostedMessage::kHelpRequest, [&](const platform::Message&) {
            UserSession* user = application.open_user();
            had_book =
                user->personal_book.has_value() && !closed(home.file("Users/Ann/AddrBook.dat"));
            application.request_quit();
        });
    application.loop().post({platform::PostedMessage::kHelpRequest, 0, 0});
    application.run_user_loop();
    EXPECT_TRUE(had_book);
    EXPECT_TRUE(closed(home.file("Users/Ann/AddrBook.dat")));
    application.shutdown();
    EXPECT_FALSE(application.address_lists());
    EXPECT_TRUE(closed(home.file(kListsFileName)));
    (void)platform::change_directory(saved);
}

TEST(AddressBooksTest, AnAddressListFileIsHandedToTheListsInOneCall) {
    orvane::testing::TempDirectory home;
    const std::string saved = platform::current_directory();
    platform::ScriptedUi ui;
    Application application(ui, [](const settings::UsersList&) { return std::nullopt; });
    ASSERT_TRUE(application.initialise({home.path(), {}}));
    const std::string list = home.file("CO00001$");
    const std::string line = "     1 1      5 00000000 Bo Ek  \r\n";
    ASSERT_EQ(platform::write_whole_file(list, line.data(), line.size()), 0);

    auto outcome = import_address_list_file(application, nullptr, home.path(), list);
    ASSERT_OK(outcome);
    EXPECT_EQ(outcome->stored, 1u);
    EXPECT_FALSE(platform::file_exists(list));
    auto object = application.address_lists()->read_object('C', 5);
    ASSERT_OK(object);
    ASSERT_TRUE(*object);
    EXPECT_EQ((*object)->name, "Bo Ek");
    application.shutdown();
    // The program moved into its directory; nothing here uses a relative path.
    (void)platform::change_directory(saved);
}

class ReceiverLookupTest : public ::testing::Test {
  protected:
    void SetUp() override {
        {
            settings::IniFile file = cache_.open(home_.path(), "Orvane.ini");
            file.put_string("User", "Name", "Ann Lee");
            file.put_string("User", "Node", "67");
        }
        ASSERT_TRUE(user_.load(cache_, home_.path(), home_.path(), gate_, ui_));
        auto created = cabinet::Cabinet::create(home_.file("fcabinet.cab"), {}, ui_);
        ASSERT_OK(created);
        cabinet_ = std::move(*created);
        auto lists = BookFile::open(home_.file(kListsFileName), false, ui_);
        ASSERT_OK(lists);
        lists_.emplace(std::move(*lists));
        auto personal = BookFile::open(home_.file(kPersonalFileName), false, ui_);
        ASSERT_OK(personal);
        personal_.emplace(std::move(*personal));
    }
    void TearDown() override {
        EXPECT_OK(cabinet_->close());
        user_.close();
    }

    void add(BookFile& book, NodeKey node, uint16_t number, uint8_t type, std::string name,
             std::string address = {}) {
        AddressObject object;
        object.node = node;
        object.number = number;
        object.type = type;
        object.name = std::move(name);
        object.address = std::move(address);
        auto batch = WriteBatch::begin(book);
        ASSERT_OK(batch);
        ASSERT_OK(batch->store(object, std::nullopt));
        ASSERT_OK(batch->commit());
    }

    platform::Result<texts::TextRecord> write(ItemKind kind, std::vector<std::string> to,
                                              std::vector<std::string> cc = {}) {
        NewItem item;
        item.kind = kind;
        item.to = std::move(to);
        item.cc = std::move(cc);
        item.subject = "Hello";
        item.body = "Hello\n";
        item.look_up_receiver = receiver_lookup(Books{&*lists_, &*personal_}, user_);
        auto id = write_new_item(*cabinet_, user_, item, home_.path(), ui_);
        if (!id.ok()) return id.take_status();
        auto text = cabinet_->read_text(*id);
        if (!text.ok()) return text.take_status();
        return **text;
    }

    orvane::testing::TempDirectory home_;
    settings::IniCache cache_;
    settings::VersionGate gate_;
    platform::ScriptedUi ui_;
    settings::UserSettings user_;
    std::unique_ptr<cabinet::Cabinet> cabinet_;
    std::optional<BookFile> lists_, personal_;
};

TEST_F(ReceiverLookupTest, ReceiversAreWrittenAsTheBookKnowsThemWithTheirKind) {
    // Nothing known of the home node yet: names go as typed.
    auto typed = write(ItemKind::kLetter, {"jo sm"});
    ASSERT_OK(typed);
    EXPECT_EQ(typed->receivers[0].name.text, "jo sm");
    EXPECT_EQ(typed->receivers[0].name_type, 0);

    add(*lists_, 'C', 1, kPerson, "John Smith");
    add(*lists_, 'C', 2, kPerson, "Jo Smithers");
    add(*lists_, 'C', 3, kConference, "Chess Club");
    add(*lists_, 'M', 4, kPerson, "Meridian Person");
    add(*personal_, kPersonalNode, 1, kPersonalEntry, "Friend Far", "far@example.org");

    auto letter = write(ItemKind::kLetter, {"john sm", "friend"}, {"bob@example.org"});
    ASSERT_OK(letter);
    ASSERT_EQ(letter->receivers.size(), 3u);
    EXPECT_EQ(letter->receivers[0].name.text, "John Smith");
    EXPECT_EQ(letter->receivers[0].name_type, kPerson);
    EXPECT_EQ(letter->receivers[0].name.kind, kPerson);
    EXPECT_EQ(letter->receivers[1].name.text, "far@example.org");
    EXPECT_EQ(letter->receivers[1].name_type, kPersonalEntry);
    EXPECT_EQ(letter->receivers[2].name.text, "bob@example.org");
    EXPECT_EQ(letter->receivers[2].name_type, 0);

    auto text = write(ItemKind::kConferenceText, {"chess"});
    ASSERT_OK(text);
    EXPECT_EQ(text->receivers[0].name.text, "Chess Club");
    EXPECT_EQ(text->receivers[0].name_type, kConference);

    auto ambiguous = write(ItemKind::kLetter, {"jo sm"});
    ASSERT_FALSE(ambiguous.ok());
    EXPECT_EQ(ambiguous.status().text(),
              "'jo sm' may mean any of these:\n  John Smith (C:1)\n  Jo Smithers (C:2)\n");
    EXPECT_EQ(write(ItemKind::kLetter, {"meridian"}).status().id(),
              platform::MessageId::kNoAddressFound);  // only the home node is searched
    auto box = cabinet_->read_box_list(cabinet::box::kOutBasket);
    ASSERT_OK(box);
    EXPECT_EQ(box->ids.size(), 3u);  // the refused ones were not filed
}

TEST_F(ReceiverLookupTest, TheDownloadRequestIsACommandTextInTheOutBasket) {
    auto id = request_address_book(*cabinet_, user_);
    ASSERT_OK(id);
    auto text = cabinet_->read_text(*id);
    ASSERT_OK(text);
    EXPECT_EQ((*text)->subject, "Download address book");
    EXPECT_EQ((*text)->body, "@Orvane download all objects\n");
    auto box = cabinet_->read_box_list(cabinet::box::kOutBasket);
    ASSERT_OK(box);
    EXPECT_EQ(box->ids.size(), 1u);
}

}  // namespace
}  // namespace orvane::app
