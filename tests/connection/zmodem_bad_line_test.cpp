// Our sender and receiver over a line that damages, loses and adds bytes,
// goes dead or is cut: every file arrives whole or fails cleanly, and both
// sides end within bounded (virtual) time.
#include <gtest/gtest.h>

#include <algorithm>

#include "tests/connection/frame_watcher.h"
#include "tests/connection/line_faults.h"
#include "tests/connection/transfer_rig.h"

namespace orvane::connection {
namespace {

using testing::Bytes;
using testing::TransferRig;

struct Batch {
    std::vector<std::string> paths;
    std::vector<Bytes> contents;
};

Batch make_batch(TransferRig& rig) {
    Batch batch;
    batch.contents = {testing::random_bytes(200 * 1024, 11), testing::awkward_bytes(),
                      testing::random_bytes(64 * 1024 + 5, 12)};
    for (size_t i = 0; i < batch.contents.size(); ++i)
        batch.paths.push_back(rig.add_file("file" + std::to_string(i), batch.contents[i]));
    return batch;
}

void expect_whole(TransferRig& rig, const Batch& batch, const TransferRig::Run& run) {
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.sent.all_sent()) << run.sent.status.text();
    EXPECT_TRUE(run.received.complete()) << run.received.status.text();
    for (size_t i = 0; i < batch.contents.size(); ++i)
        EXPECT_EQ(testing::read_file(rig.incoming() + "/file" + std::to_string(i)),
                  batch.contents[i])
            << i;
}

// Whatever the receiver reports as received is exactly what was sent.
void expect_no_damage_reported_good(const Batch& batch, const TransferRig::Run& run) {
    for (const std::string& path : run.received.received) {
        const size_t index = std::stoul(path.substr(path.size() - 1));
        EXPECT_EQ(testing::read_file(path), batch.contents[index]) << path;
    }
}

TEST(ZmodemBadLine, FlippedDataBytesAreSentAgain) {
    TransferRig rig;
    const Batch batch = make_batch(rig);
    rig.sender_end->set_tamper(testing::flip_every(30000, 5000));
    expect_whole(rig, batch, rig.run(batch.paths, rig.receive_options()));
}

TEST(ZmodemBadLine, FlippedAnswersOfTheReceiverAreSurvived) {
    TransferRig rig;
    const Batch batch = make_batch(rig);
    rig.receiver_end->set_tamper(testing::flip_every(97));
    SendOptions windowed;
    windowed.window = 8192;
    expect_whole(rig, batch, rig.run(batch.paths, rig.receive_options(), windowed));
}

TEST(ZmodemBadLine, LostBytesAreSentAgain) {
    TransferRig rig;
    const Batch batch = make_batch(rig);
    rig.sender_end->set_tamper(testing::drop_every(41000, 150));
    expect_whole(rig, batch, rig.run(batch.paths, rig.receive_options()));
}

TEST(ZmodemBadLine, BurstOfGarbageLongerThanTheHeaderSearch) {
    TransferRig rig;
    const Batch batch = make_batch(rig);
    rig.sender_end->set_tamper(testing::garbage_after(100000, 12000, 3));
    expect_whole(rig, batch, rig.run(batch.paths, rig.receive_options()));
}

TEST(ZmodemBadLine, BlockLengthFallsAfterAnErrorAndClimbsBack) {
    TransferRig rig;
    const Bytes data = testing::random_bytes(1024 * 1024, 5);
    const std::string path = rig.add_file("big", data);
    auto watcher = std::make_shared<testing::FrameWatcher>();
    rig.sender_end->set_tamper([watcher, flip = testing::flip_every(10000000, 200000)](
                                   std::vector<uint8_t>& bytes) mutable {
        watcher->feed(bytes);  // what the sender sent, before the damage
        flip(bytes);
    });
    const TransferRig::Run run = rig.run({path}, rig.receive_options());
    ASSERT_TRUE(run.finished);
    EXPECT_TRUE(run.sent.all_sent());
    EXPECT_EQ(testing::read_file(rig.incoming() + "/big"), data);
    // Our receiver takes blocks of 32 KiB: they start at that, shrink
    // after the damage, and grow back to it.
    std::vector<size_t> lengths;
    for (const auto& subpacket : watcher->subpackets) lengths.push_back(subpacket.length);
    ASSERT_GT(lengths.size(), 2u);
    const auto low = std::min_element(lengths.begin(), lengths.end() - 1);
    EXPECT_EQ(lengths.front(), 32768u);
    EXPECT_LT(*low, 32768u);
    EXPECT_TRUE(std::find(low, lengths.end() - 1, 32768u) != lengths.end() - 1);
}

TEST(ZmodemBadLine, RandomDamageBothWaysIsRecovered) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        TransferRig rig;
        const Batch batch = make_batch(rig);
        rig.sender_end->set_tamper(testing::random_damage(20000, seed));
        rig.receiver_end->set_tamper(testing::random_damage(300, seed + 100));
        expect_whole(rig, batch, rig.run(batch.paths, rig.receive_options()));
    }
}

