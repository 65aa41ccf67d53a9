#include "app/new_items.h"

#include <gtest/gtest.h>

#include <fstream>

#include "cabinet/fixed_boxes.h"
#include "packet/item_writer.h"
#include "platform/scripted_ui.h"
#include "settings/ini_file.h"
#include "settings/settings_version.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::app {
namespace {

using platform::MessageId;

class NewItemsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        {
            settings::IniFile file = cache_.open(home_.path(), "Orvane.ini");
            file.put_string("User", "Name", "Ann Lee");
            file.put_string("User", "Node", "84");  // 'T'
        }
        ASSERT_TRUE(user_.load(cache_, home_.path(), home_.path(), gate_, ui_));
        auto created = cabinet::Cabinet::create(home_.file("fcabinet.cab"), {}, ui_);
        ASSERT_OK(created);
        cabinet_ = std::move(*created);
    }
    void TearDown() override {
        EXPECT_OK(cabinet_->close());
        user_.close();
    }

    platform::Result<texts::TextId> write(const NewItem& item) {
        return write_new_item(*cabinet_, user_, item, home_.path(), ui_);
    }
    texts::TextRecord stored(texts::TextId id) {
        auto text = cabinet_->read_text(id);
        EXPECT_OK(text);
        return text.ok() && *text ? **text : texts::TextRecord{};
    }
    static NewItem letter(std::string subject, std::string body = "Hello\n") {
        NewItem item;
        item.to = {"Bo Ek"};
        item.subject = std::move(subject);
        item.body = std::move(body);
        return item;
    }

    orvane::testing::TempDirectory home_;
    settings::IniCache cache_;
    settings::VersionGate gate_;
    platform::ScriptedUi ui_;
    settings::UserSettings user_;
    std::unique_ptr<cabinet::Cabinet> cabinet_;
};

TEST_F(NewItemsTest, TypedTextIsStoredInTheUsersCodePageWithItsCharsetByte) {
    auto id = write(letter("Lunch \xC3\xA9", "Sm\xC3\xB6rg\xC3\xA5sbord\r\np\xC3\xA5 fredag\r\n"));
    ASSERT_OK(id);
    texts::TextRecord text = stored(*id);
    EXPECT_EQ(text.subject, "Lunch \xE9");
    EXPECT_EQ(text.body, "Sm\xF6rg\xE5sbord\np\xE5 fredag\n");
    EXPECT_EQ(text.charset, texts::make_charset(texts::charsets::kWindowsClass, 1));

    user_.values.options.character_set = texts::charsets::kCyrillicVariant;
    id = write(letter("\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82"));
    ASSERT_OK(id);
    text = stored(*id);
    EXPECT_EQ(text.subject, "\xCF\xF0\xE8\xE2\xE5\xF2");
    EXPECT_EQ(text.charset, texts::make_charset(texts::charsets::kWindowsClass, 5));
    EXPECT_EQ(stored(*write(letter("plain"))).charset, 0) << "ASCII needs no code page";
}

TEST_F(NewItemsTest, WhatTheCodePageCannotHoldIsRefusedUnlessTransliterated) {
    NewItem item = letter("Hi", "ok\nand \xD0\x96 here\n");
    auto refused = write(item);
    EXPECT_EQ(refused.status().id(), MessageId::kNotInCodePage);
    EXPECT_NE(refused.status().text().find("line 2, column 5"), std::string::npos)
        << refused.status().text();
    EXPECT_TRUE(cabinet_->read_box_list(cabinet::box::kOutBasket)->ids.empty());

    item.transliterate = true;
    ui_.shown.clear();
    auto id = write(item);
    ASSERT_OK(id);
    EXPECT_EQ(stored(*id).body.find('?'), std::string::npos) << "never a silent question mark";
    ASSERT_EQ(ui_.shown.size(), 1u);
    EXPECT_NE(ui_.shown[0].text.find("\xD0\x96 -> "), std::string::npos) << ui_.shown[0].text;

    EXPECT_EQ(write(letter("Hi", "bad \xC3\x28\n")).status().id(), MessageId::kNotUtf8);
}

