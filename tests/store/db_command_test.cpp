// `orvane db` end to end: loading, listing, and check's verdict before and
// after damage and repair.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

#include "tests/store/test_db.h"
#include "tests/support/run_program.h"

namespace orvane::store::testing {
namespace {

using orvane::testing::ProgramRun;

// `input_file`'s bytes go to standard input.
ProgramRun orvane(const std::string& arguments, const std::string& input_file = "") {
    return orvane::testing::run_orvane(arguments + (input_file.empty() ? "" : " < " + input_file));
}

TEST(DbCommand, LoadDumpCheckRepair) {
    ScratchDir dir;
    const std::string db = dir.path("c.db");
    const std::string lines = dir.path("lines.txt");
    std::string input;
    for (int i = 10; i < 90; ++i)
        input += "6b" + std::to_string(i) + "\t" + std::string(400, '6') + "\n";
    write_file_bytes(lines, input);
    ASSERT_EQ(orvane("db create " + db + " --block-size 1024 --prefix-keys").exit_code, 0);
    ASSERT_EQ(orvane("db load " + db, lines).exit_code, 0);
    ProgramRun dump = orvane("db dump " + db);
    EXPECT_EQ(dump.exit_code, 0);
    EXPECT_EQ(dump.out.substr(0, 5), "6b10\n");
    EXPECT_EQ(std::count(dump.out.begin(), dump.out.end(), '\n'), 80);
    EXPECT_EQ(orvane("db --text get " + db + " \"k\x12\" --mode next").out.substr(0, 3), "k\x13\t");
    EXPECT_EQ(orvane("db load " + db, db).exit_code, 1);  // not lines of hex
    EXPECT_EQ(orvane("db get " + db + " 6x").exit_code, 2);

    EXPECT_EQ(orvane("db check " + db).exit_code, 0);
    std::string bytes = file_bytes(db);
    bytes[3 * 1024 + 40] ^= 0x20;
    write_file_bytes(db, bytes);
    ProgramRun check = orvane("db check " + db);
    EXPECT_EQ(check.exit_code, 1);
    EXPECT_NE(check.out.find("Data block CRC error"), std::string::npos);
    EXPECT_EQ(orvane("db repair " + db).exit_code, 0);
    EXPECT_EQ(orvane("db check " + db).exit_code, 0);
    EXPECT_EQ(orvane("db delete-range " + db + " 6b20 6b29").exit_code, 0);
    EXPECT_EQ(orvane("db compact " + db).exit_code, 0);
    EXPECT_EQ(orvane("db check " + db).exit_code, 0);
    EXPECT_EQ(orvane("db get " + db + " 6b25").exit_code, 1);
}

TEST(DbCommand, DamagedHeaderIsReportedThenRestoredOrRebuilt) {
    ScratchDir dir;
    const std::string db = dir.path("h.db");
    const std::string lines = dir.path("lines.txt");
    std::string input;
    for (int i = 10; i < 90; ++i)
        input += "6b" + std::to_string(i) + "\t" + std::string(300, 'a') + "\n";
    write_file_bytes(lines, input);
    ASSERT_EQ(orvane("db create " + db + " --block-size 2048").exit_code, 0);
    ASSERT_EQ(orvane("db load " + db, lines).exit_code, 0);
    const std::string dump = orvane("db dump " + db + " --data").out;
    const std::string sound = file_bytes(db);

    // The backup is sound: check says so and still checks the blocks.
    std::string bytes = sound;
    bytes[14] ^= 0x01;  // the entry size
    write_file_bytes(db, bytes);
    ProgramRun check = orvane("db check " + db);
    EXPECT_EQ(check.exit_code, 1);
    EXPECT_NE(check.out.find("header: checksum wrong; its backup is sound"), std::string::npos);
    EXPECT_NE(check.out.find("80 records"), std::string::npos) << check.out;
    EXPECT_EQ(orvane("db repair " + db).exit_code, 0);
    EXPECT_EQ(orvane("db check " + db).exit_code, 0);

    // Neither copy is sound: a clear word, and a header made from the blocks.
    bytes = sound;
    std::fill(bytes.begin(), bytes.begin() + 1024, '\0');
    write_file_bytes(db, bytes);
    check = orvane("db check " + db);
    EXPECT_EQ(check.exit_code, 1);
    EXPECT_NE(check.out.find("header: damaged, and so is its backup"), std::string::npos)
        << check.out;
    ProgramRun repair = orvane("db repair " + db);
    EXPECT_EQ(repair.exit_code, 0) << repair.err;
    EXPECT_NE(repair.out.find("damaged and so is its backup; rebuilding it"), std::string::npos);
    EXPECT_EQ(orvane("db check " + db).exit_code, 0);
    EXPECT_EQ(orvane("db dump " + db + " --data").out, dump);

    // Nothing left to rebuild from.
    write_file_bytes(db, std::string(8192, '\x11'));
    repair = orvane("db repair " + db);
    EXPECT_EQ(repair.exit_code, 1);
    EXPECT_NE(repair.err.find("its header cannot be rebuilt"), std::string::npos) << repair.err;
}

}  // namespace
}  // namespace orvane::store::testing
