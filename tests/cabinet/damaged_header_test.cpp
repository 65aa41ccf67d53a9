// A cabinet whose database header is damaged opens from the header's backup
// instead of being lost with everything in it.
#include "cabinet/fixed_boxes.h"
#include "platform/file.h"
#include "tests/cabinet/cabinet_fixture.h"

namespace orvane::cabinet::testing {
namespace {

TEST_F(CabinetTest, DamagedDatabaseHeaderIsRestoredFromItsBackup) {
    create();
    ASSERT_OK(cabinet_->close());
    cabinet_.reset();
    std::string bytes;
    ASSERT_EQ(platform::read_whole_file(path_, &bytes), 0);
    bytes[10] ^= 0x03;  // the block count, without its checksum following
    ASSERT_EQ(platform::write_whole_file(path_, bytes.data(), bytes.size()), 0);
    ASSERT_NE(reopen(), nullptr) << last_status_.text();
    EXPECT_TRUE(cabinet_->boxes().contains(box::kInBasket));
}

}  // namespace
}  // namespace orvane::cabinet::testing
