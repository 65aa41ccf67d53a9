// Our sender against our receiver over a memory line on a virtual clock:
// whole batches, the rules for files that exist, and a bad line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/connection/frame_watcher.h"
#include "tests/connection/transfer_rig.h"

namespace orvane::connection {
namespace {

using testing::Bytes;
using testing::TransferRig;

// Escape-all on the line: no IAC (0xFF) and no control character goes out
// bare, except ZDLE itself and the CR LF that end hex headers.
bool only_escaped_controls(const std::vector<uint8_t>& bytes) {
    for (uint8_t b : bytes) {
        const bool control = (b & 0x60) == 0 || b == 0x7F || b == 0xFF;
        if (control && b != 0x18 && b != '\r' && b != '\n') return false;
    }
    return true;
}

TEST(ZmodemTransfer, BatchOfAwkwardFilesArrivesWhole) {
    TransferRig rig;
    auto clean = std::make_shared<bool>(true);
    auto checker = [clean](std::vector<uint8_t>& bytes) {
        if (!only_escaped_controls(bytes)) *clean = false;
    };
    rig.sender_end->set_tamper(checker);
    rig.receiver_end->set_tamper(checker);
    const Bytes empty;
    const Bytes one = {0xFF};
    const Bytes awkward = testing::awkward_bytes();
    const Bytes large = testing::random_bytes(300 * 1024 + 17, 1);
    std::vector<std::string> paths = {rig.add_file("empty", empty), rig.add_file("one", one),
                                      rig.add_file("awkward.bin", awkward),
                                      rig.add_file("large.bin", large)};
    TransferRig::Run run = rig.run(paths, rig.receive_options());
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.sent.all_sent()) << run.sent.status.text();
    EXPECT_TRUE(run.received.complete()) << run.received.status.text();
    EXPECT_EQ(run.received.received.size(), 4u);
    EXPECT_EQ(testing::read_file(rig.incoming() + "/empty"), empty);
    EXPECT_EQ(testing::read_file(rig.incoming() + "/one"), one);
    EXPECT_EQ(testing::read_file(rig.incoming() + "/awkward.bin"), awkward);
    EXPECT_EQ(testing::read_file(rig.incoming() + "/large.bin"), large);
    EXPECT_TRUE(*clean);
}

TEST(ZmodemTransfer, WindowBoundsTheUnacknowledgedData) {
    TransferRig rig;
    const Bytes data = testing::random_bytes(100 * 1024, 2);
    const std::string path = rig.add_file("windowed", data);
    auto watcher = std::make_shared<testing::FrameWatcher>();
    auto acked = std::make_shared<uint32_t>(0);
    auto most_unacked = std::make_shared<size_t>(0);
    rig.sender_end->set_tamper([=](std::vector<uint8_t>& bytes) {
        watcher->feed(bytes);
        size_t sent = 0;
        for (const auto& subpacket : watcher->subpackets) sent += subpacket.length;
        *most_unacked = std::max(*most_unacked, sent - *acked);
    });
    auto answers = std::make_shared<zmodem::HeaderDecoder>();
    rig.receiver_end->set_tamper([=](std::vector<uint8_t>& bytes) {
        for (uint8_t byte : bytes)
            if (answers->feed(byte) == zmodem::HeaderDecoder::Event::kHeader &&
                answers->header().type == zmodem::FrameType::kZack)
                *acked = answers->header().position();
    });
    SendOptions options;
    options.window = 4096;
    const TransferRig::Run run = rig.run({path}, rig.receive_options(), options);
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.sent.all_sent());
    EXPECT_EQ(testing::read_file(rig.incoming() + "/windowed"), data);
    // Blocks of a quarter of the window, each asking for an answer, and
    // never more than the window and one block waiting for it.
    ASSERT_EQ(watcher->subpackets.size(), data.size() / 1024);
    for (size_t i = 0; i + 1 < watcher->subpackets.size(); ++i) {
        EXPECT_EQ(watcher->subpackets[i].length, 1024u);
        EXPECT_EQ(watcher->subpackets[i].end, zmodem::FrameEnd::kZcrcq);
    }
    EXPECT_EQ(watcher->subpackets.back().end, zmodem::FrameEnd::kZcrce);
    EXPECT_LT(*most_unacked, 4096u + 1024u);
    EXPECT_EQ(*acked, data.size() - 1024);
}

}  // namespace
}  // namespace orvane::connection
