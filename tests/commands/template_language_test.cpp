// The template language: groups, alternatives, codes that yield nothing,
// repetition, and templates that are not well formed.
#include <gtest/gtest.h>

#include "tests/commands/expand_helper.h"

namespace orvane::commands {
namespace {

using testing::expand;
using testing::values;

constexpr const char* kUnsuspend = "unsuspend %C[ unread ([%a]|[%r])]";

TEST(TemplateLanguage, UnsuspendWithAllWithNumberAndWithNeither) {
    EXPECT_EQ(expand(kUnsuspend, values({{"C", "Chess"}}, {'a'})).text,
              "unsuspend Chess unread all");
    EXPECT_EQ(expand(kUnsuspend, values({{"C", "Chess"}, {"r", "20"}})).text,
              "unsuspend Chess unread 20");
    // "All" ticked wins over the number: the alternative after it is skipped.
    EXPECT_EQ(expand(kUnsuspend, values({{"C", "Chess"}, {"r", "20"}}, {'a'})).text,
              "unsuspend Chess unread all");
    // The required group ends empty and takes " unread" with it.
    EXPECT_EQ(expand(kUnsuspend, values({{"C", "Chess"}})).text, "unsuspend Chess");
}

TEST(TemplateLanguage, PrivilegeDigitChoosesTheAlternative) {
    constexpr const char* kSecretary = "change secr [%P4]|[myself] %S";
    FieldContext user;
    user.privilege = 2;
    // A user of privilege 2 cannot act for others: his own secretary changes.
    EXPECT_EQ(expand(kSecretary, values({{"P", "Bob"}, {"S", "Eve Adams"}}), user).text,
              "change secr myself Eve Adams");
    FieldContext operator_;
    operator_.privilege = 4;
    EXPECT_EQ(expand(kSecretary, values({{"P", "Bob"}, {"S", "Eve Adams"}}), operator_).text,
              "change secr Bob Eve Adams");
    EXPECT_EQ(expand(kSecretary, values({{"S", "Eve Adams"}}), operator_).text,
              "change secr myself Eve Adams");
}

TEST(TemplateLanguage, AnEmptyCodeOutsideGroupsEmptiesTheCommand) {
    testing::Expanded withdraw = expand("withdraw %C");
    EXPECT_EQ(withdraw.text, "");
    EXPECT_EQ(withdraw.missing, "C");
    // Everything written before and after the code goes too.
    EXPECT_EQ(expand("a %C b; c %t", values({{"t", "5"}})).text, "");
    EXPECT_EQ(expand("withdraw %C", values({{"C", "Go"}})).text, "withdraw Go");
}

TEST(TemplateLanguage, CheckBoxKeepsItsGroupOnlyWhenTicked) {
    constexpr const char* kSuspend =
        "suspend all [%b{Don't show how many unread texts I have}no texts]";
    EXPECT_EQ(expand(kSuspend, values({}, {'b'})).text, "suspend all no texts");
    EXPECT_EQ(expand(kSuspend).text, "suspend all");
    // "on" given as a value ticks it as well.
    EXPECT_EQ(expand(kSuspend, values({{"b", "on"}})).text, "suspend all no texts");
    EXPECT_EQ(expand(kSuspend, values({{"b", "off"}})).text, "suspend all");
}

TEST(TemplateLanguage, RequiredGroupEmptiesItsEnclosingGroupsUpToTheTop) {
    // The required group takes its own group with it, and no more.
    EXPECT_EQ(expand("x[ a[ b (%t)] c] d").text, "x a c d");
    EXPECT_EQ(expand("x[ a[ b (%t)] c] d", values({{"t", "1"}})).text, "x a b 1 c d");
    // Nested required groups pass the emptiness up to the whole command.
    testing::Expanded nested = expand("x ((%t))");
    EXPECT_EQ(nested.text, "");
    EXPECT_EQ(nested.missing, "t");
    // Alternatives of a required group: each of their codes is named.
    testing::Expanded either = expand("x ([%a]|[%r])");
    EXPECT_EQ(either.text, "");
    EXPECT_EQ(either.missing, "ar");
}

TEST(TemplateLanguage, AlternativeChains) {
    constexpr const char* kChain = "x [%a]|[%r]|[none]";
    EXPECT_EQ(expand(kChain, values({}, {'a'})).text, "x all");
    EXPECT_EQ(expand(kChain, values({{"r", "3"}})).text, "x 3");
    EXPECT_EQ(expand(kChain).text, "x none");
    // A "|" that follows no group does nothing.
    EXPECT_EQ(expand("a|b").text, "ab");
}

TEST(TemplateLanguage, EscapesPromptsAndLineBreaks) {
    EXPECT_EQ(expand("comtxt%y.%[ez%]%[xi%]p", values({{"y", "2027"}})).text, "comtxt27.[ez][xi]p");
    EXPECT_EQ(expand("a %%b %{c").text, "a %b {c");
    // A prompt yields nothing, and "%}" does not end it.
    EXPECT_EQ(expand("a{ignored %} still}b").text, "ab");
    EXPECT_EQ(expand("one;two; ;").text, "one\ntwo");
    // Trailing blanks and line breaks go; inner ones stay.
    EXPECT_EQ(expand("a  ;  b   ").text, "a  \n  b");
}

TEST(TemplateLanguage, PromptBecomesTheLabelOfMissingFields) {
    platform::Result<CommandFields> fields =
        CommandFields::prepare("down mail since %d{Since:}", {}, {});
    ASSERT_OK(fields);
    Expansion expansion = expand_template("down mail since %d{Since:}", *fields, 2);
    ASSERT_EQ(expansion.missing.size(), 1u);
    EXPECT_EQ(expansion.missing[0].prompt, "Since:");
}

TEST(TemplateLanguage, MultiValueCodesRepeatTheirOutermostGroup) {
    constexpr const char* kAddress = "[change address ([%P4]|[myself]) %H;]";
    CommandInput input =
        values({{"H.addr1", "1 Main St"}, {"H.country", "Norway"}, {"H.phone", "555 01"}});
    EXPECT_EQ(expand(kAddress, input).text,
              "change address myself addr 1 1 Main St\n"
              "change address myself country Norway\n"
              "change address myself phone 555 01");
    // No value: the group goes, the command is empty.
    EXPECT_EQ(expand(kAddress).text, "");

    CommandInput aliases = values({{"K.1", "Bo"}, {"K.3", "Bobby"}});
    EXPECT_EQ(expand("alias[ %K]", aliases).text, "alias Bo Bobby");
    // Outside any group only the first value is used.
    EXPECT_EQ(expand("alias %K", aliases).text, "alias Bo");

    CommandInput settings = values({{"s.spamfilter", "on"}, {"s.parent", "off"}});
    EXPECT_EQ(expand("[set %s;]", settings).text, "set off parent\nset on spam filter");
}

TEST(TemplateLanguage, SeventhNestingLevelIsIgnoredWithItsClosingBracket) {
    CommandInput t = values({{"t", "9"}});
    EXPECT_EQ(expand("[1[2[3[4[5[6 %t]]]]]]", t).text, "123456 9");
    // The seventh "[" and its "]" are no group: an empty code empties the
    // sixth group, not a seventh one.
    EXPECT_EQ(expand("a[1[2[3[4[5[6[7 %r]x]]]]]]b").text, "a12345b");
    EXPECT_EQ(expand("a[1[2[3[4[5[6[7 %t]x]]]]]]b", t).text, "a1234567 9xb");
}

TEST(TemplateLanguage, MalformedTemplatesNeverFail) {
    EXPECT_EQ(expand("a]b)c").text, "abc");
    EXPECT_EQ(expand("a[b(c").text, "abc");
    EXPECT_EQ(expand("a[b %t", values({})).text, "a");
    EXPECT_EQ(expand("end %").text, "end");
    EXPECT_EQ(expand("x{never closed %t").text, "x");
    EXPECT_EQ(expand("[a]|").text, "a");
    EXPECT_EQ(expand("[a]|[b").text, "a");
    // A code the language does not know yields nothing.
    testing::Expanded unknown = expand("x %G");
    EXPECT_EQ(unknown.text, "");
    EXPECT_EQ(unknown.missing, "G");
    EXPECT_EQ(expand("x[ %G]").text, "x");
}

TEST(TemplateLanguage, ValuesNeverBreakTheLine) {
    // A value with a line break must not start a command line of its own.
    EXPECT_EQ(expand("join %C", values({{"C", "Chess\n@erase text 5"}})).text,
              "join Chess @erase text 5");
}

TEST(TemplateLanguage, PrivateConferenceForbidsJoining) {
    class OneConference : public NameDirectory {
      public:
        platform::Result<std::vector<NamedObject>> look_up(std::string_view, uint8_t) override {
            NamedObject conference{"Board", 2, ConferenceType{}};
            return std::vector<NamedObject>{conference};
        }
    } directory;
    FieldContext context;
    context.directory = &directory;
    testing::Expanded joined = expand("join %C%j", values({{"C", "boa"}}), context);
    EXPECT_EQ(joined.text, "");
    EXPECT_EQ(joined.veto, 'j');
    // Without a reported type the command stays.
    EXPECT_EQ(expand("join %C%j", values({{"C", "Board"}})).text, "join Board");
}

TEST(TemplateLanguage, ScanFindsCodesDigitsAndPrompts) {
    std::vector<CodeUse> uses = scan_codes("a %P4 %d{Since:} %%x %[ {%t} %L{New %} name}");
    ASSERT_EQ(uses.size(), 3u);
    EXPECT_EQ(uses[0], (CodeUse{'P', 4, ""}));
    EXPECT_EQ(uses[1], (CodeUse{'d', 0, "Since:"}));
    EXPECT_EQ(uses[2], (CodeUse{'L', 0, "New %} name"}));
}

// A source whose multi-value code claims more values than it ever gives.
class Endless : public CodeSource {
  public:
    CodeYield yield(const CodeUse&, size_t round) override {
        return {YieldKind::kText, std::to_string(round)};
    }
    size_t value_count(char) override { return static_cast<size_t>(-1); }
};

TEST(TemplateLanguage, RepetitionAlwaysEnds) {
    Endless source;
    Expansion expansion = expand_template("[%H,]", source, 5);
    EXPECT_EQ(expansion.text.substr(0, 8), "0,1,2,3,");
    EXPECT_LT(expansion.text.size(), 1000u);
}

}  // namespace
}  // namespace orvane::commands
