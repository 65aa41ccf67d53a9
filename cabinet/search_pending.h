// Word changes that wait in memory to be merged into the word records: for
// each word, the texts to add to it or remove from it. The memory comes from
// chunks of 65504 bytes, as many as the setting "Max Memory for Index"
// allows; once they are all in use and the last one is nearly full, the
// owner merges the changes (memory_short) before recording the next word.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <vector>

#include "cabinet/posting_list.h"
#include "texts/text_id.h"

namespace orvane::cabinet {

class PendingChanges {
  public:
    static constexpr size_t kChunkSize = 65504;
    // Room the last chunk must still have for one more word.
    static constexpr size_t kWordReserve = 1024;
    // What 0 or less in "Max Memory for Index" stands for: 64 MiB, the value
    // older settings files were given.
    static constexpr int kAutomaticMemoryKib = 65536;

    // The chunks that `max_memory_kib` (KiB) allows: (kib - 1) / 64 + 1.
    static size_t chunks_for(int max_memory_kib);

    explicit PendingChanges(size_t max_chunks);
    ~PendingChanges();
    PendingChanges(const PendingChanges&) = delete;
    PendingChanges& operator=(const PendingChanges&) = delete;

    // Notes that text `id` is to be added to (or removed from) the word
    // `key` (1 to 255 bytes). A later change of the same word and text
    // replaces an earlier one.
    void record(std::string_view key, texts::TextId id, bool add);

    // Every chunk is in use and the last one has less than kWordReserve left.
    bool memory_short() const;
    bool empty() const { return word_count_ == 0; }
    size_t word_count() const { return word_count_; }
    size_t chunks_in_use() const { return chunks_.size(); }
    size_t max_chunks() const { return max_chunks_; }
    // A new limit, kept from the next word on.
    void set_max_chunks(size_t max_chunks) { max_chunks_ = max_chunks > 0 ? max_chunks : 1; }

    struct Word;
    // The pending words in key order (byte by byte, shorter first).
    std::vector<const Word*> words_in_order() const;
    static std::string_view key_of(const Word* word);
    // The changes of `word` by ascending id, the last change of each id.
    void changes_of(const Word* word, std::vector<PostingChange>* out) const;

    // Forgets every change and gives the chunks back.
    void clear();

  private:
    struct Run;
    void* allocate(size_t size);
    Run* new_run(uint16_t capacity);
    void grow_buckets();

    size_t max_chunks_;
    std::vector<std::unique_ptr<uint8_t[]>> chunks_;
    size_t used_in_last_ = 0;
    std::vector<Word*> buckets_;
    size_t word_count_ = 0;
};

}  // namespace orvane::cabinet
