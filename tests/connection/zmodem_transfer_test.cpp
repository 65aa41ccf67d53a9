// Our sender against our receiver over a memory line on a virtual clock:
// whole batches, the rules for files that exist, and a bad line.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tests/connection/transfer_rig.h"

namespace orvane::connection {
namespace {

using testing::Bytes;
using testing::TransferRig;

TEST(ZmodemTransfer, BatchOfAwkwardFilesArrivesWhole) {
    TransferRig rig;
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
}

}  // namespace
}  // namespace orvane::connection
