// `orvane db` end to end: loading, listing, and check's verdict before and
// after damage and repair.
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>

#include "tests/store/test_db.h"

namespace orvane::store::testing {
namespace {

struct CommandRun {
    int exit_code = -1;
    std::string output;
};

CommandRun orvane(const std::string& arguments, const std::string& input_file = "") {
    std::string command = std::string(ORVANE_BINARY) + " " + arguments + " 2>/dev/null";
    if (!input_file.empty()) command += " < " + input_file;
    CommandRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return run;
    char buffer[4096];
    size_t n = 0;
    while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, n);
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

TEST(DbCommand, LoadDumpCheckRepair) {
    ScratchDir dir;
    const std::string db = dir.path("c.get()");
    const std::string lines = dir.path("lines.txt");
    std::string input;
    for (int i = 10; i < 90; ++i)
        input += "6b" + std::to_string(i) + "\t" + std::string(400, '6') + "\n";
    write_file_bytes(lines, input);
    ASSERT_EQ(orvane("db create " + db + " --block-size 1024 --prefix-keys").exit_code, 0);
    ASSERT_EQ(orvane("db load " + db, lines).exit_code, 0);
    CommandRun dump = orvane("db dump " + db);
    EXPECT_EQ(dump.exit_code, 0);
    EXPECT_EQ(dump.output.substr(0, 5), "6b10\n");
    EXPECT_EQ(std::count(dump.output.begin(), dump.output.end(), '\n'), 80);
    EXPECT_EQ(orvane("db --text get " + db + " \"k\x12\" --mode next").output.substr(0, 3),
              "k\x13\t");
    EXPECT_EQ(orvane("db load " + db, db).exit_code, 1);  // not lines of hex
    EXPECT_EQ(orvane("db get " + db + " 6x").exit_code, 2);

    EXPECT_EQ(orvane("db check " + db).exit_code, 0);
    std::string bytes = file_bytes(db);
    bytes[3 * 1024 + 40] ^= 0x20;
    write_file_bytes(db, bytes);
    CommandRun check = orvane("db check " + db);
    EXPECT_EQ(check.exit_code, 1);
    EXPECT_NE(check.output.find("Data block CRC error"), std::string::npos);
    EXPECT_EQ(orvane("db repair " + db).exit_code, 0);
    EXPECT_EQ(orvane("db check " + db).exit_code, 0);
    EXPECT_EQ(orvane("db delete-range " + db + " 6b20 6b29").exit_code, 0);
    EXPECT_EQ(orvane("db compact " + db).exit_code, 0);
    EXPECT_EQ(orvane("db check " + db).exit_code, 0);
    EXPECT_EQ(orvane("db get " + db + " 6b25").exit_code, 1);
}

}  // namespace
}  // namespace orvane::store::testing
