// Fields that depend on the address book, on the user's settings and on
// what the node last reported.
#include <gtest/gtest.h>

#include <map>

#include "commands/codes.h"
#include "commands/passwords.h"
#include "settings/password_encoding.h"
#include "tests/commands/expand_helper.h"
#include "texts/ascii.h"

namespace orvane::commands {
namespace {

using testing::expand;
using testing::values;

// An address book of a few persons and conferences; a typed name finds the
// objects whose name begins with it, ASCII case ignored.
class FakeDirectory : public NameDirectory {
  public:
    std::vector<NamedObject> objects;
    std::vector<std::pair<std::string, uint8_t>> asked;

    platform::Result<std::vector<NamedObject>> look_up(std::string_view typed,
                                                       uint8_t kinds) override {
        asked.emplace_back(std::string(typed), kinds);
        std::vector<NamedObject> found;
        for (const NamedObject& object : objects) {
            if ((object.kind & kinds) && texts::starts_with_ignoring_case(object.name, typed))
                found.push_back(object);
        }
        return found;
    }
};

class Fields : public ::testing::Test {
  protected:
    void SetUp() override {
        ConferenceType open;
        open.boxes = 0x1FF;  // the first nine boxes ticked
        ConferenceType moderated_private;
        moderated_private.moderated = true;
        directory.objects = {
            {"John Smith", name_kind::kPersons, std::nullopt},
            {"John Brown", name_kind::kPersons, std::nullopt},
            {"Joan", name_kind::kPersons, std::nullopt},
            {"Chess", name_kind::kConferences, open},
            {"Chess Problems", name_kind::kConferences, moderated_private},
            {"Board", name_kind::kConferences, moderated_private},
        };
        context.directory = &directory;
    }
    FakeDirectory directory;
    FieldContext context;
};

TEST_F(Fields, NamesAreLookedUpByTheirKinds) {
    EXPECT_EQ(expand("add member %C %U", values({{"C", "chess p"}, {"U", "john s"}}), context).text,
              "add member Chess Problems John Smith");
    ASSERT_EQ(directory.asked.size(), 2u);
    EXPECT_EQ(directory.asked[0].second, name_kind::kConferences);
    EXPECT_EQ(directory.asked[1].second, name_kind::kPersons);
    // An e-mail address is never looked up.
    EXPECT_EQ(expand("%A", values({{"A", "x@example.org"}}), context).text, "<x@example.org>");
    EXPECT_EQ(directory.asked.size(), 2u);
}

TEST_F(Fields, AmbiguousAndUnknownNamesAreRefused) {
    EXPECT_EQ(expand("%U", values({{"U", "john"}}), context).status,
              "'john' may mean: John Smith, John Brown");
    EXPECT_EQ(expand("%U", values({{"U", "zed"}}), context).status,
              "'zed' is not in the address book");
    // The exact name wins among several: "Chess" begins "Chess Problems" too.
    EXPECT_EQ(expand("%C", values({{"C", "chess"}}), context).text, "Chess");
    // A person is no conference.
    EXPECT_EQ(expand("%C", values({{"C", "Joan"}}), context).status,
              "'Joan' is not in the address book");
}

TEST_F(Fields, ConferenceTypeDecidesJoinModeratorAndChangedBoxes) {
    EXPECT_EQ(expand("join %C%j", values({{"C", "Chess"}}), context).text, "join Chess");
    testing::Expanded board = expand("join %C%j", values({{"C", "Board"}}), context);
    EXPECT_EQ(board.text, "");
    EXPECT_EQ(board.veto, 'j');

    // Texts of "Chess" go to no moderator, whatever is typed.
    EXPECT_EQ(
        expand("change moderator %C %M", values({{"C", "Chess"}, {"M", "Joan"}}), context).text,
        "change moderator Chess none");
    EXPECT_EQ(
        expand("change moderator %C %M", values({{"C", "Board"}, {"M", "Joan"}}), context).text,
        "change moderator Board Joan");

    // Only boxes that differ from the reported type are written.
    CommandInput boxes =
        values({{"C", "Chess"}, {"q.public", "on"}, {"q.comments", "off"}, {"q.uploads", "on"}});
    EXPECT_EQ(expand("change type %C%q", boxes, context).text, "change type Chess no comments");
    boxes.values["q.comments"] = "on";
    EXPECT_EQ(expand("change type %C%q", boxes, context).text, "");
}

TEST_F(Fields, SecretaryComparesWithTheOneSet) {
    context.current.secretary = "Joan";
    constexpr const char* kSecretary = "change secretary myself[ %S]";
    EXPECT_EQ(expand(kSecretary, values({{"S", "joan"}}), context).text, "change secretary myself");
    EXPECT_EQ(expand(kSecretary, values({{"S", ""}}), context).text,
              "change secretary myself none");
    EXPECT_EQ(expand(kSecretary, values({{"S", "John S"}}), context).text,
              "change secretary myself John Smith");
}

TEST_F(Fields, OrganizerPrivilegeAndForwardingCompareWithTheReportedStatus) {
    context.current.organizer = "Joan";
    EXPECT_EQ(expand("x[ %O]", values({{"O", "joan"}}), context).text, "x");
    context.current.privilege = 3;
    EXPECT_EQ(expand("x[ %g]", values({{"g", "Organizer"}})).text, "x organ");
    EXPECT_EQ(expand("x[ %g]", values({{"g", "Organizer"}}), context).text, "x");

    context.current.forwarding =
        parse_forwarding("fw@example.org letters zip alone attachments 100");
    // The address stays; only choices that change are written.
    EXPECT_EQ(expand("%w", values({{"w.what", "letters"}, {"w.how", "mime"}}), context).text,
              "fw@example.org mime");
    // The attachment limit only when it changes, and only while mail is forwarded.
    EXPECT_EQ(expand("%w[ att %v]", values({{"v", "100"}}), context).text, "fw@example.org");
    EXPECT_EQ(expand("%w[ att %v]", values({{"v", "always"}}), context).text,
              "fw@example.org att no limit");
    EXPECT_EQ(expand("%w[ att %v]", values({{"w", "none"}, {"v", "5"}}), context).text, "none");
    // %V is written whatever the forwarding.
    EXPECT_EQ(expand("%V", values({{"V", "100"}}), context).text, "100");
}

TEST_F(Fields, AnotherMakesAPasswordThatPassesTheRules) {
    context.new_password = [] { return std::optional<std::string>("bakotumira"); };
    platform::Result<CommandFields> fields =
        CommandFields::prepare("change password %k", values({}, {'k'}), context);
    ASSERT_OK(fields);
    EXPECT_EQ(fields->generated_password(), "bakotumira");
    EXPECT_EQ(fields->text_of('k'), settings::encode_password("bakotumira"));
    // A broken generator is refused rather than sending a weak password.
    context.new_password = [] { return std::optional<std::string>("aaaaaaaaaa"); };
    EXPECT_EQ(expand("change password %k", values({}, {'k'}), context).status,
              "The password may not hold the same character three times in a row");
}

TEST(Passwords, GeneratedOnesArePronounceableAndPassTheRules) {
    for (int i = 0; i < 200; ++i) {
        std::optional<std::string> password = generate_password();
        ASSERT_TRUE(password);
        EXPECT_EQ(password->size(), kGeneratedPasswordLength);
        EXPECT_OK(check_password_rules(*password));
        int vowels = 0;
        for (char c : *password) {
            EXPECT_TRUE(c >= 'a' && c <= 'z') << *password;
            vowels += std::string_view("aeiou").find(c) != std::string_view::npos;
        }
        // Consonants and vowels take turns, pairs aside.
        EXPECT_GE(vowels, 3) << *password;
    }
    // A source that always gives the same number cannot make a password.
    EXPECT_FALSE(generate_password([](uint32_t) { return 0u; }));
}

TEST(Passwords, Rules) {
    EXPECT_OK(check_password_rules("Tr0ub4dor&3"));
    EXPECT_FALSE(check_password_rules("seven77").ok());
    EXPECT_FALSE(check_password_rules(std::string(41, 'a')).ok());
    EXPECT_FALSE(check_password_rules("with blank1").ok());
    EXPECT_FALSE(check_password_rules("abcabcabcab").ok());
    EXPECT_FALSE(check_password_rules("aabbaabbaa").ok());
    EXPECT_FALSE(check_password_rules("abcdxxxyz").ok());
}

TEST(Forwarding, ParsesTheStoredWords) {
    Forwarding forwarding =
        parse_forwarding("a@b.org texts uue shared no copy attachments no limit");
    EXPECT_EQ(forwarding.address, "a@b.org");
    EXPECT_EQ(forwarding.what, "texts");
    EXPECT_EQ(forwarding.how, "uue");
    EXPECT_EQ(forwarding.sharing, "shared");
    EXPECT_EQ(forwarding.copy, "no copy");
    EXPECT_EQ(forwarding.attachments, "no limit");
    EXPECT_EQ(parse_forwarding("none"), Forwarding{});
    EXPECT_EQ(parse_forwarding(""), Forwarding{});
    EXPECT_EQ(parse_forwarding("x@y.z bogus copy").copy, "copy");
}

}  // namespace
}  // namespace orvane::commands
