#include "packet/packet_builder.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "cabinet/fixed_boxes.h"
#include "packet/upload_queue.h"
#include "platform/fault_env.h"
#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "settings/ini_file.h"
#include "tests/support/status_matchers.h"
#include "tests/support/temp_directory.h"

namespace orvane::packet {
namespace {

using platform::MessageId;
using texts::HeaderCode;
using texts::TextKind;
using texts::TextRecord;
namespace box = cabinet::box;

constexpr std::time_t kDay = 1757246400;  // 2025-09-07 12:00 UTC

TextRecord letter(const std::string& subject) {
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

TextRecord command(const std::string& line) {
    TextRecord t;
    t.kind_flags = texts::with_text_kind(0, TextKind::kNewText);
    t.body = line + "\n";
    return t;
}

// A user folder with a cabinet, an "UP" folder and a settings file, all
// reached through one Env.
class PacketBuilderTest : public ::testing::Test {
  protected:
    void SetUp() override { open(platform::system_env()); }
    void TearDown() override { close(); }

    void open(platform::Env& env) {
        env_ = &env;
        ASSERT_EQ(platform::make_directories(dir + "/UP"), 0);
        const std::string path = dir + "/fcabinet.cab";
        auto opened = platform::file_exists(path) ? cabinet::Cabinet::open(path, {}, ui, env)
                                                  : cabinet::Cabinet::create(path, {}, ui, env);
        ASSERT_OK(opened);
        cabinet = std::move(*opened);
        cache = std::make_unique<settings::IniCache>(env);
        user_file = cache->open(dir, "Orvane.ini");
        nodes.nodes = {{'T', "TELVA", "", true, "", {}}, {'Q', "QUARN", "", true, "", {}}};
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
    // After a failure the cabinet may refuse to close cleanly; that is fine.
    void close() {
        if (cabinet) (void)cabinet->close();
        cabinet.reset();
        user_file.close();
        cache.reset();
    }

    texts::TextId add(TextRecord text) {
        if (!text.id) {
            auto id = cabinet->next_local_id();
            EXPECT_OK(id);
            text.id = *id;
        }
        EXPECT_OK(cabinet->file_text(text, box::kOutBasket));
        return text.id;
    }
    std::vector<texts::TextId> list(uint16_t number) {
        auto l = cabinet->read_box_list(number);
        return l.ok() ? l->ids : std::vector<texts::TextId>{};
    }
    platform::Result<BuiltPacket> build() {
        return build_packet(*cabinet, nodes, 'T', settings, *user_file_ptr(), ui, kDay, 0x0106,
                            *env_);
    }
    settings::IniFile* user_file_ptr() { return &user_file; }
    std::string read(const std::string& path) {
        std::string contents;
        EXPECT_EQ(platform::read_whole_file(path, &contents), 0) << path;
        return contents;
    }

    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
    std::string stem;
    platform::ScriptedUi ui;
    platform::Env* env_ = nullptr;
    std::unique_ptr<cabinet::Cabinet> cabinet;
    settings::NodeTable nodes;
    std::unique_ptr<settings::IniCache> cache;
    settings::IniFile user_file;
    PacketSettings settings;
};

TEST_F(PacketBuilderTest, WritesTheOutBasketAndMovesItemsToThePendingBoxes) {
    texts::TextId mail = add(letter("First"));
    texts::TextId cmd = add(command("@home"));

    auto built = build();
    ASSERT_OK(built);
    EXPECT_EQ(built->path, dir + "/UP/" + stem + ".upd");
    EXPECT_EQ(built->last_updump, stem + ".upd");
    std::string packet = read(built->path);
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
    std::string on_disk = read(dir + "/Orvane.ini");
    EXPECT_NE(on_disk.find("UP/" + stem + ".upd"), std::string::npos)
        << "the queue entry is on disk before the build reports success";

    // The next packet of the day continues the sequence.
    add(letter("Second"));
    settings.last_updump = built->last_updump;
    EXPECT_EQ(build()->path, dir + "/UP/" + stem + "A.upd");
}

TEST_F(PacketBuilderTest, ZipModePacksTheUpdumpAndQueuesTheZip) {
    settings.mode = PacketMode::kZip;
    add(letter("Zipped"));
    auto built = build();
    ASSERT_OK(built);
    EXPECT_EQ(built->path, dir + "/UP/" + stem + ".zip");
    EXPECT_TRUE(platform::file_exists(built->path));
    EXPECT_TRUE(platform::file_exists(dir + "/UP/" + stem + ".upd"));
    EXPECT_TRUE(user_file.has_key("Updump", "UP/" + stem + ".zip"));
}

TEST_F(PacketBuilderTest, NothingToSendMakesNoPacket) {
    EXPECT_EQ(build().status().id(), MessageId::kNoMailToSend);

    // An empty text is kept in the Waste-Basket; no packet of header lines
    // alone is queued.
    texts::TextId empty = add(TextRecord{});
    EXPECT_EQ(build().status().id(), MessageId::kNoMailToSend);
    EXPECT_TRUE(list(box::kOutBasket).empty());
    EXPECT_EQ(list(box::kWasteBasket), std::vector<texts::TextId>{empty}) << "kept, not lost";
    EXPECT_FALSE(platform::file_exists(dir + "/UP/" + stem + ".upd"));
    EXPECT_FALSE(user_file.has_section("Updump"));

    // Only texts of another node: they stay, and the user is told.
    TextRecord remote = letter("Remote");
    remote.id = texts::make_text_id('Q', 77);
    remote.receivers[0].previous_code = HeaderCode::kFrom;  // a new receiver for a text on QUARN
    texts::TextId remote_id = add(remote);
    EXPECT_EQ(build().status().id(), MessageId::kNoMailToSend);
    EXPECT_EQ(list(box::kOutBasket), std::vector<texts::TextId>{remote_id});
    EXPECT_NE(ui.shown.back().text.find("a different node than TELVA"), std::string::npos);
    EXPECT_FALSE(user_file.has_section("Updump"));
}

TEST_F(PacketBuilderTest, FailuresLeaveNoFileAndTheOutBasketAsItWas) {
    texts::TextId a = add(letter("One"));
    TextRecord attached = letter("Two");
    attached.fields = {{HeaderCode::kAttach, dir + "/missing.txt"}};
    texts::TextId b = add(attached);

    ui.answers.push_back(platform::Answer::No);
    EXPECT_TRUE(build().status().is_cancelled());
    EXPECT_FALSE(platform::file_exists(dir + "/UP/" + stem + ".upd"));
    EXPECT_EQ(list(box::kOutBasket), (std::vector<texts::TextId>{a, b}));
}

TEST_F(PacketBuilderTest, AnUnreadableAttachmentIsLeftOutWholeOrStopsTheBuild) {
    const std::string locked = dir + "/locked";
    ASSERT_EQ(platform::make_directories(locked), 0);  // exists, but reads as a file fail
    TextRecord attached = letter("With file");
    attached.fields = {{HeaderCode::kAttach, locked}};
    add(attached);
    ui.answers.push_back(platform::Answer::Yes);
    auto built = build();
    ASSERT_OK(built);
    ASSERT_FALSE(ui.shown.empty());
    EXPECT_NE(ui.shown.back().text.find("cannot be read"), std::string::npos)
        << ui.shown.back().text;
    const std::string packet = read(built->path);
    EXPECT_EQ(packet.find("@atta"), std::string::npos) << "no line for a file left out";
    EXPECT_EQ(packet.find("@file"), std::string::npos);
}

TEST_F(PacketBuilderTest, HeaderValuesNeverBreakIntoDirectiveLines) {
    TextRecord sneaky = letter("Hi\n@delete 999");
    sneaky.receivers[0].name.text = "Bo\r\n@quit";
    add(sneaky);
    auto built = build();
    ASSERT_OK(built);
    const std::string packet = read(built->path);
    EXPECT_EQ(packet.find("\n@delete"), std::string::npos) << packet;
    EXPECT_EQ(packet.find("\n@quit"), std::string::npos) << packet;
    EXPECT_NE(packet.find("@subj Hi @delete 999\r\n"), std::string::npos) << packet;
}

TEST_F(PacketBuilderTest, PreconditionsSayWhatIsMissing) {
    add(letter("Local"));
    EXPECT_EQ(build_packet(*cabinet, settings::NodeTable{}, 'T', settings, user_file, ui, kDay, 0)
                  .status()
                  .id(),
              MessageId::kNodeFileBad);
    nodes.nodes[0].active = false;
    EXPECT_EQ(build().status().text(),
              "In the User Settings the node TELVA\nis selected. But it is no longer active.");
}

// The packet's items as the files tell it after a build that may have
// failed: in the out-basket, in the pending boxes, in the queued packet.
struct Placement {
    bool out = false, pending = false, queued = false;
};

// Fails each file operation of a build in turn. Whatever fails, afterwards
// every item is either in the queued packet and pending, or still in the
// out-basket and in no queued packet: never both, never neither.
TEST_F(PacketBuilderTest, EveryFailedWriteLeavesEachItemSentOnceOrNotAtAll) {
    close();
    platform::FaultEnv fault;
    uint64_t operations = 0;
    for (uint64_t failing = 0;; ++failing) {
        orvane::testing::TempDirectory round;
        dir = round.path();
        open(platform::system_env());
        const std::vector<texts::TextId> items = {add(letter("One")), add(command("@home")),
                                                  add(letter("Two"))};
        close();
        open(fault);
        if (failing == 0) {
            fault.count_only();
        } else {
            fault.arm(failing - 1, platform::FaultEnv::Fault::kFail);
        }
        auto built = build();
        if (failing == 0) {
            ASSERT_OK(built);
            operations = fault.operations();
            ASSERT_GT(operations, 5u);
        }
        fault.disarm();
        close();

        open(platform::system_env());
        std::map<texts::TextId, Placement> seen;
        for (texts::TextId id : list(box::kOutBasket)) seen[id].out = true;
        for (uint16_t pending : {box::kPendingSentMail, box::kPendingSentCommands})
            for (texts::TextId id : list(pending)) seen[id].pending = true;
        auto queue = queued_packets(user_file, dir);
        for (const QueuedPacket& packet : queue) {
            EXPECT_TRUE(platform::file_exists(packet.path)) << "queued but gone, op " << failing;
            for (texts::TextId id : items)
                if (packet.texts.find(std::to_string(id)) != std::string::npos)
                    seen[id].queued = true;
        }
        for (texts::TextId id : items) {
            const Placement& p = seen[id];
            auto text = cabinet->read_text(id);
            ASSERT_OK(text);
            ASSERT_TRUE(text->has_value()) << "item " << id << " lost, op " << failing;
            const auto& boxes = (*text)->boxes;
            const bool text_out =
                std::find(boxes.begin(), boxes.end(), box::kOutBasket) != boxes.end();
            const bool sent = p.pending && p.queued && !p.out && !text_out;
            const bool kept = p.out && text_out && !p.pending && !p.queued;
            EXPECT_TRUE(sent || kept)
                << "item " << id << " after a failure at operation " << failing - 1 << ": out "
                << p.out << " pending " << p.pending << " queued " << p.queued
                << " text says out-basket " << text_out;
        }
        close();
        if (failing > operations) break;
    }
}

}  // namespace
}  // namespace orvane::packet
