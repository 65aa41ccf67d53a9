// Commands from the catalogue into the out-basket: one command text per
// session, appended to, never twice the same command, and never a text
// that has left the out-basket.
#include <gtest/gtest.h>

#include "app/command_commit.h"
#include "cabinet/fixed_boxes.h"
#include "packet/item_writer.h"
#include "platform/scripted_ui.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::app {
namespace {

commands::CommandBody body_of(std::string_view text) {
    platform::Result<commands::CommandBody> body = commands::build_command_body(text, {}, "@", {});
    EXPECT_OK(body);
    return body.ok() ? *body : commands::CommandBody{};
}

class CommandCommit : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::Result<std::unique_ptr<cabinet::Cabinet>> created =
            cabinet::Cabinet::create(temp.file("fcabinet.cab"), {}, ui);
        ASSERT_OK(created);
        cabinet = std::move(*created);
        writer.author.text = "Ann Lee";
    }
    void TearDown() override {
        if (cabinet) {
            EXPECT_OK(cabinet->close());
        }
    }
    texts::TextRecord text(texts::TextId id) {
        platform::Result<std::optional<texts::TextRecord>> read = cabinet->read_text(id);
        EXPECT_OK(read);
        return read.ok() && *read ? **read : texts::TextRecord{};
    }
    std::vector<texts::TextId> out_basket() {
        platform::Result<cabinet::BoxList> list = cabinet->read_box_list(cabinet::box::kOutBasket);
        EXPECT_OK(list);
        return list.ok() ? list->ids : std::vector<texts::TextId>{};
    }

    orvane::testing::TempDirectory temp;
    platform::ScriptedUi ui;
    std::unique_ptr<cabinet::Cabinet> cabinet;
    packet::Writer writer;
};

TEST_F(CommandCommit, OneSessionCollectsItsCommandsInOneText) {
    CommandCollector collector(*cabinet, writer);
    platform::Result<texts::TextId> first = collector.commit(body_of("join Chess"), "join Chess");
    ASSERT_OK(first);
    platform::Result<texts::TextId> second =
        collector.commit(body_of("suspend Go\nsuspend Poker"), "suspend Go");
    ASSERT_OK(second);
    EXPECT_EQ(*first, *second);
    EXPECT_EQ(out_basket(), std::vector<texts::TextId>{*first});
    texts::TextRecord command = text(*first);
    EXPECT_TRUE(packet::is_command(command));
    EXPECT_EQ(command.subject, "join Chess");
    EXPECT_EQ(command.body, "@join Chess\n@suspend Go\n@suspend Poker\n");

    platform::Result<texts::TextId> twice =
        collector.commit(body_of("suspend Go\nsuspend Poker"), "x");
    EXPECT_EQ(twice.status().id(), platform::MessageId::kCommandAlreadyQueued);
    EXPECT_EQ(text(*first).body, command.body);

    // A new session starts a new text, unless it looks at the whole out-basket.
    CommandCollector next(*cabinet, writer);
    platform::Result<texts::TextId> other = next.commit(body_of("join Chess"), "join Chess");
    ASSERT_OK(other);
    EXPECT_NE(*other, *first);
    CommandCollector one_shot(*cabinet, writer, DuplicateScope::kOutBasket);
    EXPECT_EQ(one_shot.commit(body_of("suspend Poker"), "x").status().id(),
              platform::MessageId::kCommandAlreadyQueued);
    EXPECT_OK(one_shot.commit(body_of("join Go"), "join Go"));
}

TEST_F(CommandCommit, CommandsAreKeptInTheUsersCodePage) {
    CommandCollector collector(*cabinet, writer);
    platform::Result<texts::TextId> stored =
        collector.commit(body_of("add member Chess \xC3\x85se"), "add member Chess \xC3\x85se");
    ASSERT_OK(stored);
    texts::TextRecord command = text(*stored);
    EXPECT_EQ(command.body, "@add member Chess \xC5se\n");
    EXPECT_EQ(command.subject, "add member Chess \xC5se");
    EXPECT_EQ(command.charset, texts::make_charset(texts::charsets::kWindowsClass, 1));
    // A character the code page cannot hold is refused, not mangled.
    EXPECT_EQ(collector.commit(body_of("join \xD0\x96"), "x").status().id(),
              platform::MessageId::kNotInCodePage);
}

TEST_F(CommandCommit, ATextThatLeftTheOutBasketIsNeverAppendedTo) {
    CommandCollector collector(*cabinet, writer);
    platform::Result<texts::TextId> first = collector.commit(body_of("join Chess"), "join Chess");
    ASSERT_OK(first);
    // A packet was built meanwhile: the text waits in Pending Sent Commands.
    ASSERT_OK(cabinet->ensure_fixed_box(cabinet::box::kPendingSentCommands));
    ASSERT_OK(
        cabinet->move_text(*first, cabinet::box::kOutBasket, cabinet::box::kPendingSentCommands));
    platform::Result<texts::TextId> second = collector.commit(body_of("join Go"), "join Go");
    ASSERT_OK(second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(text(*first).body, "@join Chess\n");
    EXPECT_EQ(text(*second).body, "@join Go\n");
    EXPECT_EQ(collector.text(), *second);
}

TEST_F(CommandCommit, AFullTextMakesRoomInANewOne) {
    CommandCollector collector(*cabinet, writer);
    std::string many;
    for (int i = 0; i < 1800; ++i) many += "join conference " + std::to_string(i) + "\n";
    platform::Result<texts::TextId> first = collector.commit(body_of(many), "join");
    ASSERT_OK(first);
    platform::Result<texts::TextId> second =
        collector.commit(body_of(many + "join conference x"), "join");
    ASSERT_OK(second);
    EXPECT_NE(*first, *second);
    EXPECT_LE(text(*first).body.size(), commands::kMaxCommandBody);
}

TEST_F(CommandCommit, UploadsBecomeFilesToAttach) {
    CommandCollector collector(*cabinet, writer);
    platform::Result<commands::CommandBody> body = commands::build_command_body(
        "upload Photos\n+\"/home/ann/my cat.jpg\" \"Our cat\"", {}, "@", {});
    ASSERT_OK(body);
    platform::Result<texts::TextId> stored = collector.commit(*body, "Upload my cat.jpg");
    ASSERT_OK(stored);
    texts::TextRecord command = text(*stored);
    ASSERT_EQ(command.fields.size(), 1u);
    EXPECT_EQ(command.fields[0].code, texts::HeaderCode::kAttach);
    packet::AttachValue attach = packet::split_attach_value(command.fields[0].value);
    EXPECT_EQ(attach.path, "/home/ann/my cat.jpg");
    EXPECT_EQ(attach.rest, "\"Our cat\"");
}

TEST_F(CommandCommit, NameChangeGoesToTheNamesConference) {
    settings::UserSettings user;
    user.values.user.name = "Ann Smith";
    platform::Result<texts::TextId> notice =
        post_name_change(*cabinet, user, {"Ann Lee", "Ann Smith"}, ui);
    ASSERT_OK(notice);
    texts::TextRecord text_to_names = text(*notice);
    ASSERT_EQ(text_to_names.receivers.size(), 1u);
    EXPECT_EQ(text_to_names.receivers[0].name.text, "Names");
    EXPECT_EQ(text_to_names.subject, "Ann Lee");
    EXPECT_EQ(text_to_names.body, "is now Ann Smith.\n");
    EXPECT_FALSE(packet::is_command(text_to_names));
}

}  // namespace
}  // namespace orvane::app
