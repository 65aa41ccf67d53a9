// Writing texts and building the packet with the orvane program, as a user
// would: a new user, a letter, a command, a packet, the queue.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_directory.h"

namespace orvane::packet {
namespace {

using orvane::testing::ProgramRun;

class PacketCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(orvane("user add --node C --name 'Ann Lee'").exit_code, 0); }

    ProgramRun orvane(const std::string& arguments, const std::string& input = "") {
        return orvane::testing::run_orvane("--home '" + dir + "' " + arguments, input);
    }

    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
};

TEST_F(PacketCommandsTest, WrittenItemsTravelIntoThePacketAndTheQueue) {
    ASSERT_EQ(platform::write_whole_file(dir + "/body.txt", "Dear Bo,\n@noon works.\n", 22), 0);
    ProgramRun letter =
        orvane("write letter --to 'Bo Ek' --subject 'Lunch' --body-file '" + dir + "/body.txt'");
    ASSERT_EQ(letter.exit_code, 0);
    EXPECT_NE(letter.out.find("in the Out-Basket"), std::string::npos) << letter.out;
    ASSERT_EQ(orvane("write command '@home' 'list news'").exit_code, 0);
    ASSERT_EQ(
        orvane("write text --conference Gardening --subject Roses", "They bloom.\n").exit_code, 0);
    EXPECT_EQ(orvane("write letter --to X --subject Y --attach /no/such/file").exit_code, 1);

    ProgramRun built = orvane("packet build --plain");
    ASSERT_EQ(built.exit_code, 0);
    std::string path = built.out.substr(0, built.out.find('\n'));
    EXPECT_TRUE(path.ends_with(".upd")) << built.out;
    std::string packet;
    ASSERT_EQ(platform::read_whole_file(path, &packet), 0);
    EXPECT_NE(packet.find("@To Bo Ek\r\n@subj Lunch\r\nDear Bo,\r\n@@noon works.\r\n"),
              std::string::npos)
        << packet;
    EXPECT_NE(packet.find("\r\n@home\r\nlist news\r\n@echo Orvane: E#"), std::string::npos);
    EXPECT_NE(packet.find("@To Gardening\r\n@subj Roses\r\nThey bloom.\r\n"), std::string::npos);

    ProgramRun queue = orvane("--json packet list");
    ASSERT_EQ(queue.exit_code, 0);
    EXPECT_NE(queue.out.find("\"present\": true"), std::string::npos) << queue.out;

    EXPECT_NE(orvane("text list 'Pending Sent Mail'").out.find("Lunch"), std::string::npos);
    // The Out-Basket is empty now: a second packet has nothing to send.
    ProgramRun again = orvane("packet build --plain");
    EXPECT_EQ(again.exit_code, 0);
    EXPECT_EQ(again.out, "");
}

}  // namespace
}  // namespace orvane::packet
