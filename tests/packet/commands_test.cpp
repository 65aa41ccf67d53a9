// Writing texts and building the packet with the orvane program, as a user
// would: a new user, a letter, a command, a packet, the queue.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file.h"
#include "tests/support/temp_directory.h"

namespace orvane::packet {
namespace {

struct CommandResult {
    int code = -1;
    std::string out;
};

class PacketCommandsTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(orvane("user add --node C --name 'Ann Lee'").code, 0); }

    CommandResult orvane(const std::string& arguments, const std::string& input = "") {
        std::string command =
            std::string(ORVANE_BINARY) + " --home '" + dir + "' " + arguments + " 2>/dev/null";
        if (!input.empty())
            command = "printf '%s' '" + input + "' | " + command;
        else
            command += " </dev/null";
        CommandResult run;
        FILE* pipe = popen(command.c_str(), "r");
        char buffer[4096];
        while (size_t n = fread(buffer, 1, sizeof buffer, pipe)) run.out.append(buffer, n);
        int status = pclose(pipe);
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
};

TEST_F(PacketCommandsTest, WrittenItemsTravelIntoThePacketAndTheQueue) {
    ASSERT_EQ(platform::write_whole_file(dir + "/body.txt", "Dear Bo,\n@noon works.\n", 22), 0);
    CommandResult letter =
        orvane("write letter --to 'Bo Ek' --subject 'Lunch' --body-file '" + dir + "/body.txt'");
    ASSERT_EQ(letter.code, 0);
    EXPECT_NE(letter.out.find("in the Out-Basket"), std::string::npos) << letter.out;
    ASSERT_EQ(orvane("write command '@home' 'list news'").code, 0);
    ASSERT_EQ(orvane("write text --conference Gardening --subject Roses", "They bloom.\n").code, 0);
    EXPECT_EQ(orvane("write letter --to X --subject Y --attach /no/such/file").code, 1);

    CommandResult built = orvane("packet build --plain");
    ASSERT_EQ(built.code, 0);
    std::string path = built.out.substr(0, built.out.find('\n'));
    EXPECT_TRUE(path.ends_with(".upd")) << built.out;
    std::string packet;
    ASSERT_EQ(platform::read_whole_file(path, &packet), 0);
    EXPECT_NE(packet.find("@To Bo Ek\r\n@subj Lunch\r\nDear Bo,\r\n@@noon works.\r\n"),
              std::string::npos)
        << packet;
    EXPECT_NE(packet.find("\r\n@home\r\nlist news\r\n@echo Orvane: E#"), std::string::npos);
    EXPECT_NE(packet.find("@To Gardening\r\n@subj Roses\r\nThey bloom.\r\n"), std::string::npos);

    CommandResult queue = orvane("--json packet list");
    ASSERT_EQ(queue.code, 0);
    EXPECT_NE(queue.out.find("\"present\": true"), std::string::npos) << queue.out;

    EXPECT_NE(orvane("text list 'Pending Sent Mail'").out.find("Lunch"), std::string::npos);
    // The Out-Basket is empty now: a second packet has nothing to send.
    CommandResult again = orvane("packet build --plain");
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(again.out, "");
}

}  // namespace
}  // namespace orvane::packet