TEST_F(NewItemsTest, HeaderValuesWithControlCharactersOrNothingInThemAreRefused) {
    EXPECT_EQ(write(letter("Hi\n@delete 999")).status().id(), MessageId::kControlCharacter);
    NewItem bad_receiver = letter("Hi");
    bad_receiver.to = {"Bo\rEk"};
    EXPECT_EQ(write(bad_receiver).status().id(), MessageId::kControlCharacter);
    NewItem no_receiver = letter("Hi");
    no_receiver.to = {"  "};
    EXPECT_EQ(write(no_receiver).status().id(), MessageId::kIsMissing);
    NewItem command;
    command.kind = ItemKind::kCommand;
    EXPECT_EQ(write(command).status().id(), MessageId::kIsMissing);
    command.command_lines = {"@home", ""};
    EXPECT_EQ(write(command).status().id(), MessageId::kIsMissing);
    command.command_lines = {"@home\n@quit"};
    EXPECT_EQ(write(command).status().id(), MessageId::kControlCharacter);
    EXPECT_EQ(write(letter(std::string(1024, 'x'))).status().id(), MessageId::kTooLong);
    EXPECT_TRUE(cabinet_->read_box_list(cabinet::box::kOutBasket)->ids.empty());
}

TEST_F(NewItemsTest, ATextTooLongForTheCabinetIsRefusedWholeNeverCut) {
    std::string body;
    while (body.size() < 70000) body += "A line of a long text, longer than a cabinet holds.\n";
    const auto refused = write(letter("Big", body));
    EXPECT_EQ(refused.status().id(), MessageId::kTextTooLong);
    EXPECT_NE(refused.status().text().find("64480"), std::string::npos);
    EXPECT_TRUE(cabinet_->read_box_list(cabinet::box::kOutBasket)->ids.empty());
}

TEST_F(NewItemsTest, AttachmentsAreStoredAbsoluteAndMustBeReadable) {
    { std::ofstream(home_.file("menu.txt")) << "soup"; }
    NewItem item = letter("Menu");
    item.attachments = {"menu.txt"};  // relative to the folder the user is in
    auto id = write(item);
    ASSERT_OK(id);
    const texts::TextRecord text = stored(*id);
    ASSERT_EQ(text.fields.size(), 1u);
    EXPECT_EQ(packet::split_attach_value(text.fields[0].value).path, home_.file("menu.txt"));

    item.attachments = {"missing.txt"};
    EXPECT_EQ(write(item).status().id(), MessageId::kCannotReadFile);
    item.attachments = {"."};
    EXPECT_EQ(write(item).status().id(), MessageId::kCannotReadFile) << "a folder is no file";
}

TEST_F(NewItemsTest, AReplyKeepsTheCodePageOfItsTextWhenThatHoldsEveryCharacter) {
    texts::TextRecord original;
    original.id = texts::make_text_id('T', 500);
    original.author.text = "Olga";
    original.subject = "\xCF\xF0\xE8";
    original.charset = texts::make_charset(texts::charsets::kDosClass, 5);
    ASSERT_OK(cabinet_->file_text(original, cabinet::box::kInBasket));
    NewItem answer = letter("");
    answer.kind = ItemKind::kAnswer;
    answer.to.clear();
    answer.original = original;
    answer.body = "\xD0\x94\xD0\xB0\n";  // Cyrillic: DOS cyrillic holds it
    auto id = write(answer);
    ASSERT_OK(id);
    EXPECT_EQ(stored(*id).charset, original.charset);
    EXPECT_EQ(stored(*id).body, "\x84\xA0\n");

    answer.body = "\xC3\xA9\xD0\x94\n";  // "é" too: no single code page holds both
    answer.transliterate = false;
    EXPECT_EQ(write(answer).status().id(), MessageId::kNotInCodePage);
}

TEST_F(NewItemsTest, ALinkAsCommentNamesAStoredTextOfTheHomeNode) {
    texts::TextRecord target;
    target.id = texts::make_text_id('T', 4711);
    target.author.text = "Cy";
    NewItem item = letter("See this");
    item.link_as_comment_to = target;
    auto id = write(item);
    ASSERT_OK(id);
    const texts::TextRecord text = stored(*id);
    EXPECT_EQ(texts::text_kind(text.kind_flags), texts::TextKind::kNewText);
    EXPECT_TRUE(text.outgoing_options & texts::outgoing_options::kAddAsComment);
    ASSERT_EQ(text.links.size(), 1u);
    EXPECT_EQ(text.links[0].id, target.id);

    item.link_as_comment_to->id = texts::make_text_id('Q', 4711);
    EXPECT_EQ(write(item).status().id(), MessageId::kLinkOtherNode);
}

}  // namespace
}  // namespace orvane::app
