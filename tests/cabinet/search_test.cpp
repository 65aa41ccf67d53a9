// The query language and what a search finds.
#include "cabinet/search.h"

#include <gtest/gtest.h>

#include "cabinet/fixed_boxes.h"
#include "cabinet/keys.h"
#include "cabinet/search_index.h"
#include "cabinet/search_terms.h"
#include "tests/cabinet/cabinet_fixture.h"
#include "tests/cabinet/search_fixture.h"

namespace orvane::cabinet {
namespace {

using platform::MessageId;
using texts::HeaderCode;
using texts::TextId;
using texts::TextRecord;
using Ids = std::vector<TextId>;

TEST(SearchQueryTest, TermsFieldsPrefixesAndPhrases) {
    platform::Result<Query> query = parse_query(
        "  meeting FROM:anna.berg@telva to:qor.general subject:\"road map\" "
        "file:report.txt conf* \"next week\"");
    ASSERT_OK(query);
    const std::vector<QueryTerm> expected = {
        {QueryField::kText, "meeting", false, false},
        {QueryField::kAuthor, "anna.berg@telva", false, false},
        {QueryField::kReceiver, "qor.general", false, false},
        {QueryField::kSubject, "road map", false, true},
        {QueryField::kFileName, "report.txt", false, false},
        {QueryField::kText, "conf", true, false},
        {QueryField::kText, "next week", false, true},
    };
    EXPECT_EQ(query->terms, expected);

    EXPECT_EQ(parse_query("   ").status().id(), MessageId::kSearchNothingToFind);
    EXPECT_EQ(parse_query("\"open").status().id(), MessageId::kSearchUnclosedQuote);
    EXPECT_EQ(parse_query("date:2024").status().id(), MessageId::kSearchUnknownField);
    EXPECT_EQ(parse_query("*").status().id(), MessageId::kSearchPrefixTooShort);

    // Arguments quoted in the shell come back as phrases or field groups.
    EXPECT_EQ(query_of_arguments({"next week", "from:Anna Berg", "plain"}),
              "\"next week\" from:\"Anna Berg\" plain");
}

TEST(SearchQueryTest, TermsBecomeTheKeysOfEachCodePage) {
    platform::Result<ResolvedTerm> plain =
        resolve_term({QueryField::kSubject, "Plans", false, false});
    ASSERT_OK(plain);
    ASSERT_EQ(plain->forms.size(), 1u);
    EXPECT_EQ(plain->forms[0].keys, std::vector<std::string>{":plans"});

    // "Ärger" in UTF-8: one form per code page that can write it.
    platform::Result<ResolvedTerm> national =
        resolve_term({QueryField::kText, "\xC3\x84rger", false, false});
    ASSERT_OK(national);
    std::vector<std::string> keys;
    for (const TermForm& form : national->forms) keys.push_back(form.keys.at(0));
    EXPECT_NE(std::find(keys.begin(), keys.end(), "\xE4rger"), keys.end()) << "Windows west";
    EXPECT_NE(std::find(keys.begin(), keys.end(), "\x84rger"), keys.end()) << "DOS west";
    EXPECT_NE(std::find(keys.begin(), keys.end(), "\x8Arger"), keys.end()) << "Macintosh";

    // A word that falls apart is a phrase; in a name field its parts need
    // only be there.
    EXPECT_TRUE(resolve_term({QueryField::kText, "e-mail", false, false})->phrase);
    EXPECT_FALSE(resolve_term({QueryField::kAuthor, "Anna Berg", false, true})->phrase);

    EXPECT_EQ(resolve_term({QueryField::kText, std::string(32, 'x'), false, false}).status().id(),
              MessageId::kSearchWordTooLong);
    EXPECT_OK(resolve_term({QueryField::kAuthor, std::string(200, 'x'), false, false}));
    EXPECT_EQ(resolve_term({QueryField::kText, "--", false, false}).status().id(),
              MessageId::kSearchNoWord);
}

TEST(SearchQueryTest, PhrasesMatchAdjacentWordsOnly) {
    const std::vector<std::string> words = {"next", "week"};
    EXPECT_TRUE(body_has_phrase("See you NEXT\nweek.", 0, words, false));
    EXPECT_FALSE(body_has_phrase("next to this week", 0, words, false));
    EXPECT_FALSE(body_has_phrase("week next", 0, words, false));
    EXPECT_TRUE(body_has_phrase("the next weekend", 0, words, true));
    EXPECT_FALSE(body_has_phrase("next", 0, words, false));
}

class SearchTest : public testing::CabinetTest {
  protected:
    void SetUp() override {
        CreateOptions options;
        options.keep_search_index = true;
        create(options);
        add(1, 100, "Anna Berg", "Meeting plans", "We meet next week at the office.");
        add(2, 200, "Carl Dahl", "Re: Meeting plans", "Next week is fine. The office is big.");
        add(3, 300, "Anna Berg", "Holiday", "A conference next month, not next week.");
        add(4, 400, "Eva Falk", "Road map", "Confidential: the roadmap for the week.");
        TextRecord windows = make(5, 500, "Gus Holm", "\xC4rger", "Viel \xC4RGER mit dem B\xFCro.");
        windows.charset =
            texts::make_charset(texts::charsets::kWindowsClass, texts::charsets::kWestVariant);
        file(windows, box::kLetters);
        TextRecord dos = make(6, 600, "Ida Jung", "B\x81ro", "Das b\x9Aro ist zu.");  // CP850
        dos.charset =
            texts::make_charset(texts::charsets::kDosClass, texts::charsets::kWestVariant);
        dos.fields.push_back({HeaderCode::kAttached, "Year_Report.PDF"});
        dos.receivers.push_back(testing::receiver_named("QOR.general"));
        file(dos, box::kLetters);
    }

