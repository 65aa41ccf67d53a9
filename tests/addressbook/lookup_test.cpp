#include "addressbook/lookup.h"

#include "addressbook/name_resolution.h"

#include <random>

#include "addressbook/db_access.h"
#include "addressbook/name_words.h"
#include "addressbook/word_index.h"
#include "addressbook/write_batch.h"
#include "tests/addressbook/book_fixture.h"

namespace orvane::addressbook::testing {
namespace {

class LookupTest : public BookTest {
  protected:
    void add(BookFile& book, NodeKey node, uint16_t number, uint8_t type, std::string name) {
        AddressObject object;
        object.node = node;
        object.number = number;
        object.type = type;
        object.name = std::move(name);
        if (type == kPersonalEntry) object.address = "x@y.example";
        auto batch = WriteBatch::begin(book);
        ASSERT_TRUE(batch.ok()) << batch.status().text();
        ASSERT_TRUE(batch->store(object, std::nullopt).ok());
        ASSERT_TRUE(batch->commit().ok());
    }

    std::vector<uint16_t> numbers(LookupRequest request) {
        auto result = look_up(Books{&*lists, personal ? &*personal : nullptr}, request);
        EXPECT_TRUE(result.ok()) << result.status().text();
        std::vector<uint16_t> found;
        if (result.ok())
            for (const Found& f : result->found) found.push_back(f.number);
        return found;
    }

    static LookupRequest on(NodeKey node, std::string text) {
        LookupRequest request;
        request.text = std::move(text);
        request.node = node;
        return request;
    }

