#include "addressbook/word_index.h"

#include <algorithm>

#include "addressbook/db_access.h"
#include "addressbook/name_words.h"
#include "platform/bytes.h"

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

int32_t read_word(store::DbHandle db, std::string_view word, std::vector<WordEntry>* entries) {
    entries->clear();
    std::string key = word_key(word);
    std::string data;
    int32_t result = get_at_or_after(db, key, &key, &data);
    while (result == store::kDbOk || result == store::kDbNotFound) {
        const std::optional<WordKey> found = parse_word_key(key);
        if (!found || found->word != word) break;
        std::vector<WordEntry> part = decode_word_entries(data);
        entries->insert(entries->end(), part.begin(), part.end());
        result = get_next(db, key, &key, &data);
    }
    if (result != store::kDbOk && result != store::kDbNotFound && result != store::kDbNoNext)
        return result;
    sort_unique(*entries);
    return store::kDbOk;
}

int32_t write_word(store::DbHandle db, std::string_view word, std::span<const WordEntry> entries) {
    size_t part = 0;
    for (size_t at = 0; at < entries.size(); at += kWordPartEntries, ++part) {
        if (part > 255) return store::kDbDataTooLong;
        const size_t count = std::min(kWordPartEntries, entries.size() - at);
        const std::string data = encode_word_entries(entries.subspan(at, count));
        if (int32_t error = put_record(db, word_key(word, static_cast<uint8_t>(part)), data))
            return error;
    }
    // Parts the word no longer needs.
    for (; part <= 255; ++part) {
        const std::string key = word_key(word, static_cast<uint8_t>(part));
        const int32_t result = store::DbDelete(db, key.data(), key.size());
        if (result == store::kDbNotFound || result == store::kDbNoNext) break;
        if (result != store::kDbOk) return result;
    }
    return store::kDbOk;
}

void WordIndexChanges::add(const AddressObject& object) {
    for (auto& [word, entry] : word_entries_of(object)) ++words_[word][entry];
}

void WordIndexChanges::remove(const AddressObject& object) {
    for (auto& [word, entry] : word_entries_of(object)) --words_[word][entry];
}

int32_t WordIndexChanges::apply(store::DbHandle db) {
    std::vector<WordEntry> entries;
    for (const auto& [word, changes] : words_) {
        if (std::all_of(changes.begin(), changes.end(),
                        [](const auto& c) { return c.second == 0; }))
            continue;
        if (int32_t error = read_word(db, word, &entries)) return error;
        std::vector<WordEntry> updated;
        updated.reserve(entries.size() + changes.size());
        for (const WordEntry& entry : entries) {
            auto change = changes.find(entry);
            if (change == changes.end() || change->second >= 0) updated.push_back(entry);
        }
        for (const auto& [entry, count] : changes)
            if (count > 0) updated.push_back(entry);
        sort_unique(updated);
        if (updated != entries)
            if (int32_t error = write_word(db, word, updated)) return error;
    }
    words_.clear();
    return store::kDbOk;
}

int32_t rebuild_word_index(store::DbHandle db) {
    const std::string first(1, static_cast<char>(kWordRecord));
    const std::string last = first + std::string(10, '\xFF');
    if (int32_t error =
            store::DbDeleteRange(db, first.data(), first.size(), last.data(), last.size());
        error && error != store::kDbNotFound && error != store::kDbNoNext)
        return error;

    std::map<std::string, std::vector<WordEntry>> words;
    std::string key(1, static_cast<char>(kObjectRecord));
    std::string data;
    int32_t result = get_at_or_after(db, key, &key, &data);
    while (result == store::kDbOk || result == store::kDbNotFound) {
        if (static_cast<uint8_t>(key[0]) != kObjectRecord) break;
        if (key.size() == 4) {
            const auto number =
                platform::load_le16(reinterpret_cast<const uint8_t*>(key.data()) + 2);
            if (auto object = decode_object(static_cast<NodeKey>(key[1]), number, data))
                for (auto& [word, entry] : word_entries_of(*object)) words[word].push_back(entry);
        }
        result = get_next(db, key, &key, &data);
    }
    if (result != store::kDbOk && result != store::kDbNotFound && result != store::kDbNoNext)
        return result;
    for (auto& [word, entries] : words) {
        sort_unique(entries);
        if (int32_t error = write_word(db, word, entries)) return error;
    }
    return store::kDbOk;
}

}  // namespace orvane::addressbook
