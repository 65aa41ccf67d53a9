// The catalogue file, the order of the command list, levels, topics and
// favourites.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>

#include "commands/catalogue.h"

namespace orvane::commands {
namespace {

constexpr const char* kFile =
    "V11  \r\n"
    "0- CONFERENCES:\r\n"
    "0s Withdraw permanently from a conference\twithdraw %C\r\n\r\n"
    "0  beta listing\t\t\tlist beta\n"
    "3s Add a member to a conference\t\tadd member %C %A\n"
    "0+ CHANGE MY SETTINGS:\n"
    "0s Change my secretary\tchange secr [%P4]|[myself] %S\n"
    "1  Expert thing\texpert\n"
    "0- FILES:\n"
    "2  Alpha upload\tupload %W;%u\n";

std::vector<std::string> listed(const Catalogue& catalogue, const Viewer& viewer) {
    std::vector<std::string> names;
    for (const ListEntry& entry : catalogue.visible(viewer)) {
        const CatalogueLine& line = catalogue.line_of(entry);
        std::string prefix = entry.block == Block::kFavourites ? "*" : "";
        names.push_back(prefix + line.text);
    }
    return names;
}

TEST(CatalogueFile, LinesTopicsAndVersion) {
    CatalogueFile file = parse_catalogue(kFile);
    EXPECT_EQ(file.version, 11);
    EXPECT_EQ(file.skipped, 0u);
    ASSERT_EQ(file.lines.size(), 9u);
    EXPECT_EQ(file.lines[0], (CatalogueLine{0, '-', "CONFERENCES:", ""}));
    EXPECT_EQ(file.lines[1],
              (CatalogueLine{0, 's', "Withdraw permanently from a conference", "withdraw %C"}));
    EXPECT_EQ(file.lines[2], (CatalogueLine{0, ' ', "beta listing", "list beta"}));
    EXPECT_TRUE(file.lines[4].is_topic());
    EXPECT_EQ(file.lines[4].flag, '+');
}

TEST(CatalogueFile, BadInputIsPassedOverSafely) {
    CatalogueFile file = parse_catalogue(
        "V7x\n"               // no version line: taken as a (bad) line
        "9s Level nine\tx\n"  // level out of range
        "0? Odd flag\tx\n"
        "0s\tno text\n"
        "0s Ctl\x01text\tjoin\x1b%C\tmore\n");
    EXPECT_EQ(file.version, 0);
    EXPECT_EQ(file.skipped, 4u);
    ASSERT_EQ(file.lines.size(), 1u);
    EXPECT_EQ(file.lines[0].text, "Ctl text");
    EXPECT_EQ(file.lines[0].template_text, "join %C more");
    // A NUL ends the file.
    EXPECT_EQ(parse_catalogue(std::string_view("V12\n0- A:\0\n0- B:\n", 17)).lines.size(), 1u);
    EXPECT_EQ(parse_catalogue("V99999999999999\n").version, INT_MAX);
    EXPECT_EQ(parse_catalogue("").lines.size(), 0u);
}

TEST(Catalogue, ListOrderManuallyFavouritesFileAlphabetically) {
    Catalogue catalogue(parse_catalogue(kFile));
    Viewer viewer{5, true};
    catalogue.set_favourite(*catalogue.find_command("withdraw permanently from a conference"),
                            true);
    catalogue.set_favourite(*catalogue.find_command("Alpha upload"), true);
    EXPECT_EQ(listed(catalogue, viewer),
              (std::vector<std::string>{
                  "Manually", "*Alpha upload", "*Withdraw permanently from a conference",
                  "CONFERENCES:", "Withdraw permanently from a conference", "beta listing",
                  "Add a member to a conference", "CHANGE MY SETTINGS:", "FILES:", "Alpha upload",
                  "ALPHABETICALLY:"}));
    EXPECT_EQ(catalogue.manually().template_text, "%h");
    EXPECT_EQ(catalogue.manually().flag, 's');

    // Expanded, the alphabetical block lists every command, case ignored.
    catalogue.toggle_topic(catalogue.lines().back());
    catalogue.toggle_topic(*catalogue.find("CHANGE MY SETTINGS:").line);
    std::vector<std::string> all = listed(catalogue, viewer);
    std::vector<std::string> alphabetical(all.end() - 6, all.end());
    EXPECT_EQ(alphabetical,
              (std::vector<std::string>{"Add a member to a conference", "Alpha upload",
                                        "beta listing", "Change my secretary", "Expert thing",
                                        "Withdraw permanently from a conference"}));
}

TEST(Catalogue, LevelsFollowPrivilegeAndExpert) {
    EXPECT_TRUE(level_allows(0, {1, false}));
    EXPECT_FALSE(level_allows(1, {5, false}));
    EXPECT_TRUE(level_allows(1, {1, true}));
    EXPECT_FALSE(level_allows(2, {1, true}));
    EXPECT_TRUE(level_allows(3, {3, false}));
    EXPECT_FALSE(level_allows(4, {3, true}));

    Catalogue catalogue(parse_catalogue(kFile));
    catalogue.toggle_topic(*catalogue.find("CHANGE MY SETTINGS:").line);
    std::vector<std::string> user = listed(catalogue, {2, false});
    EXPECT_EQ(std::count(user.begin(), user.end(), "Add a member to a conference"), 0);
    EXPECT_EQ(std::count(user.begin(), user.end(), "Expert thing"), 0);
    EXPECT_EQ(std::count(user.begin(), user.end(), "Alpha upload"), 1);
    std::vector<std::string> nobody = listed(catalogue, {1, true});
    EXPECT_EQ(std::count(nobody.begin(), nobody.end(), "Expert thing"), 1);
    EXPECT_EQ(std::count(nobody.begin(), nobody.end(), "Alpha upload"), 0);
}

TEST(Catalogue, CollapsedTopicHidesUpToTheNextTopic) {
    Catalogue catalogue(
        parse_catalogue("V11\n0+ ONE:\n0  a\tx\n0+ TWO:\n0  b\tx\n0- THREE:\n0  c\tx\n"));
    EXPECT_EQ(
        listed(catalogue, {2, false}),
        (std::vector<std::string>{"Manually", "ONE:", "TWO:", "THREE:", "c", "ALPHABETICALLY:"}));
    catalogue.toggle_topic(*catalogue.find("TWO:").line);
    EXPECT_EQ(listed(catalogue, {2, false}),
              (std::vector<std::string>{"Manually", "ONE:", "TWO:", "b", "THREE:", "c",
                                        "ALPHABETICALLY:"}));
    // A topic hidden by its level still hides its commands when collapsed.
    Catalogue hidden(parse_catalogue("V11\n4+ OPS:\n0  d\tx\n"));
    EXPECT_EQ(listed(hidden, {2, false}),
              (std::vector<std::string>{"Manually", "ALPHABETICALLY:"}));
}

TEST(Catalogue, FindByNameOrUniqueBeginning) {
    Catalogue catalogue(parse_catalogue(kFile));
    EXPECT_EQ(catalogue.find("change MY secretary").line->template_text,
              "change secr [%P4]|[myself] %S");
    EXPECT_EQ(catalogue.find("Withdraw").line->text, "Withdraw permanently from a conference");
    FoundEntry ambiguous = catalogue.find("a");
    EXPECT_EQ(ambiguous.line, nullptr);
    EXPECT_EQ(ambiguous.candidates.size(), 3u);  // Add..., ALPHABETICALLY:, Alpha upload
    EXPECT_EQ(catalogue.find("nothing like it").line, nullptr);
    EXPECT_EQ(catalogue.find_command("CONFERENCES:"), nullptr);  // topics are no commands
    EXPECT_EQ(catalogue.find_command("Manually"), nullptr);
}

}  // namespace
}  // namespace orvane::commands
