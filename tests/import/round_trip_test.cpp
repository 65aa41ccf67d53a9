// Through the mail packet and back, with the orvane program as a user runs
// it: items written, the packet built, the server's answer to exactly that
// packet imported, and every pending item settled once, also when the same
// answer is imported a second time.
#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <vector>

#include "platform/file.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_directory.h"

namespace orvane::import::testing {
namespace {

using orvane::testing::ProgramRun;

class RoundTripTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(orvane("user add --node C --name 'Ann Lee'").exit_code, 0); }

    ProgramRun orvane(const std::string& arguments, const std::string& input = "") {
        return orvane::testing::run_orvane("--home '" + dir + "' " + arguments, input);
    }

    // The subjects of the texts in `box`, one line each.
    std::string subjects_in(const std::string& box) {
        ProgramRun list = orvane("--json text list '" + box + "'");
        EXPECT_EQ(list.exit_code, 0) << list.err;
        std::string subjects;
        static const std::regex kSubject("\"subject\": \"([^\"]*)\"");
        for (std::sregex_iterator at(list.out.begin(), list.out.end(), kSubject), end; at != end;
             ++at)
            subjects += (*at)[1].str() + "\n";
        return subjects;
    }

    orvane::testing::TempDirectory temp;
    std::string dir = temp.path();
};

// The numbers after "@echo Orvane: <kind>#" in the packet, in order.
std::vector<std::string> echo_numbers(const std::string& packet, char kind) {
    std::vector<std::string> numbers;
    const std::regex marker(std::string("@echo Orvane: ") + kind + "#([0-9]+)");
    for (std::sregex_iterator at(packet.begin(), packet.end(), marker), end; at != end; ++at)
        numbers.push_back((*at)[1].str());
    return numbers;
}

TEST_F(RoundTripTest, EveryPendingItemIsSettledOnceEvenWhenTheAnswerComesTwice) {
    ASSERT_EQ(platform::write_whole_file(dir + "/body.txt", "Dear Bo,\nnoon?\n", 15), 0);
    ASSERT_EQ(orvane("write letter --to 'Bo Ek' --subject Lunch --body-file '" + dir + "/body.txt'")
                  .exit_code,
              0);
    ASSERT_EQ(orvane("write command '@home' 'list news'").exit_code, 0);
    ASSERT_EQ(
        orvane("write text --conference Gardening --subject Roses", "They bloom.\n").exit_code, 0);
    ProgramRun built = orvane("packet build --plain");
    ASSERT_EQ(built.exit_code, 0) << built.err;
    std::string packet;
    ASSERT_EQ(platform::read_whole_file(built.out.substr(0, built.out.find('\n')), &packet), 0);
    const std::vector<std::string> posted = echo_numbers(packet, 'T');
    const std::vector<std::string> commands = echo_numbers(packet, 'C');
    ASSERT_EQ(posted.size(), 2u) << packet;
    ASSERT_EQ(commands.size(), 1u) << packet;
    EXPECT_EQ(subjects_in("Pending Sent Mail"), "Lunch\nRoses\n");

    // The server's answer, in the order of the packet, with CR LF line ends.
    std::string answer = "Processing updump to CORVID\r\n";
    answer += "Orvane: T#" + posted[0] +
              "\r\n(Text 1500)\r\nFrom: Ann Lee\r\nTo: Bo Ek\r\nSubject: Lunch\r\n\r\n";
    answer +=
        "Orvane: C#" + commands[0] + "\r\nNo news today.\r\nOrvane: E#" + commands[0] + "\r\n";
    answer += "Orvane: T#" + posted[1] +
              "\r\n(Text 1501)\r\nFrom: Ann Lee\r\nTo: Gardening\r\nSubject: Roses\r\n\r\n";
    const std::string dump = dir + "/C251209A.dmp";
    ASSERT_EQ(platform::write_whole_file(dump, answer.data(), answer.size()), 0);
    ASSERT_EQ(platform::write_whole_file(dir + "/again.dmp", answer.data(), answer.size()), 0);

    ProgramRun imported = orvane("--json import '" + dump + "'");
    ASSERT_EQ(imported.exit_code, 0) << imported.out << imported.err;
    EXPECT_NE(imported.out.find("\"settled\": 2"), std::string::npos) << imported.out;
    EXPECT_NE(imported.out.find("\"command_results\": 1"), std::string::npos) << imported.out;
    EXPECT_NE(imported.out.find("\"updump_errors\": 0"), std::string::npos) << imported.out;

    const auto settled_once = [&] {
        EXPECT_EQ(subjects_in("Pending Sent Mail"), "");
        EXPECT_EQ(subjects_in("Pending Sent Commands"), "");
        EXPECT_EQ(subjects_in("Sent Mail"), "Lunch\nRoses\n");
        const ProgramRun results = orvane("--json text list 'Results of Commands'");
        EXPECT_EQ(results.out.find("\"id\"", results.out.find("\"id\"") + 1), std::string::npos)
            << results.out;
        const ProgramRun lunch = orvane("--json text show CORVID:1500");
        EXPECT_EQ(lunch.exit_code, 0) << lunch.err;
        EXPECT_NE(lunch.out.find("noon?"), std::string::npos) << lunch.out;
        EXPECT_NE(orvane("--json text show C:1501").out.find("They bloom."), std::string::npos);
        const ProgramRun output = orvane("--json text show " + commands[0]);
        EXPECT_NE(output.out.find("No news today."), std::string::npos) << output.out;
    };
    settled_once();
    ProgramRun again = orvane("--json import '" + dir + "/again.dmp'");
    ASSERT_EQ(again.exit_code, 0) << again.out << again.err;
    settled_once();
}

}  // namespace
}  // namespace orvane::import::testing
