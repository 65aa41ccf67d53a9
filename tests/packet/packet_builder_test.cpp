#include "packet/packet_builder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>

#include "cabinet/fixed_boxes.h"
#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "settings/ini_file.h"
#include "tests/support/temp_directory.h"

namespace orvane::packet {
namespace {

using texts::HeaderCode;
using texts::TextKind;
using texts::TextRecord;
namespace box = cabinet::box;

constexpr std::time_t kDay = 1757246400;  // 2025-09-07 12:00 UTC

class PacketBuilderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_EQ(platform::make_directories(dir + "/UP"), 0);
        cabinet = cabinet::Cabinet::create(dir + "/fcabinet.cab", {}, ui);
        ASSERT_TRUE(cabinet);
        nodes.nodes = {{'T', "TELVA", "", true, "", {}}, {'Q', "QUARN", "", true, "", {}}};
        user_file = cache.open(dir, "Orvane.ini");
        settings.folder = dir + "/UP";
        settings.user_folder = dir;
        settings.mode = PacketMode::kPlain;
        std::tm local{};
        localtime_r(&kDay, &local);
        char name[48];
        std::snprintf(name, sizeof name, "T%02d%02d%02d", local.tm_year % 100, local.tm_mon + 1,
                      local.tm_mday);
        stem = name;
    }
    void TearDown() override {
        platform::set_write_fault_hook(nullptr);
        cabinet.reset();
        user_file.close();
    }

    texts::TextId add(TextRecord text) {
        if (!text.id) text.id = cabinet->next_local_id();
        EXPECT_TRUE(cabinet->file_text(text, box::kOutBasket));
        return text.id;
    }
    static TextRecord letter(const std::string& subject) {
        TextRecord t;
        t.kind_flags = texts::with_text_kind(0, TextKind::kText);
        t.subject = subject;
        t.body = "Hello there\n";
        t.width = 76;
        texts::ReceiverEntry to;
        to.code = HeaderCode::kTo;
        to.name.text = "Bo Ek";
        t.receivers.push_back(to);
        return t;
    }
    std::vector<texts::TextId> list(uint16_t number) {
        auto l = cabinet->read_box_list(number);
        return l ? l->ids : std::vector<texts::TextId>{};
    }
    BuildOutcome build(BuildMode mode = BuildMode::kAutomatic) {
        return build_packet(*cabinet, nodes, 'T', settings, user_file, mode, ui, kDay, 0x0106);
    }
    std::string read(const std::string& path) {
        std::string contents;
        EXPECT_EQ(platform::read_whole_file(path, &contents), 0) << path;
        return contents;
    }

    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
    std::string stem;
    platform::ScriptedUi ui;
    std::unique_ptr<cabinet::Cabinet> cabinet;
    settings::NodeTable nodes;
    settings::IniCache cache;
    settings::IniFile user_file;
    PacketSettings settings;
};

TEST_F(PacketBuilderTest, WritesTheOutBasketAndMovesItemsToThePendingBoxes) {
    texts::TextId mail = add(letter("First"));
    TextRecord command;
    command.kind_flags = texts::with_text_kind(0, TextKind::kNewText);
    command.body = "@home\n";
    texts::TextId cmd = add(command);

    BuildOutcome outcome = build();
    ASSERT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.path, dir + "/UP/" + stem + ".upd");
    EXPECT_EQ(outcome.last_updump, stem + ".upd");
    std::string packet = read(outcome.path);
    EXPECT_EQ(packet.substr(0, 23), "@VERS 55 Win 0601\r\n@TZ ");
    EXPECT_NE(packet.find("@echo Orvane: T#" + std::to_string(mail) +
                          "\r\n@To Bo Ek\r\n@subj First\r\nHello there\r\n"),
              std::string::npos)
        << packet;
    EXPECT_NE(packet.find("@echo Orvane: C#" + std::to_string(cmd) + "\r\n@home\r\n"),
              std::string::npos);

    EXPECT_TRUE(list(box::kOutBasket).empty());
    EXPECT_EQ(list(box::kPendingSentMail), std::vector<texts::TextId>{mail});
    EXPECT_EQ(list(box::kPendingSentCommands), std::vector<texts::TextId>{cmd});
    EXPECT_EQ(user_file.get_string("Updump", "UP/" + stem + ".upd"),
              std::to_string(mail) + " " + std::to_string(cmd));

    // The next packet of the day continues the sequence.
    add(letter("Second"));
    settings.last_updump = outcome.last_updump;
    EXPECT_EQ(build().path, dir + "/UP/" + stem + "A.upd");
}

