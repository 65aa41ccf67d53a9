#include "addressbook/word_index.h"

#include <algorithm>
#include <iterator>

#include "addressbook/db_access.h"
#include "addressbook/name_words.h"

namespace orvane::addressbook {

namespace {

void sort_unique(std::vector<WordEntry>& entries) {
    std::sort(entries.begin(), entries.end());
    entries.erase(std::unique(entries.begin(), entries.end()), entries.end());
}

}  // namespace

std::vector<std::pair<std::string, WordEntry>> word_entries_of(const AddressObject& object) {
    std::vector<std::pair<std::string, WordEntry>> entries;
    for (NameWord& word : name_words(object.name))
        entries.emplace_back(std::move(word.text),
                             WordEntry{object.node, object.type, object.number, word.position});
    return entries;
}

int32_t read_word(store::DbHandle db, std::string_view word, std::vector<WordEntry>* entries,
                  size_t* parts) {
    entries->clear();
    size_t found_parts = 0;
    std::string key = word_key(word);
    std::string data;
    int32_t result = get_at_or_after(db, key, &key, &data);
    while (result == store::kDbOk || result == store::kDbNotFound) {
        const std::optional<WordKey> found = parse_word_key(key);
        if (!found || found->word != word) break;
        std::vector<WordEntry> part = decode_word_entries(data);
        entries->insert(entries->end(), part.begin(), part.end());
        ++found_parts;
        result = get_next(db, key, &key, &data);
    }
    if (result != store::kDbOk && result != store::kDbNotFound && result != store::kDbNoNext)
        return result;
    sort_unique(*entries);
    if (parts) *parts = found_parts;
    return store::kDbOk;
}

int32_t write_word(store::DbHandle db, std::string_view word, std::span<const WordEntry> entries,
                   size_t stored_parts) {
    size_t part = 0;
    for (size_t at = 0; at < entries.size(); at += kWordPartEntries, ++part) {
        if (part > 255) return store::kDbDataTooLong;
        const size_t count = std::min(kWordPartEntries, entries.size() - at);
        const std::string data = encode_word_entries(entries.subspan(at, count));
        if (int32_t error = put_record(db, word_key(word, static_cast<uint8_t>(part)), data))
            return error;
    }
    for (; part < stored_parts && part <= 255; ++part)
        if (int32_t error = remove_record(db, word_key(word, static_cast<uint8_t>(part))))
            return error;
    return store::kDbOk;
}

void WordIndexChanges::add(const AddressObject& object) {
    for (auto& [word, entry] : word_entries_of(object))
        changes_.push_back({std::move(word), entry, 1});
}

void WordIndexChanges::remove(const AddressObject& object) {
    for (auto& [word, entry] : word_entries_of(object))
        changes_.push_back({std::move(word), entry, -1});
}

int32_t WordIndexChanges::apply(store::DbHandle db) {
    std::stable_sort(changes_.begin(), changes_.end(), [](const Change& a, const Change& b) {
        return a.word != b.word ? a.word < b.word : a.entry < b.entry;
    });
    std::vector<WordEntry> stored, added, removed, updated;
    for (size_t first = 0; first < changes_.size();) {
        const std::string& word = changes_[first].word;
        added.clear();
        removed.clear();
        size_t next = first;
        while (next < changes_.size() && changes_[next].word == word) {
            const WordEntry& entry = changes_[next].entry;
            int sum = 0;
            for (; next < changes_.size() && changes_[next].word == word &&
                   changes_[next].entry == entry;
                 ++next)
                sum += changes_[next].delta;
            if (sum > 0) added.push_back(entry);
            if (sum < 0) removed.push_back(entry);
        }
        first = next;
        if (added.empty() && removed.empty()) continue;
        size_t parts = 0;
        if (int32_t error = read_word(db, word, &stored, &parts)) return error;
        updated.clear();
        std::set_difference(stored.begin(), stored.end(), removed.begin(), removed.end(),
                            std::back_inserter(updated));
        const size_t kept = updated.size();
        updated.insert(updated.end(), added.begin(), added.end());
        std::inplace_merge(updated.begin(), updated.begin() + static_cast<ptrdiff_t>(kept),
                           updated.end());
        updated.erase(std::unique(updated.begin(), updated.end()), updated.end());
        if (updated != stored)
            if (int32_t error = write_word(db, word, updated, parts)) return error;
    }
    changes_.clear();
    return store::kDbOk;
}

}  // namespace orvane::addressbook