    std::optional<BookFile> personal;
};

TEST_F(LookupTest, EveryTypedWordMustBeginAWordOfTheNameInItsPlace) {
    add(*lists, 'C', 1, kPerson, "John Smith");
    add(*lists, 'C', 2, kPerson, "John Brown");
    add(*lists, 'C', 3, kPerson, "Smith John");
    add(*lists, 'C', 4, kConference, "Jolly Smiths");
    EXPECT_EQ(numbers(on('C', "jo sm")), (std::vector<uint16_t>{1, 4}));
    auto persons = on('C', "JO   SM");
    persons.mask = type_mask::kPersons;
    EXPECT_EQ(numbers(persons), (std::vector<uint16_t>{1}));
    auto later = on('C', "sm");
    later.rule = PositionRule::kAtLeast;
    EXPECT_EQ(numbers(later), (std::vector<uint16_t>{1, 3, 4}));
    auto anywhere = on('C', "smith john");
    anywhere.rule = PositionRule::kAnywhere;
    EXPECT_EQ(numbers(anywhere), (std::vector<uint16_t>{1, 3}));
    EXPECT_TRUE(numbers(on('M', "jo")).empty());
    EXPECT_TRUE(numbers(on('C', "jo xy")).empty());

    auto result = look_up(Books{&*lists, nullptr}, on('C', "john smith"));
    ASSERT_TRUE(result.ok());
    ASSERT_EQ(result->found.size(), 1u);
    EXPECT_EQ(result->found[0].whole_words, 2);
    EXPECT_TRUE(result->any_whole_word);
    EXPECT_FALSE(look_up(Books{&*lists, nullptr}, on('C', "joh smi"))->any_whole_word);
}

TEST_F(LookupTest, LongWordsAreCutToEightCharacters) {
    add(*lists, 'C', 1, kPerson, "Christophe Lee");
    add(*lists, 'C', 2, kPerson, "Christopher Lee");
    add(*lists, 'C', 3, kPerson, "Christo Lee");
    EXPECT_EQ(numbers(on('C', "Christopher")), (std::vector<uint16_t>{1, 2}));
    EXPECT_EQ(numbers(on('C', "Christophe")), (std::vector<uint16_t>{1, 2}));
    EXPECT_EQ(numbers(on('C', "Christo")), (std::vector<uint16_t>{1, 2, 3}));
}

TEST_F(LookupTest, AHashAndANumberIsTheObjectItselfButOnlyWhenItIsAWholeNumber) {
    add(*lists, 'C', 12, kPerson, "Twelve");
    add(*lists, 'C', 14, kPerson, "Number 0 and 12x");
    EXPECT_EQ(numbers(on('C', "#12")), (std::vector<uint16_t>{12}));
    EXPECT_TRUE(numbers(on('M', "#12")).empty());
    auto conferences = on('C', "#12");
    conferences.mask = type_mask::kConferences;
    EXPECT_TRUE(numbers(conferences).empty());
    EXPECT_EQ(numbers(on('C', "#0")), std::vector<uint16_t>{});  // "0" is the second word
    auto anywhere = on('C', "#0");
    anywhere.rule = PositionRule::kAnywhere;
    EXPECT_EQ(numbers(anywhere), (std::vector<uint16_t>{14}));
    anywhere.text = "#12x";
    EXPECT_EQ(numbers(anywhere), (std::vector<uint16_t>{14}));
    anywhere.text = "#99999";
    EXPECT_TRUE(numbers(anywhere).empty());
}

TEST_F(LookupTest, ThePersonalNodeSearchesOnlyThePersonalBook) {
    personal.emplace(open_book(kPersonalFileName));
    add(*lists, 'C', 5, kPerson, "Ann Lee");
    add(*personal, kPersonalNode, 1, kPersonalEntry, "Ann Leeds");
    add(*personal, kPersonalNode, 2, kGroup, "Ann's friends");

    auto request = on(kPersonalNode, "ann");
    request.mask = type_mask::kPersonal | type_mask::kPersons;
    EXPECT_EQ(numbers(request), (std::vector<uint16_t>{1}));
    request.mask = type_mask::kPersons;
    EXPECT_TRUE(numbers(request).empty());
    request.mask = type_mask::kPersonal | type_mask::kGroups;
    EXPECT_EQ(numbers(request), (std::vector<uint16_t>{1, 2}));

    // Without a node: the nodes to search, the personal book among them.
    request.node = 0;
    request.mask = type_mask::kPersonal | type_mask::kPersons;
    request.search_nodes = search_nodes_of("c, @");
    EXPECT_EQ(request.search_nodes, "C@");
    auto both = look_up(Books{&*lists, &*personal}, request);
    ASSERT_TRUE(both.ok());
    ASSERT_EQ(both->found.size(), 2u);
    EXPECT_EQ(both->found[0].node, kPersonalNode);
    EXPECT_EQ(both->found[1].node, 'C');
    request.search_nodes = "C";
    EXPECT_EQ(numbers(request), (std::vector<uint16_t>{5}));
}

TEST_F(LookupTest, AWordOfVeryManyObjectsIsKeptInPartsAndFoundWhole) {
    std::vector<WordEntry> entries;
    for (uint32_t i = 0; i < kWordPartEntries + 100; ++i)
        entries.push_back({'C', kPerson, static_cast<uint16_t>(i), 1});
    ASSERT_EQ(store::DbLock(lists->db()), 0);
    ASSERT_EQ(write_word(lists->db(), "ann", entries, 0), 0);
    ASSERT_EQ(store::DbUnlock(lists->db()), 0);
    EXPECT_EQ(numbers(on('C', "an")).size(), entries.size());

    std::vector<WordEntry> stored;
    size_t parts = 0;
    ASSERT_EQ(read_word(lists->db(), "ann", &stored, &parts), 0);
    EXPECT_EQ(stored, entries);
    EXPECT_EQ(parts, 2u);
    entries.resize(10);
    ASSERT_EQ(write_word(lists->db(), "ann", entries, parts), 0);
    std::string data;
    EXPECT_EQ(get_exact(lists->db(), word_key("ann", 1), &data), store::kDbNotFound);
    EXPECT_EQ(numbers(on('C', "ann")).size(), 10u);
    ASSERT_EQ(write_word(lists->db(), "ann", {}, 1), 0);
    EXPECT_EQ(get_exact(lists->db(), word_key("ann"), &data), store::kDbNotFound);
}

TEST_F(LookupTest, ANameIsResolvedToOneObjectOrRefusedWithItsCandidates) {
    add(*lists, 'C', 1, kPerson, "John Smith");
    add(*lists, 'C', 2, kPerson, "John Smithson");
    add(*lists, 'C', 3, kPerson, "Mary Jones");
    AddressObject hidden;
    hidden.node = 'C';
    hidden.number = 4;
    hidden.type = kConference;
    hidden.name = "Mary's Secret Circle";
    hidden.flags = object_flags::kMembersOnly;
    auto batch = WriteBatch::begin(*lists);
    ASSERT_TRUE(batch->store(hidden, std::nullopt).ok());
    ASSERT_TRUE(batch->commit().ok());
    Viewer viewer;
    viewer.node = 'C';
    const Books books{&*lists, nullptr};
    auto request = on('C', "mary");
    request.mask = type_mask::kPersons | type_mask::kConferences;

    EXPECT_EQ(resolve_name(books, request, viewer)->object.number, 3);  // the circle is hidden
    viewer.memberships = {4};
    EXPECT_EQ(resolve_name(books, request, viewer).status().id(),
              platform::MessageId::kAddressAmbiguous);

    request.text = "john smith";
    EXPECT_EQ(resolve_name(books, request, viewer)->object.number, 1);
    request.text = "jo sm";
    auto ambiguous = resolve_name(books, request, viewer);
    EXPECT_EQ(ambiguous.status().text(),
              "'jo sm' may mean any of these:\n  John Smith (C:1)\n  John Smithson (C:2)\n");
    request.text = "nobody";
    EXPECT_EQ(resolve_name(books, request, viewer).status().text(),
              "No name in the address book matches 'nobody'.");
}

// The lookup against a plain scan of every name, over a few thousand random
// names on two nodes, for typed prefixes of one to three words.
TEST_F(LookupTest, FindsWhatAScanOfEveryNameFinds) {
    std::mt19937 rng(12);
    const std::vector<std::string> parts{"an",  "ber", "chris", "to",  "pher", "jo", "hann", "sm",
                                         "ith", "lee", "ma",    "rie", "x",    "ol", "af",   "2"};
    auto word = [&] {
        std::string w;
        for (int n = 1 + static_cast<int>(rng() % 3); n > 0; --n) w += parts[rng() % parts.size()];
        if (rng() % 4 == 0) w[0] = static_cast<char>(w[0] - 'a' + 'A');
        return w;
    };
    std::vector<AddressObject> objects;
    {
        auto batch = WriteBatch::begin(*lists);
        ASSERT_TRUE(batch.ok());
        for (int i = 0; i < 3000; ++i) {
            AddressObject object;
            object.node = i % 3 == 0 ? 'M' : 'C';
            object.number = static_cast<uint16_t>(i);
            object.type = rng() % 4 == 0 ? kConference : kPerson;
            for (int n = 1 + static_cast<int>(rng() % 3); n > 0; --n)
                object.name += (object.name.empty() ? "" : rng() % 2 ? " " : "-") + word();
            ASSERT_TRUE(batch->store(object, std::nullopt).ok());
            objects.push_back(object);
        }
        ASSERT_TRUE(batch->commit().ok());
    }
    auto scan = [&](const LookupRequest& request) {
        std::vector<uint16_t> found;
        const auto typed = name_words(request.text);
        for (const AddressObject& object : objects) {
            if ((request.node && object.node != request.node) ||
                !(type_mask_of(object.type) & request.mask) || typed.empty())
                continue;
            const auto words = name_words(object.name);
            bool all = true;
            for (const NameWord& t : typed) {
                bool any = false;
                for (const NameWord& w : words)
                    any |= w.text.starts_with(t.text) &&
                           (request.rule == PositionRule::kAnywhere ||
                            (request.rule == PositionRule::kSame ? w.position == t.position
                                                                 : w.position >= t.position));
                all &= any;
            }
            if (all) found.push_back(object.number);
        }
        std::sort(found.begin(), found.end());
        return found;
    };
    int nonempty = 0;
    for (int q = 0; q < 400; ++q) {
        const AddressObject& model = objects[rng() % objects.size()];
        std::string text;
        for (const NameWord& w : name_words(model.name))
            if (rng() % 3 != 0) text += w.text.substr(0, 1 + rng() % w.text.size()) + " ";
        if (rng() % 5 == 0) text = word();
        LookupRequest request;
        request.text = text;
        request.node = rng() % 4 == 0 ? 0 : model.node;
        request.mask =
            std::vector<uint8_t>{type_mask::kPersons, type_mask::kConferences,
                                 type_mask::kPersons | type_mask::kConferences}[rng() % 3];
        request.rule = static_cast<PositionRule>(rng() % 3);
        auto found = numbers(request);
        std::sort(found.begin(), found.end());
        ASSERT_EQ(found, scan(request))
            << "'" << text << "' rule " << static_cast<int>(request.rule);
        nonempty += !found.empty();
    }
    EXPECT_GT(nonempty, 150);
}

}  // namespace
}  // namespace orvane::addressbook::testing
