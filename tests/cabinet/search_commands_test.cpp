// The search commands of the orvane program, run as a user would run them,
// on a cabinet filled through the library.
#include <gtest/gtest.h>

#include <string>

#include "cabinet/fixed_boxes.h"
#include "tests/cabinet/cabinet_fixture.h"
#include "tests/support/run_program.h"

namespace orvane::cabinet {
namespace {

using orvane::testing::ProgramRun;

class SearchCommandsTest : public testing::CabinetTest {
  protected:
    ProgramRun orvane(const std::string& arguments) {
        return orvane::testing::run_orvane("--home '" + dir_ + "/home' --cabinet '" + path_ + "' " +
                                           arguments);
    }

    void SetUp() override {
        CreateOptions options;
        options.keep_search_index = true;
        create(options);
        for (texts::TextId id = 1; id <= 3; ++id) {
            texts::TextRecord text = testing::plain_text(id, 0);
            text.author = {0, id == 2 ? "Carl Dahl" : "Anna Berg"};
            text.subject = id == 3 ? "Caf\xE9 plans" : "Meeting";
            text.charset = texts::make_charset(2, 1);
            text.body = "the meeting is at noon " + std::to_string(id) + "\n";
            ASSERT_OK(cabinet_->file_text(text, id == 3 ? box::kLetters : box::kInBasket));
        }
        ASSERT_OK(cabinet_->close());
        cabinet_.reset();
    }
};

TEST_F(SearchCommandsTest, FindsTextsNewestFirstAsTextAndJson) {
    ProgramRun run = orvane("search meeting from:anna");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out.rfind("3 ", 0), 0u) << "newest first: " << run.out;
    EXPECT_NE(run.out.find("\n1 "), std::string::npos) << run.out;
    EXPECT_EQ(run.out.find("Carl"), std::string::npos);
    EXPECT_NE(run.out.find("Caf\xC3\xA9 plans"), std::string::npos) << "shown in UTF-8";
    EXPECT_NE(run.out.find("2 texts found"), std::string::npos) << run.out;

    run = orvane("search --json --box Letters caf\xC3\xA9");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out.rfind("[{\"id\": \"3\", \"value\": 3, \"box\": \"Letters\"", 0), 0u)
        << run.out;
    EXPECT_NE(run.out.find("\"author\": \"Anna Berg\""), std::string::npos);

    run = orvane("search --limit 1 noon");
    EXPECT_NE(run.out.find("1 of 3 texts shown"), std::string::npos) << run.out;
    EXPECT_EQ(orvane("search 'date:today'").exit_code, 2);
    EXPECT_EQ(orvane("search nowhere").out, "0 texts found\n");
}

TEST_F(SearchCommandsTest, StatusSwitchingRebuildAndDelete) {
    ProgramRun run = orvane("search status");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("Search index: on"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Up to date:   yes"), std::string::npos);

    ASSERT_EQ(orvane("search off").exit_code, 0);
    run = orvane("search meeting");
    EXPECT_EQ(run.exit_code, 1) << "off, and nobody to say yes";
    EXPECT_NE(run.err.find("keeps no search index"), std::string::npos) << run.err;
    // Yes switches it on and rebuilds it before searching.
    run = orvane("--yes search meeting");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("3 texts found"), std::string::npos) << run.out;

    run = orvane("--json search status");
    EXPECT_EQ(run.out.rfind("{\"on\": true, \"up_to_date\": true, \"words\": ", 0), 0u) << run.out;
    EXPECT_EQ(orvane("search rebuild").exit_code, 0) << "declined without a terminal";
    run = orvane("--yes search rebuild");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.out.find("Rebuilt the search index"), std::string::npos);

    ASSERT_EQ(orvane("search delete").exit_code, 0);
    run = orvane("search status");
    EXPECT_NE(run.out.find("Search index: off"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Words:        0"), std::string::npos);
}

TEST_F(SearchCommandsTest, ADamagedWordIsToldAndTheStatusAsksForARebuild) {
    reopen();
    ASSERT_EQ(store::DbPut(cabinet_->db(), "noon", 4, "\x01\x00", 2), 0);
    ASSERT_OK(cabinet_->close());
    cabinet_.reset();
    ProgramRun run = orvane("search noon");
    ASSERT_EQ(run.exit_code, 0) << run.err;
    EXPECT_NE(run.err.find("'noon' is damaged"), std::string::npos) << run.err;
    EXPECT_NE(run.err.find("not up-to-date"), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("0 texts found"), std::string::npos);
    run = orvane("search status");
    EXPECT_NE(run.out.find("needs a rebuild"), std::string::npos) << run.out;
    run = orvane("--yes search noon");
    EXPECT_NE(run.out.find("3 texts found"), std::string::npos) << run.out << run.err;
}

}  // namespace
}  // namespace orvane::cabinet
