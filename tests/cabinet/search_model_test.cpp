// Random texts are filed, replaced and deleted, alone and in batches, with
// a memory limit small enough to merge in the middle of a batch. After
// every step the word records equal the index the texts call for, a
// rebuild gives the same records, and every query answers what reading
// every text answers.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "cabinet/fixed_boxes.h"
#include "cabinet/search_index.h"
#include "tests/cabinet/cabinet_fixture.h"
#include "tests/cabinet/search_fixture.h"

namespace orvane::cabinet {
namespace {

using texts::TextId;
using texts::TextRecord;

constexpr int kSteps = 120;
constexpr TextId kIds = 60;
const uint16_t kBoxes[] = {box::kInBasket, box::kLetters, box::kWasteBasket};

class SearchModelTest : public testing::CabinetTest {
  protected:
    void SetUp() override {
        options_.max_memory_kib = 1;  // one chunk: batches merge as they go
        options_.remove_re = true;
        CreateOptions create_options;
        create_options.keep_search_index = true;
        create(create_options).search_index().configure(options_, true);
        for (int i = 0; i < 1500; ++i) vocabulary_.push_back(word(i));
        vocabulary_.push_back("M\xFCller");           // ü in CP1252, a separator elsewhere
        vocabulary_.push_back("\xC4RGER");            // Ä in CP1252
        vocabulary_.push_back(std::string(40, 'q'));  // too long to be indexed
    }

    static std::string word(int i) {
        static const char* const kStems[] = {"con", "pro", "re", "de", "in", "ex", "sub", "trans"};
        return std::string(kStems[i % 8]) + std::to_string(i * 7 % 1009) + (i % 3 ? "s" : "");
    }

    std::string random_words(size_t count) {
        std::string out;
        for (size_t i = 0; i < count; ++i) {
            // Zipf-like: low indexes far more often.
            const size_t at = static_cast<size_t>(
                vocabulary_.size() * std::pow(std::uniform_real_distribution<>(0, 1)(rng_), 3));
            out += vocabulary_[std::min(at, vocabulary_.size() - 1)];
            out += rng_() % 9 == 0 ? ".\n" : " ";
        }
        return out;
    }

    TextRecord random_text(TextId id) {
        TextRecord text;
        text.id = id;
        text.date = 1700000000 + static_cast<uint32_t>(rng_() % 100000);
        text.author = {0, rng_() % 2 ? "Anna.Berg@TELVA" : "Carl Dahl"};
        if (rng_() % 2)
            text.receivers.push_back(testing::receiver_named(rng_() % 2 ? "QOR.general" : "Eva"));
        text.subject = (rng_() % 3 == 0 ? "Re: " : "") + random_words(1 + rng_() % 3);
        text.body = random_words(20 + rng_() % 60) + "\n";
        if (rng_() % 4 == 0)
            text.fields.push_back(
                {texts::HeaderCode::kAttached, "File_" + word(rng_() % 20) + ".txt"});
        text.charset = rng_() % 3 == 0 ? texts::make_charset(2, 1) : 0;
        return text;
    }

    // One change: a new or replaced text, a move, a deletion.
    void random_change() {
        const TextId id = 1 + rng_() % kIds;
        std::optional<TextRecord> stored = text_of(id);
        const uint16_t box = kBoxes[rng_() % 3];
        switch (stored ? rng_() % 4 : 0) {
            case 0: {
                TextRecord text = random_text(id);
                if (stored) text.boxes = stored->boxes;
                ASSERT_OK(cabinet_->file_text(text, box));
                break;
            }
            case 1:
                stored->body = random_words(10 + rng_() % 40) + "\n";
                ASSERT_OK(cabinet_->write_text(*stored));
                break;
            case 2:
                ASSERT_OK(cabinet_->move_text(id, stored->boxes[0], box));
                break;
            default:
                ASSERT_OK(cabinet_->remove_from_box(id, stored->boxes[0]));
                break;
        }
    }

