// What the receiver does with the files it is offered: the folders and
// lists by name, names that try to leave the folder, links planted there,
// files that exist (the Download question and the fixed rules), a length
// that does not match, a disk that fails, and a user who stops.
#include <gtest/gtest.h>
#include <unistd.h>

#include "connection/zmodem_encoder.h"
#include "platform/file.h"
#include "tests/connection/transfer_rig.h"

namespace orvane::connection {
namespace {

using testing::Bytes;
using testing::TransferRig;
using zmodem::FrameEnd;
using zmodem::FrameType;
using zmodem::Header;

// A sender that says exactly what a test wants, queued all at once.
class RawSender {
  public:
    RawSender& zfile(std::string_view name, std::string_view numbers) {
        Bytes info(name.begin(), name.end());
        info.push_back(0);
        info.insert(info.end(), numbers.begin(), numbers.end());
        encoder_.binary_header({FrameType::kZfile, {0, 0, 0, 3}}, true, &wire_);
        encoder_.subpacket(info, FrameEnd::kZcrcw, true, &wire_);
        return *this;
    }
    RawSender& data(uint32_t position, const Bytes& bytes) {
        encoder_.binary_header(Header::at(FrameType::kZdata, position), true, &wire_);
        encoder_.subpacket(bytes, FrameEnd::kZcrce, true, &wire_);
        return *this;
    }
    RawSender& zeof(uint32_t position) {
        encoder_.binary_header(Header::at(FrameType::kZeof, position), true, &wire_);
        return *this;
    }
    RawSender& zfin() {
        encoder_.hex_header(Header::at(FrameType::kZfin, 0), &wire_);
        wire_.insert(wire_.end(), {'O', 'O'});
        return *this;
    }
    const Bytes& wire() const { return wire_; }

