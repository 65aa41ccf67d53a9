#include "addressbook/book_file.h"

#include "addressbook/db_access.h"
#include "addressbook/write_batch.h"
#include "platform/bytes.h"
#include "platform/scripted_ui.h"
#include "platform/virtual_clock.h"
#include "tests/addressbook/book_fixture.h"

namespace orvane::addressbook::testing {
namespace {

TEST_F(BookTest, ANewBookHasTwoKilobyteBlocksAndPrefixCompressedKeys) {
    ASSERT_TRUE(lists->close().ok());  // an open book is nobody else's to read
    const std::string file = read_file(kListsFileName);
    ASSERT_EQ(file.size(), 4096u);
    const auto* header = reinterpret_cast<const uint8_t*>(file.data());
    EXPECT_EQ(file.substr(0, 4), "ZtDB");
    EXPECT_EQ(platform::load_le16(header + 736), 2048);
    EXPECT_EQ(platform::load_le16(header + 14), 8);
    EXPECT_EQ(header[738] & 0x3, 0x1);
}

TEST_F(BookTest, WaitingForAnotherProgramsLockShowsProgressAndMayBeGivenUp) {
    BookFile holder = open_book("shared.dat", true);
    ASSERT_EQ(store::DbLock(holder.db()), 0);
    platform::ScriptedUi ui;
    ui.cancel_after_updates = 3;
    platform::VirtualClockEnv clock(files);
    auto waiting = BookFile::open(path("shared.dat"), true, ui, clock);
    ASSERT_FALSE(waiting.ok());
    EXPECT_TRUE(waiting.status().is_cancelled());
    ASSERT_EQ(ui.progress.size(), 1u);
    EXPECT_EQ(ui.progress[0].title, "Waiting until the address book is free");
    EXPECT_GE(clock.tick_count(), 300u);  // it waited 100 ms at a time
    ASSERT_EQ(store::DbUnlock(holder.db()), 0);
    EXPECT_TRUE(BookFile::open(path("shared.dat"), true, ui, clock).ok());
}

TEST_F(BookTest, AFileThatIsNoBookIsReportedWithItsName) {
    write_file("bad.dat", std::string(4096, 'x'));
    auto bad = BookFile::open(path("bad.dat"), false, policy, files);
    ASSERT_FALSE(bad.ok());
    EXPECT_EQ(bad.status().text().rfind("opening the address book " + path("bad.dat") + ":\n", 0),
              0u)
        << bad.status().text();
}

TEST_F(BookTest, AGroupThatIsNotCommittedLeavesNothingBehind) {
    const auto before = dump(*lists);
    {
        auto batch = WriteBatch::begin(*lists);
        ASSERT_TRUE(batch.ok());
        AddressObject object;
        object.node = 'C';
        object.number = 1;
        object.type = kPerson;
        object.name = "Ann Lee";
        ASSERT_TRUE(batch->store(object, std::nullopt).ok());
        batch->raise_serial('C', 7);
        // Destroyed without a commit: the words were never written.
    }
    EXPECT_EQ(dump(*lists), before);
    EXPECT_FALSE(lists->read_object('C', 1).value());
    EXPECT_FALSE(lists->node_serial('C').value());
}

}  // namespace
}  // namespace orvane::addressbook::testing
