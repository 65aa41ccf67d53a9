// Keeping the search index true as the cabinet files, replaces and deletes
// texts, and the index's state in header bytes 9 and 10.
#include "cabinet/search_index.h"

#include <gtest/gtest.h>

#include "cabinet/fixed_boxes.h"
#include "cabinet/search_words.h"
#include "platform/fault_env.h"
#include "platform/resource_strings.h"
#include "tests/cabinet/cabinet_fixture.h"
#include "tests/cabinet/search_fixture.h"

namespace orvane::cabinet {
namespace {

using platform::Answer;
using platform::MessageId;
using testing::expected_index;
using testing::stored_index;
using testing::word_record;
using texts::TextId;
using texts::TextRecord;
using Bytes = std::vector<uint8_t>;

TextRecord text_with(TextId id, std::string body, std::string subject = "") {
    TextRecord text;
    text.id = id;
    text.date = 1700000000 + (id & 0xFFFF) * 2;
    text.author = {0, "Anna Berg"};
    text.subject = std::move(subject);
    text.body = std::move(body) + "\n";
    return text;
}

class SearchIndexTest : public testing::CabinetTest {
  protected:
    Cabinet& create_indexed(const IndexOptions& options = {}) {
        options_ = options;
        CreateOptions create_options;
        create_options.keep_search_index = true;
        Cabinet& cabinet = create(create_options);
        cabinet.search_index().configure(options, true);
        return cabinet;
    }
    void file(TextRecord text, uint16_t box = box::kInBasket) {
        ASSERT_OK(cabinet_->file_text(text, box));
    }
    void expect_index_true() {
        EXPECT_EQ(stored_index(cabinet_->db()), expected_index(*cabinet_, options_));
    }
    bool index_shows_up_to_date() {
        OpenOptions options;
        options.index = options_;
        Cabinet* opened = reopen(options);
        return opened && opened->header().index_up_to_date == 1;
    }
    // Messages shown with the text of `id` (up to its first argument).
    size_t notices_of(MessageId id) const {
        std::string text = platform::resource_string(id);
        text = text.substr(0, text.find('%'));
        return static_cast<size_t>(std::count_if(
            ui_.shown.begin(), ui_.shown.end(),
            [&](const platform::MessageBox& box) { return box.text.starts_with(text); }));
    }