    std::string random_query() {
        const std::string some = vocabulary_[rng_() % 40];
        switch (rng_() % 7) {
            case 0:
                return some;
            case 1:
                return some + " " + vocabulary_[rng_() % 200];
            case 2:
                return some.substr(0, 3) + "*";
            case 3:
                return rng_() % 2 ? "from:anna.berg@telva" : "from:dahl " + some;
            case 4:
                return "subject:" + some;
            case 5:
                return "to:qor.general " + some.substr(0, 2) + "*";
            default: {
                // Two words that stand together in some text's body.
                std::optional<TextRecord> text = text_of(1 + rng_() % kIds);
                if (!text) return "\"" + some + " " + vocabulary_[0] + "\"";
                const size_t cut = text->body.find(' ', text->body.size() / 2);
                const size_t end = text->body.find_first_of(" .\n", cut + 1);
                const size_t start = text->body.rfind(' ', cut - 1);
                if (cut == std::string::npos || end == std::string::npos) return some;
                const std::string phrase = text->body.substr(start + 1, end - start - 1);
                // Queries are typed in UTF-8; the national words are not.
                for (char c : phrase)
                    if (static_cast<uint8_t>(c) >= 0x80) return some;
                return "\"" + phrase + "\"";
            }
        }
    }

    void check(int step) {
        EXPECT_EQ(testing::stored_index(cabinet_->db()),
                  testing::expected_index(*cabinet_, options_))
            << "step " << step;
        for (int q = 0; q < 4; ++q) {
            const std::string query = random_query();
            platform::Result<Query> parsed = parse_query(query);
            ASSERT_OK(parsed) << query;
            SearchOptions all;
            all.limit = 0;
            platform::Result<SearchResult> result = cabinet_->search_index().search(*parsed, all);
            ASSERT_OK(result) << query;
            EXPECT_TRUE(result->index_up_to_date);
            std::vector<TextId> found;
            for (const SearchHit& hit : result->hits) found.push_back(hit.id);
            EXPECT_EQ(found, testing::brute_force_search(*cabinet_, options_, query))
                << "step " << step << ": " << query;
        }
    }

    void check_rebuild(int step) {
        const std::string copy = temp_.file("copy" + std::to_string(step) + ".cab");
        std::filesystem::copy_file(path_, copy);
        OpenOptions open_options;
        open_options.index = options_;
        platform::Result<std::unique_ptr<Cabinet>> other = Cabinet::open(copy, open_options, ui_);
        ASSERT_OK(other);
        ASSERT_OK((*other)->search_index().rebuild(false));
        EXPECT_EQ(testing::stored_index((*other)->db()), testing::stored_index(cabinet_->db()))
            << "step " << step;
        ASSERT_OK((*other)->close());
    }

    std::mt19937 rng_{20260611};
    IndexOptions options_;
    std::vector<std::string> vocabulary_;
};

TEST_F(SearchModelTest, IndexAndQueriesAgreeWithTheTextsAfterEveryStep) {
    for (int step = 0; step < kSteps; ++step) {
        if (rng_() % 4 == 0) {
            FilingBatch batch(*cabinet_);
            ASSERT_OK(batch.status());
            const int changes = 5 + static_cast<int>(rng_() % 40);
            for (int c = 0; c < changes; ++c) ASSERT_NO_FATAL_FAILURE(random_change());
            ASSERT_OK(batch.commit());
        } else {
            ASSERT_NO_FATAL_FAILURE(random_change());
        }
        if (rng_() % 5 == 0) {
            ASSERT_OK(cabinet_->search_index().flush());
        }
        ASSERT_NO_FATAL_FAILURE(check(step));
        if (step % 40 == 39) {
            ASSERT_NO_FATAL_FAILURE(check_rebuild(step));
        }
        if (HasFailure()) break;
    }
    EXPECT_TRUE(cabinet_->header().index_up_to_date);
}

}  // namespace
}  // namespace orvane::cabinet