    static TextRecord make(TextId id, uint32_t date, const std::string& author,
                           const std::string& subject, const std::string& body) {
        TextRecord text;
        text.id = id;
        text.date = date;
        text.author = {0, author};
        text.subject = subject;
        text.body = body + "\n";
        return text;
    }
    void add(TextId id, uint32_t date, const std::string& author, const std::string& subject,
             const std::string& body) {
        file(make(id, date, author, subject, body), box::kInBasket);
    }
    void file(TextRecord text, uint16_t box) { ASSERT_OK(cabinet_->file_text(text, box)); }

    Ids find(const std::string& query, SearchOptions options = {}) {
        platform::Result<Query> parsed = parse_query(query);
        EXPECT_OK(parsed);
        if (!parsed.ok()) return {};
        platform::Result<SearchResult> result = cabinet_->search_index().search(*parsed, options);
        EXPECT_OK(result);
        Ids ids;
        if (result.ok())
            for (const SearchHit& hit : result->hits) ids.push_back(hit.id);
        return ids;
    }
};

TEST_F(SearchTest, AllWordsMustOccurAndHitsComeNewestFirst) {
    EXPECT_EQ(find("office"), (Ids{2, 1}));
    EXPECT_EQ(find("next week"), (Ids{3, 2, 1})) << "two words anywhere";
    EXPECT_EQ(find("office big"), (Ids{2}));
    EXPECT_EQ(find("office holiday"), (Ids{}));
    EXPECT_EQ(find("nowhere"), (Ids{}));
    EXPECT_EQ(find("OFFICE"), (Ids{2, 1})) << "without regard to case";
}

TEST_F(SearchTest, PrefixesFieldsAndPhrases) {
    EXPECT_EQ(find("conf*"), (Ids{4, 3}));
    EXPECT_EQ(find("road*"), (Ids{4}));
    EXPECT_EQ(find("from:anna"), (Ids{3, 1}));
    EXPECT_EQ(find("from:\"Anna Berg\" holiday"), (Ids{3}));
    EXPECT_EQ(find("from:ber*"), (Ids{3, 1}));
    EXPECT_EQ(find("to:qor.general"), (Ids{6}));
    EXPECT_EQ(find("subject:meeting"), (Ids{2, 1}));
    EXPECT_EQ(find("meeting"), (Ids{2, 1})) << "subject words are found without a field";
    EXPECT_EQ(find("subject:office"), (Ids{}));
    EXPECT_EQ(find("file:pdf"), (Ids{6}));
    EXPECT_EQ(find("file:year_report.pdf"), (Ids{6}));
    EXPECT_EQ(find("\"next week\""), (Ids{3, 2, 1}));
    EXPECT_EQ(find("\"week at the\""), (Ids{1}));
    EXPECT_EQ(find("\"next month\" conference"), (Ids{3}));
    EXPECT_EQ(find("\"week next\""), (Ids{}));
    EXPECT_EQ(find("\"the road*\""), (Ids{4})) << "a phrase ending in a prefix";
}

TEST_F(SearchTest, NationalLettersAreFoundInEveryCodePageAndCase) {
    EXPECT_EQ(find("\xC3\xA4rger"), (Ids{5})) << "ärger finds ÄRGER and Ärger in CP1252";
    EXPECT_EQ(find("subject:\xC3\x84RGER"), (Ids{5}));
    EXPECT_EQ(find("b\xC3\xBCro"), (Ids{6, 5})) << "Büro in CP1252 and CP850";
}

TEST_F(SearchTest, BoxAndLimitNarrowTheHits) {
    SearchOptions letters;
    letters.box = box::kLetters;
    EXPECT_EQ(find("b\xC3\xBCro", letters), (Ids{6, 5}));
    letters.box = box::kInBasket;
    EXPECT_EQ(find("b\xC3\xBCro", letters), (Ids{}));
    SearchOptions two;
    two.limit = 2;
    platform::Result<SearchResult> result =
        cabinet_->search_index().search(*parse_query("next"), two);
    ASSERT_OK(result);
    EXPECT_EQ(result->matches, 3u);
    ASSERT_EQ(result->hits.size(), 2u);
    EXPECT_EQ(result->hits[0].id, 3u);
    EXPECT_EQ(result->hits[0].author, "Anna Berg");
    EXPECT_EQ(result->hits[0].subject, "Holiday");
    EXPECT_EQ(result->hits[0].box, box::kInBasket);
    EXPECT_EQ(result->hits[0].date, 300u);
}

TEST_F(SearchTest, ManyHitsAreDatedThroughTheBoxLists) {
    FilingBatch batch(*cabinet_);
    for (TextId id = 100; id < 700; ++id) {
        // Dates that do not follow the ids.
        file(make(id, 10000 + (id * 7919) % 600 * 2, "Many", "Bulk", "bulk text"),
             id % 2 ? box::kInBasket : box::kLetters);
    }
    ASSERT_OK(batch.commit());
    // One text gone behind the index's back, one in no box list.
    const Key gone = text_key(101);
    ASSERT_EQ(store::DbDelete(cabinet_->db(), gone.bytes, gone.length), 0);

    SearchOptions first;
    first.limit = 5;
    platform::Result<SearchResult> result =
        cabinet_->search_index().search(*parse_query("bulk"), first);
    ASSERT_OK(result);
    ASSERT_EQ(result->hits.size(), 5u);
    for (size_t i = 1; i < result->hits.size(); ++i)
        EXPECT_GT(result->hits[i - 1].date, result->hits[i].date);
    EXPECT_EQ(result->hits[0].date, 10000u + 599 * 2);
    EXPECT_EQ(result->hits[0].author, "Many");

    first.limit = 0;
    result = cabinet_->search_index().search(*parse_query("bulk"), first);
    ASSERT_OK(result);
    EXPECT_EQ(result->hits.size(), 599u);
    EXPECT_EQ(result->gone_texts, 1u);
    EXPECT_FALSE(result->index_up_to_date) << "a text the index names is gone";
}

}  // namespace
}  // namespace orvane::cabinet