    IndexOptions options_;
};

TEST_F(SearchIndexTest, PostingListsGrowAndAWordWithoutTextsGoes) {
    create_indexed();
    file(text_with(0x54000005, "word only5"));
    EXPECT_EQ(word_record(cabinet_->db(), "word"), (Bytes{0x05, 0x00, 0x00, 0x55}));
    file(text_with(0x54000009, "word"));
    EXPECT_EQ(word_record(cabinet_->db(), "word"), (Bytes{0x05, 0x00, 0x00, 0x55, 0x04}));
    EXPECT_EQ(word_record(cabinet_->db(), "<anna"), (Bytes{0x05, 0x00, 0x00, 0x55, 0x04}));

    // Out of its last box, the text is deleted for good and leaves the index.
    ASSERT_OK(cabinet_->remove_from_box(0x54000005, box::kInBasket));
    EXPECT_TRUE(word_record(cabinet_->db(), "only5").empty());
    EXPECT_EQ(word_record(cabinet_->db(), "word"), (Bytes{0x09, 0x00, 0x00, 0x55}));
    expect_index_true();
    EXPECT_TRUE(index_shows_up_to_date());
}

TEST_F(SearchIndexTest, AReplacedTextChangesOnlyTheWordsThatChanged) {
    create_indexed();
    file(text_with(100, "alpha beta", "Plans"));
    TextRecord text = *text_of(100);
    text.body = "beta gamma\n";
    text.subject = "Other plans";
    ASSERT_OK(cabinet_->write_text(text));
    const testing::WordIndex index = stored_index(cabinet_->db());
    EXPECT_FALSE(index.contains("alpha"));
    EXPECT_TRUE(index.contains("gamma"));
    EXPECT_TRUE(index.contains(":other"));
    EXPECT_TRUE(index.contains(":plans"));
    expect_index_true();
}

TEST_F(SearchIndexTest, TextsOnlyInTheWasteBasketAreIndexedWhenThatIsSearched) {
    create_indexed();
    file(text_with(7, "rubbish"));
    ASSERT_OK(cabinet_->move_text(7, box::kInBasket, box::kWasteBasket));
    EXPECT_TRUE(word_record(cabinet_->db(), "rubbish").empty());
    expect_index_true();
    ASSERT_OK(cabinet_->copy_text(7, box::kLetters));
    EXPECT_FALSE(word_record(cabinet_->db(), "rubbish").empty()) << "in another box as well";
    ASSERT_OK(cabinet_->remove_from_box(7, box::kLetters));
    EXPECT_TRUE(word_record(cabinet_->db(), "rubbish").empty());

    IndexOptions searched;
    searched.index_waste_basket = true;
    cabinet_->search_index().configure(searched, true);
    options_ = searched;
    file(text_with(8, "kept"), box::kWasteBasket);
    EXPECT_FALSE(word_record(cabinet_->db(), "kept").empty());
}

TEST_F(SearchIndexTest, ChangesWhileTheIndexIsOffClearTheUpToDateMark) {
    create_indexed();
    file(text_with(1, "first"));
    ASSERT_OK(cabinet_->search_index().switch_off());
    EXPECT_TRUE(index_shows_up_to_date()) << "switching off alone loses nothing";
    file(text_with(2, "second"));
    EXPECT_TRUE(word_record(cabinet_->db(), "second").empty());
    EXPECT_FALSE(index_shows_up_to_date());

    // Switching on offers the rebuild, which makes the index whole.
    ui_.answers.push_back(Answer::Yes);
    ASSERT_OK(cabinet_->search_index().switch_on());
    EXPECT_EQ(notices_of(MessageId::kSearchSwitchedOnNotUpToDate), 1u);
    expect_index_true();
    EXPECT_TRUE(index_shows_up_to_date());
}

TEST_F(SearchIndexTest, ABatchMergesItsWordsWhenItCommitsAndForgetsThemWhenAbandoned) {
    create_indexed();
    {
        FilingBatch batch(*cabinet_);
        ASSERT_OK(batch.status());
        for (TextId id = 1; id <= 20; ++id)
            file(text_with(id, "batched word" + std::to_string(id)));
        EXPECT_TRUE(word_record(cabinet_->db(), "batched").empty()) << "waiting for the commit";
        EXPECT_GT(cabinet_->search_index().pending_words(), 20u);
        ASSERT_OK(batch.commit());
    }
    EXPECT_EQ(cabinet_->search_index().pending_words(), 0u);
    expect_index_true();
    {
        FilingBatch batch(*cabinet_);
        file(text_with(50, "abandoned"));
    }
    EXPECT_EQ(cabinet_->search_index().pending_words(), 0u);
    EXPECT_TRUE(word_record(cabinet_->db(), "abandoned").empty());
}

TEST_F(SearchIndexTest, ASmallMemoryLimitMergesWithinTheBatch) {
    IndexOptions small;
    small.max_memory_kib = 1;  // one chunk
    create_indexed(small);
    FilingBatch batch(*cabinet_);
    bool merged_early = false;
    for (TextId id = 1; id <= 400 && !merged_early; ++id) {
        std::string body;
        for (int w = 0; w < 30; ++w) body += "w" + std::to_string(id * 31 + w) + " ";
        file(text_with(id, body + "common"));
        merged_early = !word_record(cabinet_->db(), "common").empty();
    }
    EXPECT_TRUE(merged_early) << "one chunk cannot hold the words of 400 texts";
    ASSERT_OK(batch.commit());
    expect_index_true();
}

TEST_F(SearchIndexTest, RebuildDeletesAndIndexesEverythingAgain) {
    create_indexed();
    for (TextId id = 1; id <= 30; ++id) file(text_with(id, "text number" + std::to_string(id)));
    // Words nobody asked for, and a missing word: a rebuild mends both.
    ASSERT_EQ(store::DbPut(cabinet_->db(), "stray", 5, "\x01\x00\x00\x01", 4), 0);
    ASSERT_EQ(store::DbDelete(cabinet_->db(), "text", 4), 0);
    ui_.answers.push_back(Answer::Yes);
    ASSERT_OK(cabinet_->search_index().rebuild(true));
    EXPECT_EQ(notices_of(MessageId::kSearchRebuildQuestion), 1u);
    expect_index_true();
    EXPECT_TRUE(index_shows_up_to_date());

    // Declined, nothing happens.
    ui_.answers.push_back(Answer::No);
    EXPECT_TRUE(cabinet_->search_index().rebuild(true).is_cancelled());
    EXPECT_TRUE(cabinet_->header().index_up_to_date);
}

TEST_F(SearchIndexTest, ACancelledRebuildLeavesTheIndexNotUpToDate) {
    create_indexed();
    for (TextId id = 1; id <= 40; ++id) file(text_with(id, "text"));
    ui_.cancel_after_updates = 2;
    EXPECT_TRUE(cabinet_->search_index().rebuild(false).is_cancelled());
    ui_.cancel_after_updates = -1;
    EXPECT_FALSE(index_shows_up_to_date());
    // Searching says so; a finished rebuild sets the mark again.
    EXPECT_FALSE(cabinet_->search_index().search(*parse_query("text"), {})->index_up_to_date);
    ASSERT_OK(cabinet_->search_index().rebuild(false));
    EXPECT_TRUE(index_shows_up_to_date());
}

TEST_F(SearchIndexTest, ARebuildCutOffAnywhereNeverLeavesAHalfIndexMarkedUpToDate) {
    platform::FaultEnv faults;
    env_ = &faults;
    create_indexed();
    for (TextId id = 1; id <= 60; ++id)
        file(text_with(id, "some words of text " + std::to_string(id)));
    // How many changes of the file a whole rebuild makes.
    faults.count_only(path_);
    ASSERT_OK(cabinet_->search_index().rebuild(false));
    const uint64_t operations = faults.operations();
    ASSERT_GT(operations, 5u);
    // Before each cut: an index that lacks words and says so.
    ASSERT_EQ(store::DbDelete(cabinet_->db(), "some", 4), 0);
    ASSERT_OK(cabinet_->search_index().mark_not_up_to_date());
    ASSERT_OK(cabinet_->close());
    cabinet_.reset();
    const std::string before = temp_.file("before.cab");
    std::filesystem::copy_file(path_, before);

    for (uint64_t n = 0; n < operations; n += std::max<uint64_t>(1, operations / 12)) {
        std::filesystem::copy_file(before, path_,
                                   std::filesystem::copy_options::overwrite_existing);
        ASSERT_NE(reopen(), nullptr);
        faults.arm(n, platform::FaultEnv::Fault::kPowerCut, path_);
        const bool rebuilt = cabinet_->search_index().rebuild(false).ok();
        // A cut after the commit point (giving back the journal's space)
        // cannot undo the rebuild; a cut before it must be reported.
        if (!faults.fired()) {
            EXPECT_TRUE(rebuilt) << n;
        }
        cabinet_.reset();  // the process dies: nothing more reaches the disk
        ASSERT_EQ(faults.drop_unsynced(), 0);
        faults.disarm();
        ASSERT_NE(reopen(), nullptr) << n;
        platform::Result<IndexStatus> status = cabinet_->search_index().status();
        ASSERT_OK(status);
        if (rebuilt) {
            EXPECT_TRUE(status->up_to_date) << "a rebuild reported done was lost, " << n;
        }
        if (status->up_to_date) expect_index_true();
        ASSERT_OK(cabinet_->close());
        cabinet_.reset();
    }
}

TEST_F(SearchIndexTest, RepairClearsTheMarkAndOffersTheRebuild) {
    create_indexed();
    file(text_with(1, "kept safe"));
    ui_.answers.push_back(Answer::No);
    ASSERT_OK(cabinet_->repair({}));
    EXPECT_EQ(notices_of(MessageId::kSearchRebuildQuestion), 1u);
    EXPECT_FALSE(index_shows_up_to_date());

    ui_.answers.push_back(Answer::Yes);
    ASSERT_OK(cabinet_->repair({}));
    EXPECT_TRUE(index_shows_up_to_date());
    expect_index_true();
}

TEST_F(SearchIndexTest, ADamagedListIsReportedOnceAndTheIndexNeedsARebuild) {
    create_indexed();
    file(text_with(1, "broken fine"));
    file(text_with(2, "broken fine"));
    ASSERT_EQ(store::DbPut(cabinet_->db(), "broken", 6, "\x02\x00\x00\x01\x00", 5), 0);
    platform::Result<SearchResult> result =
        cabinet_->search_index().search(*parse_query("broken fine broken*"), {});
    ASSERT_OK(result);
    EXPECT_TRUE(result->hits.empty()) << "the damaged list counts as empty";
    EXPECT_EQ(result->damaged_lists, 1u);
    EXPECT_EQ(notices_of(MessageId::kSearchWordDamaged), 1u) << "once, though met twice";
    EXPECT_FALSE(result->index_up_to_date);
    EXPECT_FALSE(cabinet_->search_index().status()->up_to_date);
    EXPECT_EQ(cabinet_->search_index().search(*parse_query("fine"), {})->matches, 2u);

    // A merge over the damaged list replaces it and says so too.
    file(text_with(3, "broken"));
    EXPECT_EQ(notices_of(MessageId::kSearchWordDamaged), 2u);
    EXPECT_EQ(stored_index(cabinet_->db())["broken"], std::vector<TextId>{3});
}

TEST_F(SearchIndexTest, DeleteRemovesEveryWordAndSwitchesTheIndexOff) {
    create_indexed();
    for (TextId id = 1; id <= 10; ++id) file(text_with(id, "to be deleted"));
    ASSERT_OK(cabinet_->search_index().remove());
    EXPECT_TRUE(stored_index(cabinet_->db()).empty());
    EXPECT_FALSE(cabinet_->search_index().kept());
    EXPECT_EQ(cabinet_->search_index().status()->words, 0u);
    EXPECT_EQ(cabinet_->search_index().search(*parse_query("deleted"), {}).status().id(),
              MessageId::kSearchIndexOff);
    EXPECT_NE(text_of(1), std::nullopt) << "the texts stay";
}

TEST_F(SearchIndexTest, ACancelledUpdateKeepsTheTextsAndClearsTheMark) {
    create_indexed();
    FilingBatch batch(*cabinet_);
    for (TextId id = 1; id <= 150; ++id) {
        std::string body;
        for (int w = 0; w < 40; ++w) body += "u" + std::to_string(id * 40 + w) + " ";
        file(text_with(id, body));
    }
    ui_.cancel_after_updates = 3;
    ui_.answers.push_back(Answer::Yes);  // yes, cancel the update
    ASSERT_OK(batch.commit());
    ui_.cancel_after_updates = -1;
    EXPECT_EQ(notices_of(MessageId::kSearchCancelUpdate), 1u);
    EXPECT_EQ(cabinet_->text_count(box::kInBasket).value(), 150u);
    EXPECT_FALSE(index_shows_up_to_date());
}

TEST_F(SearchIndexTest, StatusCountsWordsAndBytes) {
    create_indexed();
    file(text_with(1, "one two"));
    platform::Result<IndexStatus> status = cabinet_->search_index().status();
    ASSERT_OK(status);
    EXPECT_TRUE(status->kept);
    EXPECT_TRUE(status->up_to_date);
    // one, two, and the author's two words.
    EXPECT_EQ(status->words, 4u);
    EXPECT_EQ(status->bytes, (3 + 4) + (3 + 4) + (5 + 4) + (5 + 4));
}

}  // namespace
}  // namespace orvane::cabinet
