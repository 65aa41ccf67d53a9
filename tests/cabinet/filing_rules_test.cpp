#include "cabinet/filing_rules.h"

#include <gtest/gtest.h>

#include "cabinet/fixed_boxes.h"
#include "tests/cabinet/cabinet_fixture.h"

namespace orvane::cabinet {
namespace {

using texts::HeaderCode;
using texts::TextRecord;

class FilingRulesTest : public testing::CabinetTest {
  protected:
    FilingRulesTest() {
        create();
        context_.own_names = {"Me Myself", "Alias"};
    }

    static TextRecord letter(const std::string& author, std::vector<std::string> receivers) {
        TextRecord text = testing::plain_text(1, 20);
        text.kind_flags = texts::kind_flags::kLetter;
        text.author = {0, author};
        for (const std::string& name : receivers)
            text.receivers.push_back({{0, name}, "", 0, 0, HeaderCode::kTo});
        return text;
    }
    static TextRecord conference_text(std::vector<std::string> conferences) {
        TextRecord text = letter("Someone Else", std::move(conferences));
        text.kind_flags = 0;
        return text;
    }
    std::string name_of(uint16_t number) { return cabinet_->boxes().find(number)->name; }
    uint16_t parent_of(uint16_t number) { return cabinet_->boxes().find(number)->parent; }

    FilingOptions options_;
    FilingContext context_;
};

TEST_F(FilingRulesTest, LettersStayInTheInBasketUnlessFiled) {
    const TextRecord text = letter("Anna Berg", {"Me Myself"});
    EXPECT_EQ(choose_boxes(*cabinet_, text, options_, context_),
              std::vector<uint16_t>{box::kInBasket});

    options_.file_letters = true;
    const auto boxes = choose_boxes(*cabinet_, text, options_, context_);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(name_of(boxes[0]), "Anna Berg");
    EXPECT_EQ(parent_of(boxes[0]), box::kMainDirectory);
    // The same correspondent finds the same box, in any case and wherever
    // the user moved it.
    ASSERT_OK(cabinet_->move_box(boxes[0], box::kConferences));
    EXPECT_EQ(choose_boxes(*cabinet_, letter("ANNA BERG", {"alias"}), options_, context_), boxes);
    // The user's own letter goes to the box of its receiver.
    EXPECT_EQ(choose_boxes(*cabinet_, letter("Me Myself", {"Anna Berg"}), options_, context_),
              boxes);
}

TEST_F(FilingRulesTest, WithoutBoxCreationLettersGoToLetters) {
    options_.file_letters = true;
    options_.create_boxes = false;
    const size_t before = cabinet_->boxes().size();
    EXPECT_EQ(choose_boxes(*cabinet_, letter("Carl Dahl", {"Me Myself"}), options_, context_),
              std::vector<uint16_t>{box::kLetters});
    EXPECT_EQ(cabinet_->boxes().size(), before);
}

TEST_F(FilingRulesTest, NewBoxesGoWhereTheOptionsSay) {
    options_.separate_dir = true;
    auto boxes = choose_boxes(*cabinet_, conference_text({"qor.general"}), options_, context_);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(parent_of(boxes[0]), box::kConferences);

    options_.file_letters = true;
    boxes = choose_boxes(*cabinet_, letter("Eva Falk", {"Me Myself"}), options_, context_);
    EXPECT_EQ(parent_of(boxes[0]), box::kLetters);

    options_.separate_dir = false;
    options_.boxes_in_in_basket = true;
    boxes = choose_boxes(*cabinet_, conference_text({"qor.news"}), options_, context_);
    EXPECT_EQ(parent_of(boxes[0]), box::kInBasket);
}

TEST_F(FilingRulesTest, FileToAllGivesEveryConferenceItsBox) {
    const TextRecord text = conference_text({"qor.one", "Me Myself", "qor.two", "QOR.ONE"});
    EXPECT_EQ(choose_boxes(*cabinet_, text, options_, context_).size(), 1u);
    options_.file_to_all = true;
    const auto boxes = choose_boxes(*cabinet_, text, options_, context_);
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(name_of(boxes[0]), "qor.one");
    EXPECT_EQ(name_of(boxes[1]), "qor.two");

    // A letter between several people: the author first, then the others.
    options_.file_letters = true;
    const auto people = choose_boxes(*cabinet_, letter("Anna Berg", {"Me Myself", "Carl Dahl"}),
                                     options_, context_);
    ASSERT_EQ(people.size(), 2u);
    EXPECT_EQ(name_of(people[0]), "Anna Berg");
    EXPECT_EQ(name_of(people[1]), "Carl Dahl");
}

TEST_F(FilingRulesTest, ImportConferenceBoxAndAutoFileOff) {
    const auto box = cabinet_->create_box("Current", 0, false);
    context_.conference_box = *box;
    EXPECT_EQ(choose_boxes(*cabinet_, conference_text({"qor.other"}), options_, context_),
              std::vector<uint16_t>{*box});
    options_.auto_file = false;
    EXPECT_EQ(choose_boxes(*cabinet_, conference_text({"qor.other"}), options_, context_),
              std::vector<uint16_t>{box::kInBasket});
    // A text with nobody to file it by stays in the In-Basket.
    options_.auto_file = true;
    context_.conference_box = -1;
    EXPECT_EQ(choose_boxes(*cabinet_, conference_text({}), options_, context_),
              std::vector<uint16_t>{box::kInBasket});
}

}  // namespace
}  // namespace orvane::cabinet
