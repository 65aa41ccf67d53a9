// The word changes that wait in memory, and their memory limit.
#include "cabinet/search_pending.h"

#include <gtest/gtest.h>

namespace orvane::cabinet {
namespace {

std::vector<std::string> keys_of(const PendingChanges& pending) {
    std::vector<std::string> keys;
    for (const auto* word : pending.words_in_order())
        keys.emplace_back(PendingChanges::key_of(word));
    return keys;
}

std::vector<std::pair<texts::TextId, bool>> changes_of(const PendingChanges& pending,
                                                       std::string_view key) {
    std::vector<std::pair<texts::TextId, bool>> out;
    std::vector<PostingChange> changes;
    for (const auto* word : pending.words_in_order()) {
        if (PendingChanges::key_of(word) != key) continue;
        pending.changes_of(word, &changes);
        for (const PostingChange& change : changes) out.emplace_back(change.id, change.add);
    }
    return out;
}

TEST(SearchPendingTest, ChunksFollowTheMemorySetting) {
    EXPECT_EQ(PendingChanges::chunks_for(1), 1u);
    EXPECT_EQ(PendingChanges::chunks_for(64), 1u);
    EXPECT_EQ(PendingChanges::chunks_for(65), 2u);
    EXPECT_EQ(PendingChanges::chunks_for(1000), 16u);
    // The default -1 (and 0) stand for 64 MiB.
    EXPECT_EQ(PendingChanges::chunks_for(-1), 1024u);
    EXPECT_EQ(PendingChanges::chunks_for(0), 1024u);
}

TEST(SearchPendingTest, WordsInKeyOrderAndTheLastChangeOfATextWins) {
    PendingChanges pending(4);
    EXPECT_TRUE(pending.empty());
    pending.record("zebra", 9, true);
    pending.record("apple", 5, true);
    pending.record("<anna", 7, true);
    pending.record("apple", 3, true);
    pending.record("apple", 5, false);  // replaces the add of 5
    pending.record("\xE4rger", 1, true);
    EXPECT_EQ(pending.word_count(), 4u);
    EXPECT_EQ(keys_of(pending), (std::vector<std::string>{"<anna", "apple", "zebra", "\xE4rger"}))
        << "byte order, high bytes last";
    EXPECT_EQ(changes_of(pending, "apple"),
              (std::vector<std::pair<texts::TextId, bool>>{{3, true}, {5, false}}));

    // Many changes of one word, out of order, with repeats.
    for (texts::TextId id = 1000; id > 0; --id) pending.record("many", id % 300, id % 2 == 0);
    const auto many = changes_of(pending, "many");
    ASSERT_EQ(many.size(), 300u);
    for (size_t i = 0; i < many.size(); ++i) {
        EXPECT_EQ(many[i].first, i);
        // The last change of id n came from the smallest id with n = id % 300.
        const texts::TextId last = i == 0 ? 300 : static_cast<texts::TextId>(i);
        EXPECT_EQ(many[i].second, last % 2 == 0) << i;
    }
    pending.clear();
    EXPECT_TRUE(pending.empty());
    EXPECT_TRUE(keys_of(pending).empty());
}

TEST(SearchPendingTest, MemoryRunsShortOnlyWhenEveryChunkIsUsed) {
    PendingChanges pending(2);
    int words = 0;
    while (!pending.memory_short()) {
        ASSERT_LE(pending.chunks_in_use(), 2u);
        pending.record("word" + std::to_string(words), static_cast<texts::TextId>(words), true);
        ++words;
    }
    EXPECT_EQ(pending.chunks_in_use(), 2u);
    // Two chunks of 65504 bytes hold a few thousand short words.
    EXPECT_GT(words, 1000);
    EXPECT_LT(words, 4000);
    // A longest word still fits in the room memory_short leaves.
    pending.set_max_chunks(3);
    EXPECT_FALSE(pending.memory_short());
}

}  // namespace
}  // namespace orvane::cabinet
