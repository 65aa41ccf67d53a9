#include "cabinet/search_pending.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace orvane::cabinet {

using texts::TextId;

namespace {

constexpr uint8_t kRemoveFlag = 0x01;
constexpr uint8_t kAddFlag = 0x02;
constexpr uint16_t kFirstRunCapacity = 4;
// Keeps a word node and one run together below kWordReserve.
constexpr uint16_t kLargestRunCapacity = 128;
constexpr size_t kFirstBuckets = 1024;
constexpr size_t kAlignment = alignof(std::max_align_t);

uint32_t hash_of(std::string_view key) {
    uint32_t hash = 2166136261u;
    for (char c : key) hash = (hash ^ static_cast<uint8_t>(c)) * 16777619u;
    return hash;
}

}  // namespace

// A run of changes of one word: ids and flags in the order recorded.
struct PendingChanges::Run {
    Run* next = nullptr;
    uint16_t count = 0;
    uint16_t capacity = 0;

    static size_t size_for(uint16_t capacity) { return sizeof(Run) + capacity * 5u; }
    TextId* ids() { return reinterpret_cast<TextId*>(this + 1); }
    uint8_t* flags() { return reinterpret_cast<uint8_t*>(ids() + capacity); }
};

// A word: its key follows the node.
struct PendingChanges::Word {
    Word* next_in_bucket = nullptr;
    Run* first = nullptr;
    Run* last = nullptr;
    uint32_t hash = 0;
    uint32_t changes = 0;
    uint8_t key_length = 0;

    char* key() { return reinterpret_cast<char*>(this + 1); }
    const char* key() const { return reinterpret_cast<const char*>(this + 1); }
    std::string_view view() const { return {key(), key_length}; }
};

size_t PendingChanges::chunks_for(int max_memory_kib) {
    const int kib = max_memory_kib > 0 ? max_memory_kib : kAutomaticMemoryKib;
    return static_cast<size_t>((kib - 1) / 64 + 1);
}

PendingChanges::PendingChanges(size_t max_chunks) {
    set_max_chunks(max_chunks);
}

PendingChanges::~PendingChanges() = default;

bool PendingChanges::memory_short() const {
    return chunks_.size() >= max_chunks_ && kChunkSize - used_in_last_ < kWordReserve;
}

// Never fails: a caller that ignores memory_short() only goes past the limit.
void* PendingChanges::allocate(size_t size) {
    size = (size + kAlignment - 1) / kAlignment * kAlignment;
    if (chunks_.empty() || used_in_last_ + size > kChunkSize) {
        chunks_.push_back(std::make_unique<uint8_t[]>(kChunkSize));
        used_in_last_ = 0;
    }
    void* at = chunks_.back().get() + used_in_last_;
    used_in_last_ += size;
    return at;
}

PendingChanges::Run* PendingChanges::new_run(uint16_t capacity) {
    Run* run = new (allocate(Run::size_for(capacity))) Run;
    run->capacity = capacity;
    return run;
}

void PendingChanges::grow_buckets() {
    std::vector<Word*> grown(buckets_.empty() ? kFirstBuckets : buckets_.size() * 2, nullptr);
    for (Word* head : buckets_) {
        while (head) {
            Word* next = head->next_in_bucket;
            Word*& slot = grown[head->hash & (grown.size() - 1)];
            head->next_in_bucket = slot;
            slot = head;
            head = next;
        }
    }
    buckets_ = std::move(grown);
}

void PendingChanges::record(std::string_view key, TextId id, bool add) {
    if (word_count_ >= buckets_.size()) grow_buckets();
    const uint32_t hash = hash_of(key);
    Word** slot = &buckets_[hash & (buckets_.size() - 1)];
    Word* word = *slot;
    while (word && (word->hash != hash || word->view() != key)) word = word->next_in_bucket;
    if (!word) {
        word = new (allocate(sizeof(Word) + key.size())) Word;
        word->hash = hash;
        word->key_length = static_cast<uint8_t>(key.size());
        std::memcpy(word->key(), key.data(), key.size());
        word->next_in_bucket = *slot;
        *slot = word;
        ++word_count_;
    }
    Run* run = word->last;
    if (!run || run->count == run->capacity) {
        const uint16_t capacity =
            run ? std::min<uint16_t>(run->capacity * 2, kLargestRunCapacity) : kFirstRunCapacity;
        Run* fresh = new_run(capacity);
        (run ? run->next : word->first) = fresh;
        word->last = run = fresh;
    }
    run->ids()[run->count] = id;
    run->flags()[run->count] = add ? kAddFlag : kRemoveFlag;
    ++run->count;
    ++word->changes;
}

std::vector<const PendingChanges::Word*> PendingChanges::words_in_order() const {
    std::vector<const Word*> words;
    words.reserve(word_count_);
    for (const Word* head : buckets_)
        for (const Word* word = head; word; word = word->next_in_bucket) words.push_back(word);
    std::sort(words.begin(), words.end(),
              [](const Word* a, const Word* b) { return a->view() < b->view(); });
    return words;
}

std::string_view PendingChanges::key_of(const Word* word) {
    return word->view();
}

void PendingChanges::changes_of(const Word* word, std::vector<PostingChange>* out) const {
    out->clear();
    out->reserve(word->changes);
    bool ascending = true;
    for (Run* run = word->first; run; run = run->next) {
        for (uint16_t i = 0; i < run->count; ++i) {
            const TextId id = run->ids()[i];
            if (!out->empty() && id <= out->back().id) ascending = false;
            out->push_back({id, (run->flags()[i] & kAddFlag) != 0});
        }
    }
    if (ascending) return;
    // Stable: among changes of one id the last recorded stays last.
    std::stable_sort(out->begin(), out->end(),
                     [](const PostingChange& a, const PostingChange& b) { return a.id < b.id; });
    size_t kept = 0;
    for (size_t i = 0; i < out->size(); ++i) {
        if (i + 1 < out->size() && (*out)[i + 1].id == (*out)[i].id) continue;
        (*out)[kept++] = (*out)[i];
    }
    out->resize(kept);
}

void PendingChanges::clear() {
    chunks_.clear();
    used_in_last_ = 0;
    buckets_.clear();
    word_count_ = 0;
}

}  // namespace orvane::cabinet
