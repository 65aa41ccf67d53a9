// The cabinet, box and text commands of the orvane program, run as a user
// would run them, on a cabinet filled through the library.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "cabinet/fixed_boxes.h"
#include "tests/cabinet/cabinet_fixture.h"

namespace orvane::cabinet {
namespace {

struct CommandRun {
    int code = -1;
    std::string out;
};

class CommandsTest : public testing::CabinetTest {
  protected:
    CommandRun orvane(const std::string& arguments) {
        const std::string command = std::string(ORVANE_BINARY) + " --home '" + dir_ +
                                    "/home' --cabinet '" + path_ + "' " + arguments +
                                    " 2>/dev/null";
        CommandRun run;
        FILE* pipe = popen(command.c_str(), "r");
        if (!pipe) return run;
        char buffer[4096];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) run.out.append(buffer, n);
        const int status = pclose(pipe);
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    void SetUp() override {
        create();
        const auto box = cabinet_->create_box("Projects", box::kMainDirectory, false);
        ASSERT_TRUE(box);
        texts::TextRecord text = testing::plain_text(77, 40);
        text.subject = "Caf\xE9 plans";
        text.charset =
            texts::make_charset(texts::charsets::kWindowsClass, texts::charsets::kWestVariant);
        ASSERT_TRUE(cabinet_->file_text(text, box::kInBasket));
        cabinet_.reset();
    }
};

TEST_F(CommandsTest, ListAndShowTexts) {
    CommandRun run = orvane("text list In-Basket");
    ASSERT_EQ(run.code, 0);
    EXPECT_NE(run.out.find("77 "), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("Author 77"), std::string::npos);
    EXPECT_NE(run.out.find("Caf\xC3\xA9 plans"), std::string::npos) << "shown in UTF-8";

    run = orvane("--json text list 5");
    ASSERT_EQ(run.code, 0);
    EXPECT_NE(run.out.find("\"id\": \"77\""), std::string::npos) << run.out;

    run = orvane("text show 77");
    ASSERT_EQ(run.code, 0);
    EXPECT_EQ(run.out.rfind("Text 77", 0), 0u) << run.out;
    EXPECT_NE(run.out.find("Subject:"), std::string::npos);
    EXPECT_NE(run.out.find("\nline of the body"), std::string::npos);

    EXPECT_EQ(orvane("text show 78").code, 1);
    EXPECT_EQ(orvane("text list Nowhere").code, 1);
}

TEST_F(CommandsTest, MoveCopyAndDeleteKeepBoxesAndListsInStep) {
    ASSERT_EQ(orvane("text copy 77 Projects").code, 0);
    EXPECT_EQ(orvane("text move 77 Letters").code, 1) << "in two boxes, --from is needed";
    ASSERT_EQ(orvane("text move 77 Letters --from 5").code, 0);
    // Out of one of its boxes, then out of its last: to the Waste-Basket.
    ASSERT_EQ(orvane("text delete 77 Projects").code, 0);
    ASSERT_EQ(orvane("text delete 77 Letters").code, 0);
    CommandRun run = orvane("--json box list");
    EXPECT_NE(run.out.find("\"name\": \"Waste-Basket\", \"parent\": 0, \"depth\": 1, "
                           "\"directory\": false, \"texts\": 1"),
              std::string::npos)
        << run.out;
    // From the Waste-Basket it goes for good.
    ASSERT_EQ(orvane("text delete 77 4").code, 0);
    reopen();
    ASSERT_NE(cabinet_, nullptr);
    EXPECT_FALSE(cabinet_->read_text(77));
    for (uint16_t box : {box::kInBasket, box::kLetters, box::kWasteBasket})
        EXPECT_EQ(cabinet_->text_count(box), 0u) << box;
}

}  // namespace
}  // namespace orvane::cabinet