TEST(ZmodemBadLine, HeavyDamageEndsInTimeAndNeverPassesBadData) {
    for (uint32_t seed = 1; seed <= 6; ++seed) {
        TransferRig rig;
        const Batch batch = make_batch(rig);
        rig.sender_end->set_tamper(testing::random_damage(2000, seed));
        rig.receiver_end->set_tamper(testing::random_damage(60, seed + 100));
        const TransferRig::Run run = rig.run(batch.paths, rig.receive_options());
        ASSERT_TRUE(run.finished) << "seed " << seed;
        expect_no_damage_reported_good(batch, run);
    }
}

TEST(ZmodemBadLine, DeadLineEndsBothSidesWithinTheirLimits) {
    TransferRig rig;
    const Batch batch = make_batch(rig);
    rig.sender_end->set_tamper(testing::silence_after(90000));
    const TransferRig::Run run = rig.run(batch.paths, rig.receive_options());
    ASSERT_TRUE(run.finished);
    EXPECT_FALSE(run.sent.all_sent());
    EXPECT_FALSE(run.received.complete());
    // Ten waits of five seconds at most, a few times over.
    EXPECT_LT(run.elapsed_ms, 5u * 60 * 1000);
    // What arrived stays, for the next session to resume.
    EXPECT_GT(testing::read_file(rig.incoming() + "/file0").size(), 0u);
}

TEST(ZmodemBadLine, NobodyAnswersTheSender) {
    TransferRig rig;
    const Batch batch = make_batch(rig);
    auto sending = send_files(*rig.sender_end, rig.sender_ui, {}, batch.paths);
    sending.start();
    ASSERT_TRUE(rig.loop().wait_for([&] { return sending.done(); }, rig.loop().now() + 600000));
    EXPECT_EQ(sending.result().status.id(), platform::MessageId::kZmodemNoHeader);
}

TEST(ZmodemBadLine, NobodySendsToTheReceiver) {
    TransferRig rig;
    auto receiving = receive_files(*rig.receiver_end, rig.receiver_ui, rig.receive_options());
    receiving.start();
    const uint32_t start = rig.loop().now();
    ASSERT_TRUE(rig.loop().wait_for([&] { return receiving.done(); }, start + 600000));
    EXPECT_EQ(receiving.result().status.id(), platform::MessageId::kZmodemNoHeader);
    EXPECT_LE(rig.loop().now() - start, 15u * 5000 + 1000);
}

TEST(ZmodemBadLine, CutInTheMiddleThenResumedInTheNextSession) {
    TransferRig rig;
    const Batch batch = make_batch(rig);
    auto cut_after = std::make_shared<size_t>(0);
    rig.sender_end->set_tamper([&, cut_after](std::vector<uint8_t>& bytes) {
        *cut_after += bytes.size();
        if (*cut_after > 120000) {
            bytes.clear();
            rig.loop().defer([&] { rig.sender_end->cut(); });
        }
    });
    const TransferRig::Run first = rig.run(batch.paths, rig.receive_options());
    ASSERT_TRUE(first.finished);
    EXPECT_FALSE(first.sent.all_sent());
    EXPECT_FALSE(first.received.complete());
    const size_t partial = testing::read_file(rig.incoming() + "/file0").size();
    EXPECT_GT(partial, 0u);
    EXPECT_LT(partial, batch.contents[0].size());

    rig.connect();
    auto second_bytes = std::make_shared<size_t>(0);
    rig.sender_end->set_tamper(testing::count_into(second_bytes));
    const TransferRig::Run second = rig.run(batch.paths, rig.receive_options());
    expect_whole(rig, batch, second);
    // The first file went on from where it broke off.
    size_t total = 0;
    for (const Bytes& content : batch.contents) total += content.size();
    EXPECT_LT(*second_bytes, total + total / 4 - partial + partial / 2);
}

}  // namespace
}  // namespace orvane::connection