TEST_F(PacketBuilderTest, ZipModePacksTheUpdumpAndQueuesTheZip) {
    settings.mode = PacketMode::kZip;
    add(letter("Zipped"));
    BuildOutcome outcome = build();
    ASSERT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.path, dir + "/UP/" + stem + ".zip");
    EXPECT_TRUE(platform::file_exists(outcome.path));
    EXPECT_TRUE(platform::file_exists(dir + "/UP/" + stem + ".upd"));
    EXPECT_TRUE(user_file.has_key("Updump", "UP/" + stem + ".zip"));
}

TEST_F(PacketBuilderTest, AnEmptyTextLeavesOnlyTheHeaderAndTheOutBasket) {
    TextRecord empty;
    texts::TextId id = add(empty);
    BuildOutcome outcome = build();
    ASSERT_EQ(outcome.result, 1);
    std::string packet = read(outcome.path);
    EXPECT_EQ(std::count(packet.begin(), packet.end(), '\n'), 2) << packet;
    EXPECT_TRUE(list(box::kOutBasket).empty());
    EXPECT_EQ(list(box::kWasteBasket), std::vector<texts::TextId>{id}) << "kept, not lost";
}

TEST_F(PacketBuilderTest, FailuresLeaveNoFileAndTheOutBasketAsItWas) {
    texts::TextId a = add(letter("One"));
    TextRecord attached = letter("Two");
    attached.fields = {{HeaderCode::kAttach, dir + "/missing.txt"}};
    texts::TextId b = add(attached);

    ui.answers.push_back(platform::Answer::No);
    EXPECT_EQ(build().result, -1);
    EXPECT_FALSE(platform::file_exists(dir + "/UP/" + stem + ".upd"));
    EXPECT_EQ(list(box::kOutBasket), (std::vector<texts::TextId>{a, b}));

    platform::set_write_fault_hook([](const std::string& path, uint64_t, size_t) -> long long {
        return path.ends_with(".upd") ? -1 : 1 << 30;
    });
    ui.answers.push_back(platform::Answer::Yes);
    ui.shown.clear();
    EXPECT_EQ(build().result, -1);
    platform::set_write_fault_hook(nullptr);
    EXPECT_FALSE(platform::file_exists(dir + "/UP/" + stem + ".upd"));
    EXPECT_EQ(list(box::kOutBasket), (std::vector<texts::TextId>{a, b}));
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_EQ(ui.shown.back().text.substr(0, 25), "Cannot write the file '" + dir.substr(0, 2));
    EXPECT_FALSE(user_file.has_section("Updump"));
}

TEST_F(PacketBuilderTest, PreconditionsAndOtherNodes) {
    EXPECT_EQ(build(BuildMode::kInteractive).result, 0);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "There is no mail to send");

    TextRecord remote = letter("Remote");
    remote.id = texts::make_text_id('Q', 77);
    remote.receivers[0].previous_code = HeaderCode::kFrom;  // a new receiver for a text on QUARN
    texts::TextId remote_id = add(remote);
    texts::TextId local = add(letter("Local"));

    EXPECT_EQ(build_packet(*cabinet, settings::NodeTable{}, 'T', settings, user_file,
                           BuildMode::kAutomatic, ui, kDay, 0)
                  .result,
              -1);
    EXPECT_NE(ui.shown.back().text.find("NodeInfo.ini"), std::string::npos);
    nodes.nodes[0].active = false;
    EXPECT_EQ(build().result, -1);
    EXPECT_EQ(ui.shown.back().text,
              "In the User Settings the node TELVA\nis selected. But it is no longer active.");
    nodes.nodes[0].active = true;

    BuildOutcome outcome = build();
    ASSERT_EQ(outcome.result, 1);
    EXPECT_EQ(outcome.left_on_other_nodes, 1);
    EXPECT_EQ(list(box::kOutBasket), std::vector<texts::TextId>{remote_id});
    EXPECT_EQ(list(box::kPendingSentMail), std::vector<texts::TextId>{local});
    EXPECT_NE(ui.shown.back().text.find("a different node than TELVA"), std::string::npos);
}

}  // namespace
}  // namespace orvane::packet
