// Address lists among the imported files reach the address book, zipped or
// not, through the program as a user runs it.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "platform/file.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_directory.h"

namespace orvane::import::testing {
namespace {

using orvane::testing::ProgramRun;

// A line of a node's address list: serial, type, number, flags, name.
std::string list_line(int serial, int type, int number, const std::string& name) {
    char head[64];
    std::snprintf(head, sizeof head, "%6d %d %6d %08X ", serial, type, number, 0u);
    return head + name + "  \r\n";
}

class AddressListImportTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(orvane("user add --node C --name 'Ann Lee'").exit_code, 0); }

    ProgramRun orvane(const std::string& arguments) {
        ProgramRun run = orvane::testing::run_orvane("--home '" + dir + "' " + arguments);
        run.out += run.err;
        return run;
    }

    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
};

TEST_F(AddressListImportTest, AZippedListIsUnpackedAndHandedToTheAddressBook) {
    const std::string list = list_line(1, 1, 1, "John Smith") + list_line(2, 2, 2, "Chess Club");
    ASSERT_EQ(platform::write_whole_file(dir + "/CO00001$", list.data(), list.size()), 0);
    std::string zipped;
    if (FILE* pipe =
            popen(("cd '" + dir + "' && zip -q -m 'CO00001$.zip' 'CO00001$' 2>&1").c_str(), "r")) {
        char buffer[256];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) zipped.append(buffer, n);
        ASSERT_EQ(pclose(pipe), 0) << zipped;
    }
    const ProgramRun imported = orvane("import '" + dir + "/CO00001$.zip'");
    ASSERT_EQ(imported.exit_code, 0) << imported.out;
    EXPECT_NE(imported.out.find("address list handed to the address book"), std::string::npos)
        << imported.out;
    // The archive and the list unpacked from it are both gone once read.
    EXPECT_FALSE(platform::file_exists(dir + "/CO00001$.zip"));
    EXPECT_FALSE(platform::file_exists(dir + "/CO00001$"));
    const ProgramRun found = orvane("address lookup john");
    EXPECT_EQ(found.exit_code, 0) << found.out;
    EXPECT_NE(found.out.find("John Smith"), std::string::npos) << found.out;
}

TEST_F(AddressListImportTest, AListOfAnUnknownNodeIsRefusedAndKept) {
    const std::string list = list_line(1, 1, 1, "Nobody Known");
    const std::string path = dir + "/QO00001$";
    ASSERT_EQ(platform::write_whole_file(path, list.data(), list.size()), 0);
    const ProgramRun imported = orvane("import '" + path + "'");
    EXPECT_EQ(imported.exit_code, 1) << imported.out;
    EXPECT_NE(imported.out.find("not imported"), std::string::npos) << imported.out;
    EXPECT_TRUE(platform::file_exists(path));
}

}  // namespace
}  // namespace orvane::import::testing
