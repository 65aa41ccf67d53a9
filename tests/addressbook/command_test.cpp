// The address commands run as the installed program.
#include <gtest/gtest.h>

#include <string>

#include "platform/file.h"
#include "tests/addressbook/book_fixture.h"
#include "tests/support/run_program.h"
#include "tests/support/temp_directory.h"

namespace orvane::addressbook::testing {
namespace {

using orvane::testing::ProgramRun;

class AddressCommandTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_EQ(run("user add --node C --name 'Ann Lee'").exit_code, 0); }

    // Both streams together: what the user sees.
    ProgramRun run(const std::string& arguments, const std::string& input = {}) {
        ProgramRun result =
            orvane::testing::run_orvane("--home '" + home.path() + "' " + arguments, input);
        result.out += result.err;
        return result;
    }

    std::string write(const std::string& name, const std::string& text) {
        const std::string file = home.file(name);
        EXPECT_EQ(platform::write_whole_file(file, text.data(), text.size()), 0);
        return file;
    }

    orvane::testing::TempDirectory home;
};

TEST_F(AddressCommandTest, ImportLookUpShowAndWriteToAName) {
    ProgramRun empty = run("--no address lookup john");
    EXPECT_EQ(empty.exit_code, 1);
    EXPECT_NE(empty.out.find("The address book for CORVID is empty."), std::string::npos)
        << empty.out;

    const std::string list = write("CO00001$", list_line(1, 1, 1, 0, "John Smith", {7}) +
                                                   list_line(2, 1, 2, 0x8000, "Jo Smithers") +
                                                   list_line(3, 2, 3, 0, "Chess, Club"));
    ProgramRun imported = run("address import-list '" + list + "'");
    ASSERT_EQ(imported.exit_code, 0) << imported.out;
    EXPECT_NE(imported.out.find("Imported the complete address list of CORVID: 3 objects stored"),
              std::string::npos)
        << imported.out;
    EXPECT_FALSE(platform::file_exists(list));

    ProgramRun found = run("address lookup 'jo sm'");
    EXPECT_EQ(found.out,
              "C:1      person     John Smith  <John.Smith@corvid.example>\n"
              "C:2      person     Jo Smithers  <Jo.Smithers@corvid.example>\n");
    ProgramRun json = run("--json address lookup chess --conferences");
    EXPECT_EQ(json.out,
              "[{\"node\": \"C\", \"number\": 3, \"type\": \"conference\", \"name\": \"Chess, "
              "Club\", \"address\": \"Chess,.Club@qor.corvid.example\"}]\n");
    ProgramRun show = run("address show CORVID:2");
    EXPECT_NE(show.out.find("Flags:    00008000 suspended"), std::string::npos) << show.out;
    EXPECT_EQ(run("address show C:99").exit_code, 1);
    EXPECT_EQ(run("address lookup nobody").exit_code, 1);

    ProgramRun ambiguous = run("write letter --to 'jo sm' --subject Hi", "Hello\n");
    EXPECT_EQ(ambiguous.exit_code, 1);
    EXPECT_NE(ambiguous.out.find("John Smith (C:1)"), std::string::npos) << ambiguous.out;
    ProgramRun letter = run("write letter --to 'john sm' --subject Hi", "Hello\n");
    EXPECT_EQ(letter.exit_code, 0) << letter.out;
}

TEST_F(AddressCommandTest, ThePersonalBookAndCsvFiles) {
    ASSERT_EQ(run("address add 'Bob Ek' bob@ek.example").exit_code, 0);
    EXPECT_EQ(run("address add 'Bob Ek' BOB@ek.example").exit_code, 1);
    EXPECT_EQ(run("address add Nobody nowhere").exit_code, 1);
    ProgramRun imported = run("address import '" +
                              write("in.csv",
                                    "E-mail,Name\r\nann.marie@x.example,\r\n"
                                    "p@corvid.example,On The Network\r\n") +
                              "'");
    ASSERT_EQ(imported.exit_code, 0) << imported.out;
    EXPECT_NE(imported.out.find("Addresses of users and conferences on CORVID"), std::string::npos);
    ProgramRun personal = run("address lookup a --node @ --anywhere");
    EXPECT_NE(personal.out.find("@:2      address    ann marie  <ann.marie@x.example>"),
              std::string::npos)
        << personal.out;

    ASSERT_EQ(run("address import-list '" +
                  write("CO00001$",
                        list_line(1, 1, 1, 0, "John Smith") + list_line(2, 2, 3, 0, "Chess Club")) +
                  "'")
                  .exit_code,
              0);
    ASSERT_EQ(run("address export '" + home.file("out") + "' --info").exit_code, 0);
    std::string csv;
    ASSERT_EQ(platform::read_whole_file(home.file("out.csv"), &csv), 0);
    EXPECT_EQ(csv,
              "\xEF\xBB\xBFName,E-mail Address,Info\n"
              "John Smith,John.Smith@corvid.example,active person\n"
              "Chess Club,Chess.Club@qor.corvid.example,conference\n");

    ASSERT_EQ(run("address delete 'bob ek'").exit_code, 0);
    EXPECT_EQ(run("address lookup bob --node @").exit_code, 1);
    ProgramRun request = run("address request");
    EXPECT_EQ(request.exit_code, 0) << request.out;
    EXPECT_NE(request.out.find("will download the address book from CORVID."), std::string::npos);
}

}  // namespace
}  // namespace orvane::addressbook::testing
