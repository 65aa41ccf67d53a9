// Our own catalogue: every command, filled with sample values, expands to
// lines made of nothing but the words of the command-word table and the
// values themselves; the words the codes yield come from that table.
#include <gtest/gtest.h>

#include <regex>
#include <set>

#include "commands/catalogue_loader.h"
#include "commands/command_words.h"
#include "platform/builtin_files.h"
#include "tests/commands/expand_helper.h"
#include "texts/ascii.h"

namespace orvane::commands {
namespace {

// Sample values carry "Qval", so that the check can tell them from words.
CommandInput sample_input(const std::string& template_text, bool tick) {
    const std::map<std::string, std::string> samples = {
        {"A", "QvalA"},
        {"B", "QvalB"},
        {"C", "QvalC"},
        {"M", "QvalM"},
        {"O", "QvalO"},
        {"P", "QvalP"},
        {"R", "QvalR"},
        {"S", "QvalS"},
        {"T", "QvalT"},
        {"U", "QvalU"},
        {"W", "QvalW"},
        {"L", "QvalL"},
        {"1", "Qval1"},
        {"@", "Qvaldomain"},
        {"Z", "QvalZ"},
        {"f", "QvalF.txt"},
        {"F", "/tmp/QvalF.txt"},
        {"u", "/tmp/Qvalu.txt"},
        {"u.description", "Qvaldesc"},
        {"E", "Qval text"},
        {"X", "3 weeks"},
        {"H.addr1", "QvalH1"},
        {"H.country", "QvalH2"},
        {"K.1", "QvalK1"},
        {"K.2", "QvalK2"},
        {"N", "QvalN"},
        {"c", "east"},
        {"d", "5 March 2027"},
        {"g", "Operator"},
        {"k", "Qvalpass99"},
        {"l", "100"},
        {"q.public", "off"},
        {"q.nothidden", "off"},
        {"q.comments", "off"},
        {"q.uploads", "on"},
        {"x.writeprot", "on"},
        {"x.onlymembers", "off"},
        {"r", "12"},
        {"t", "345"},
        {"z", "7"},
        {"y", "2027"},
        {"s.parent", "on"},
        {"s.spamfilter", "off"},
        {"v", "100"},
        {"V", "always"},
        {"w", "Qvalfw@example.org"},
        {"w.what", "letters"},
        {"w.how", "zip"},
        {"w.sharing", "alone"},
        {"w.copy", "copy"},
    };
    std::set<char> used;
    for (const CodeUse& use : scan_codes(template_text)) used.insert(use.code);
    CommandInput input;
    for (const auto& [key, value] : samples) {
        if (used.count(key[0])) input.values[key] = value;
    }
    if (tick) {
        for (char box : {'a', 'b', 'D', 'n', 'p', 'i'})
            if (used.count(box)) input.ticked.insert(box);
    }
    return input;
}

bool is_value(const std::string& word) {
    static const std::regex kValue(
        "\"?.*Qval.*\"?|[0-9]+|[0-9]{2}-[A-Z][a-z]{2}-[0-9]{2}|~[0-9A-F]+", std::regex::icase);
    return std::regex_match(word, kValue);
}

// Empty when the line is a verb followed by table words and values;
// otherwise what is wrong.
std::string check_line(const std::string& line) {
    std::vector<std::string> words;
    for (size_t at = 0; at < line.size();) {
        size_t end = std::min(line.find(' ', at), line.size());
        if (end > at) words.push_back(line.substr(at, end - at));
        at = end + 1;
    }
    if (words.empty()) return "empty line";
    if (words[0].size() > 1 && words[0][0] == '+') {
        words.insert(words.begin() + 1, words[0].substr(1));
        words[0] = "+";
    }
    if (!is_verb(words[0])) return "'" + words[0] + "' is no verb";
    std::vector<std::string_view> views(words.begin(), words.end());
    for (size_t i = 1; i < views.size();) {
        size_t phrase = longest_phrase_at(std::span(views).subspan(i));
        if (phrase) {
            i += phrase;
        } else if (is_value(words[i])) {
            ++i;
        } else {
            return "'" + words[i] + "' is neither a command word nor a value";
        }
    }
    return {};
}

class BuiltinCatalogue : public ::testing::Test {
  protected:
    void SetUp() override {
        platform::BuiltinFile copy;
        ASSERT_TRUE(platform::parse_builtin_resource(platform::builtin_resource(kCatalogueResource),
                                                     &copy));
        file = parse_catalogue(std::string_view(reinterpret_cast<const char*>(copy.payload.data()),
                                                copy.payload.size()));
    }
    CatalogueFile file;
};

TEST_F(BuiltinCatalogue, EveryCommandExpandsToTableWordsAndValues) {
    size_t commands = 0;
    for (const CatalogueLine& line : file.lines) {
        if (line.is_topic()) continue;
        ++commands;
        for (int privilege : {2, 5}) {
            for (bool tick : {true, false}) {
                FieldContext context;
                context.privilege = privilege;
                testing::Expanded expanded = testing::expand(
                    line.template_text, sample_input(line.template_text, tick), context);
                SCOPED_TRACE(line.text + " / privilege " + std::to_string(privilege) +
                             (tick ? " / ticked" : ""));
                ASSERT_TRUE(expanded.prepared) << expanded.status;
                ASSERT_FALSE(expanded.text.empty()) << "missing: " << expanded.missing;
                size_t at = 0;
                while (at <= expanded.text.size()) {
                    size_t end = std::min(expanded.text.find('\n', at), expanded.text.size());
                    std::string command = expanded.text.substr(at, end - at);
                    if (command.starts_with(".")) break;  // the text follows
                    EXPECT_EQ(check_line(command), "") << command;
                    at = end + 1;
                }
            }
        }
    }
    EXPECT_GE(commands, 50u);
}

TEST_F(BuiltinCatalogue, CoversTheTopicsAUserNeeds) {
    std::set<std::string> verbs;
    for (const CatalogueLine& line : file.lines) {
        if (!line.is_topic())
            verbs.insert(line.template_text.substr(0, line.template_text.find(' ')));
    }
    for (const char* verb : {"join", "withdraw", "suspend", "unsuspend", "list", "show", "change",
                             "add", "remove", "erase", "move", "down", "upload", "create"})
        EXPECT_TRUE(verbs.count(verb)) << verb;
    EXPECT_GT(file.version, kOldestReplacedVersion);
    EXPECT_EQ(file.skipped, 0u);
}

TEST(CommandWords, GroupsHoldTheWordsOfTheirFieldsInOrder) {
    EXPECT_EQ(words_of(WordGroup::kSetting).size(), 11u);
    EXPECT_EQ(words_of(WordGroup::kConferenceType).size(), 13u);
    EXPECT_EQ(words_of(WordGroup::kPrivilege).size(), 5u);
    EXPECT_EQ(words_of(WordGroup::kPrivilege).front(), "luser");
    EXPECT_EQ(words_of(WordGroup::kSetting).back(), "spam filter");
    for (WordGroup group : {WordGroup::kVerb, WordGroup::kKeyword, WordGroup::kSetting,
                            WordGroup::kConferenceType, WordGroup::kForwardHow}) {
        std::vector<std::string_view> words = words_of(group);
        EXPECT_EQ(std::set<std::string_view>(words.begin(), words.end()).size(), words.size());
    }
    std::vector<std::string_view> line = {"no", "copy", "x"};
    EXPECT_EQ(longest_phrase_at(line), 2u);
    std::vector<std::string_view> unknown = {"nope"};
    EXPECT_EQ(longest_phrase_at(unknown), 0u);
    EXPECT_TRUE(is_command_phrase("encrypt att"));
    EXPECT_FALSE(is_verb("myself"));
}

}  // namespace
}  // namespace orvane::commands
