// The cabinet, box and text commands of the orvane program, run as a user
// would run them, on a cabinet filled through the library.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cabinet/fixed_boxes.h"
#include "tests/cabinet/cabinet_fixture.h"
#include "tests/support/run_program.h"

namespace orvane::cabinet {
namespace {

using orvane::testing::ProgramRun;

class CommandsTest : public testing::CabinetTest {
  protected:
    ProgramRun orvane(const std::string& arguments) {
        return orvane::testing::run_orvane("--home '" + dir_ + "/home' --cabinet '" + path_ + "' " +
                                           arguments);
    }

    void SetUp() override {
        create();
        const auto box = cabinet_->create_box("Projects", box::kMainDirectory, false);
        ASSERT_OK(box);
        texts::TextRecord text = testing::plain_text(77, 40);
        text.subject = "Caf\xE9 plans";
        text.charset =
            texts::make_charset(texts::charsets::kWindowsClass, texts::charsets::kWestVariant);
        ASSERT_OK(cabinet_->file_text(text, box::kInBasket));
        ASSERT_OK(cabinet_->close());
        cabinet_.reset();
    }
};

TEST_F(CommandsTest, ListAndShowTexts) {
    ProgramRun run = orvane("text list In-Basket");
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("77 "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Author 77"), std::string::npos);
    EXPECT_NE(run.out.find("Caf\xC3\xA9 plans"), std::string::npos) << "shown in UTF-8";

    run = orvane("--json text list 5");
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_NE(run.out.find("\"id\": \"77\""), std::string::npos) << run.out;

    run = orvane("text show 77");
    ASSERT_EQ(run.exit_code, 0);
    EXPECT_EQ(run.out.rfind("Text 77", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("Subject:"), std::string::npos);
    EXPECT_NE(run.out.find("\nline of the body"), std::string::npos);

    EXPECT_EQ(orvane("text show 78").exit_code, 1);
    EXPECT_EQ(orvane("text list Nowhere").exit_code, 1);
}

TEST_F(CommandsTest, MoveCopyAndDeleteKeepBoxesAndListsInStep) {
    ASSERT_EQ(orvane("text copy 77 Projects").exit_code, 0);
    EXPECT_EQ(orvane("text move 77 Letters").exit_code, 1) << "in two boxes, --from is needed";
    ASSERT_EQ(orvane("text move 77 Letters --from 5").exit_code, 0);
    // Out of one of its boxes, then out of its last: to the Waste-Basket.
    ASSERT_EQ(orvane("text delete 77 Projects").exit_code, 0);
    ASSERT_EQ(orvane("text delete 77 Letters").exit_code, 0);
    ProgramRun run = orvane("--json box list");
    EXPECT_NE(run.out.find("\"name\": \"Waste-Basket\", \"parent\": 0, \"depth\": 1, "
                           "\"directory\": false, \"texts\": 1"),
              std::string::npos)
        << run.out;
    // From the Waste-Basket it goes for good.
    ASSERT_EQ(orvane("text delete 77 4").exit_code, 0);
    reopen();
    ASSERT_NE(cabinet_, nullptr);
    EXPECT_FALSE(text_of(77));
    for (uint16_t box : {box::kInBasket, box::kLetters, box::kWasteBasket})
        EXPECT_EQ(*cabinet_->text_count(box), 0u) << box;
}

}  // namespace
}  // namespace orvane::cabinet