  private:
    zmodem::FrameEncoder encoder_;
    Bytes wire_;
};

ReceiveOutcome receive_raw(TransferRig& rig, const RawSender& sender, ReceiveOptions options) {
    EXPECT_TRUE(rig.sender_end->write(sender.wire()).ok());
    auto receiving = receive_files(*rig.receiver_end, rig.receiver_ui, std::move(options));
    receiving.start();
    EXPECT_TRUE(rig.loop().wait_for([&] { return receiving.done(); }, rig.loop().now() + 600000));
    return receiving.done() ? std::move(receiving.result()) : ReceiveOutcome{};
}

TEST(ZmodemReceiverRules, NamesPickFoldersAndLists) {
    TransferRig rig;
    orvane::testing::TempDirectory downdumps, addresses;
    ReceiveOptions options = rig.receive_options();
    options.folders = {downdumps.path(), addresses.path(), rig.incoming()};
    const Bytes content = {'x'};
    std::vector<std::string> paths;
    for (const char* name :
         {"T25I07AB.dmp", "t25i07ab.ZIP", "TO12345#.zip", "Lo00001$", "T#ABC123.zip", "notes.txt"})
        paths.push_back(rig.add_file(name, content));
    TransferRig::Run run = rig.run(paths, options);
    ASSERT_TRUE(run.finished);
    ASSERT_TRUE(run.received.complete()) << run.received.status.text();
    EXPECT_EQ(
        run.received.to_import,
        (std::vector<std::string>{downdumps.file("T25I07AB.dmp"), downdumps.file("t25i07ab.ZIP"),
                                  addresses.file("TO12345#.zip"), addresses.file("Lo00001$")}));
    EXPECT_EQ(run.received.to_unpack, std::vector<std::string>{rig.incoming() + "/T#ABC123.zip"});
    EXPECT_EQ(testing::read_file(rig.incoming() + "/notes.txt"), content);

    // With "Import Files" and "Unzip Files" off, only address lists are imported.
    rig.connect();
    options.import_downdumps = false;
    options.unzip_files = false;
    options.existing = ExistingFileRule::kResumeElseOverwrite;
    run = rig.run(paths, options);
    EXPECT_EQ(run.received.to_import, (std::vector<std::string>{addresses.file("TO12345#.zip"),
                                                                addresses.file("Lo00001$")}));
    EXPECT_TRUE(run.received.to_unpack.empty());
}

TEST(ZmodemReceiverRules, AnnouncedNamesStayInTheFolder) {
    TransferRig rig;
    const Bytes content = {'e', 'v', 'i', 'l'};
    RawSender sender;
    sender.zfile("../../escape.txt", "4 0").data(0, content).zeof(4);
    sender.zfile("C:\\dos\\win.txt", "4 0").data(0, content).zeof(4);
    sender.zfile("-rf", "4 0").data(0, content).zeof(4);
    sender.zfile("..", "4 0");  // nothing usable: skipped
    sender.zfile("/", "4 0");
    sender.zfin();
    const ReceiveOutcome outcome = receive_raw(rig, sender, rig.receive_options());
    EXPECT_TRUE(outcome.status.ok()) << outcome.status.text();
    EXPECT_EQ(outcome.received,
              (std::vector<std::string>{rig.incoming() + "/escape.txt", rig.incoming() + "/win.txt",
                                        rig.incoming() + "/rf"}));
    ASSERT_EQ(outcome.file_problems.size(), 2u);
    EXPECT_EQ(outcome.file_problems[0].id(), platform::MessageId::kZmodemUnusableName);
    EXPECT_FALSE(platform::file_exists(rig.incoming() + "/../escape.txt"));
}

TEST(ZmodemReceiverRules, LinkPlantedUnderTheNameIsNotFollowed) {
    TransferRig rig;
    orvane::testing::TempDirectory elsewhere;
    const std::string victim = elsewhere.file("victim");
    testing::write_file(victim, {'k', 'e', 'e', 'p'});
    ASSERT_EQ(::symlink(victim.c_str(), (rig.incoming() + "/report.txt").c_str()), 0);
    const std::string path = rig.add_file("report.txt", testing::random_bytes(3000, 1));
    const std::string after = rig.add_file("after.txt", {'o', 'k'});
    for (ExistingFileRule rule : {ExistingFileRule::kAsk, ExistingFileRule::kResumeElseOverwrite}) {
        rig.connect();
        const TransferRig::Run run = rig.run({path, after}, rig.receive_options(rule));
        ASSERT_TRUE(run.finished);
        EXPECT_EQ(testing::read_file(victim), (Bytes{'k', 'e', 'e', 'p'}));
        ASSERT_EQ(run.received.file_problems.size(), 1u);
        EXPECT_EQ(run.received.file_problems[0].id(), platform::MessageId::kZmodemNotRegularFile);
        EXPECT_EQ(run.sent.files[0].result, SendResult::kSkipped);
        EXPECT_EQ(run.sent.files[1].result, SendResult::kSent);
    }
}

TEST(ZmodemReceiverRules, LengthOtherThanAnnouncedIsNoSuccess) {
    TransferRig rig;
    const Bytes half = testing::random_bytes(50, 3);
    RawSender sender;
    sender.zfile("short.txt", "100 14524770400").data(0, half).zeof(50).zfin();
    const ReceiveOutcome outcome = receive_raw(rig, sender, rig.receive_options());
    EXPECT_TRUE(outcome.status.ok());
    EXPECT_FALSE(outcome.complete());
    EXPECT_TRUE(outcome.received.empty());
    ASSERT_EQ(outcome.file_problems.size(), 1u);
    EXPECT_EQ(outcome.file_problems[0].text(),
              "The file '" + rig.incoming() + "/short.txt' has 50 bytes, but 100 were announced");
    // What arrived stays, to be resumed.
    EXPECT_EQ(testing::read_file(rig.incoming() + "/short.txt"), half);
}

TEST(ZmodemReceiverRules, DownloadQuestionCountsDownToResume) {
    TransferRig rig;
    const Bytes data = testing::random_bytes(100000, 4);
    const std::string path = rig.add_file("T25I07AB.dmp", data);
    const Bytes mine(1000, 'X');  // shorter, and not what the sender has
    testing::write_file(rig.incoming() + "/T25I07AB.dmp", mine);
    const TransferRig::Run run = rig.run({path}, rig.receive_options(ExistingFileRule::kAsk));
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.received.complete());
    ASSERT_EQ(rig.receiver_ui.chosen.size(), 1u);
    const platform::Choice& question = rig.receiver_ui.chosen[0];
    EXPECT_EQ(question.title, "Download");
    EXPECT_EQ(question.options,
              (std::vector<std::string>{"Resume", "Overwrite", "Rename", "Skip"}));
    EXPECT_EQ(question.countdown_ms, 60000u);
    EXPECT_EQ(question.safe, 0u);
    EXPECT_NE(question.text.find("(1000 bytes  "), std::string::npos) << question.text;
    EXPECT_NE(question.text.find("(100000 bytes  "), std::string::npos);
    EXPECT_NE(question.text.find("Resuming downloading after 60 seconds"), std::string::npos);
    // Resumed: our first 1000 bytes stay, the rest is the sender's.
    Bytes expected = mine;
    expected.insert(expected.end(), data.begin() + 1000, data.end());
    EXPECT_EQ(testing::read_file(rig.incoming() + "/T25I07AB.dmp"), expected);
}

TEST(ZmodemReceiverRules, DownloadQuestionSkipRenameOverwrite) {
    TransferRig rig;
    const Bytes data = testing::random_bytes(5000, 5);
    const Bytes longer(6000, 'L');
    const std::string path = rig.add_file("paper.txt", data);
    const std::string local = rig.incoming() + "/paper.txt";
    testing::write_file(local, longer);

    // Not shorter: no Resume, and the countdown skips.
    TransferRig::Run run = rig.run({path}, rig.receive_options(ExistingFileRule::kAsk));
    ASSERT_EQ(rig.receiver_ui.chosen.size(), 1u);
    EXPECT_EQ(rig.receiver_ui.chosen[0].options,
              (std::vector<std::string>{"Overwrite", "Rename", "Skip"}));
    EXPECT_NE(rig.receiver_ui.chosen[0].text.find("Skipping downloading after 60 seconds"),
              std::string::npos);
    EXPECT_EQ(run.sent.files[0].result, SendResult::kSkipped);
    EXPECT_EQ(run.received.skipped, std::vector<std::string>{local});
    EXPECT_EQ(testing::read_file(local), longer);

    rig.connect();
    rig.receiver_ui.choices = {1};  // Rename
    run = rig.run({path}, rig.receive_options(ExistingFileRule::kAsk));
    EXPECT_EQ(run.received.received, std::vector<std::string>{rig.incoming() + "/paper_1.txt"});
    EXPECT_EQ(testing::read_file(rig.incoming() + "/paper_1.txt"), data);
    EXPECT_EQ(testing::read_file(local), longer);

    rig.connect();
    rig.receiver_ui.choices = {0};  // Overwrite
    run = rig.run({path}, rig.receive_options(ExistingFileRule::kAsk));
    EXPECT_TRUE(run.received.complete());
    EXPECT_EQ(testing::read_file(local), data);
}

TEST(ZmodemReceiverRules, FixedRulesResumeSkipOrOverwrite) {
    TransferRig rig;
    const Bytes data = testing::random_bytes(20000, 6);
    const std::string shorter = rig.add_file("shorter", data);
    const std::string same = rig.add_file("same", data);
    const std::string longer = rig.add_file("longer", data);
    auto seed = [&] {
        testing::write_file(rig.incoming() + "/shorter", Bytes(data.begin(), data.begin() + 7000));
        testing::write_file(rig.incoming() + "/same", Bytes(data.size(), 'S'));
        testing::write_file(rig.incoming() + "/longer", Bytes(data.size() + 1, 'L'));
    };
    seed();
    TransferRig::Run run = rig.run({shorter, same, longer}, rig.receive_options());
    EXPECT_TRUE(run.received.complete());
    EXPECT_EQ(run.received.received.size(), 1u);
    EXPECT_EQ(run.received.skipped.size(), 2u);
    EXPECT_EQ(testing::read_file(rig.incoming() + "/shorter"), data);
    EXPECT_EQ(testing::read_file(rig.incoming() + "/same"), Bytes(data.size(), 'S'));
    EXPECT_TRUE(rig.receiver_ui.chosen.empty());

    seed();
    rig.connect();
    run = rig.run({shorter, same, longer},
                  rig.receive_options(ExistingFileRule::kResumeElseOverwrite));
    EXPECT_EQ(run.received.received.size(), 3u);
    for (const char* name : {"shorter", "same", "longer"})
        EXPECT_EQ(testing::read_file(rig.incoming() + "/" + name), data) << name;
}

TEST(ZmodemReceiverRules, WriteErrorFailsTheFileAndKeepsWhatArrived) {
    // Writes go out in pieces of 256 KiB: the second piece, the last one
    // (written at the end of the file), and the flush to the disk fail.
    for (uint64_t failing : {1, 3, 4}) {
        TransferRig rig;
        const Bytes data = testing::random_bytes(1000000, 7);
        const std::string path = rig.add_file("data.bin", data);
        rig.faults().arm(failing, platform::FaultEnv::Fault::kFail, rig.incoming());
        const TransferRig::Run run = rig.run({path}, rig.receive_options());
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(rig.faults().fired());
        EXPECT_EQ(run.received.status.id(), platform::MessageId::kCannotWriteFile) << failing;
        EXPECT_NE(run.received.status.text().find("Cannot write the file '" + rig.incoming() +
                                                  "/data.bin'"),
                  std::string::npos);
        EXPECT_TRUE(run.received.received.empty());
        EXPECT_NE(run.sent.files.at(0).result, SendResult::kSent) << failing;
        const Bytes kept = testing::read_file(rig.incoming() + "/data.bin");
        EXPECT_GT(kept.size(), 0u);
        EXPECT_EQ(kept, Bytes(data.begin(), data.begin() + kept.size()));
    }
}

TEST(ZmodemReceiverRules, UserStopsEitherSide) {
    {
        TransferRig rig;
        const std::string path = rig.add_file("a", testing::random_bytes(500000, 8));
        rig.receiver_ui.cancel_after_updates = 0;
        const TransferRig::Run run = rig.run({path}, rig.receive_options());
        ASSERT_TRUE(run.finished);
        EXPECT_TRUE(run.received.status.is_cancelled());
        EXPECT_EQ(run.sent.files.at(0).result, SendResult::kCancelled);
    }
    {
        TransferRig rig;
        const std::string path = rig.add_file("a", testing::random_bytes(500000, 8));
        rig.sender_ui.cancel_after_updates = 0;
        const TransferRig::Run run = rig.run({path, path}, rig.receive_options());
        ASSERT_TRUE(run.finished);
        ASSERT_EQ(run.sent.files.size(), 1u);
        EXPECT_TRUE(run.sent.files[0].status.is_cancelled());
        EXPECT_EQ(run.received.status.id(), platform::MessageId::kZmodemPeerCancelled);
    }
}

}  // namespace
}  // namespace orvane::connection
