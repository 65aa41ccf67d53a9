// The word index of names: for every word of every stored name, a record
// of the objects whose names hold it (layout in records.h). Changes are
// gathered while objects are written and applied at the end of the group,
// each touched word read and written once, in key order.
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/records.h"
#include "store/db.h"

namespace orvane::addressbook {

// The index entries that `object`'s name makes, by word.
std::vector<std::pair<std::string, WordEntry>> word_entries_of(const AddressObject& object);

// Every entry of `word` from all its parts, sorted, each once; `*parts` is
// how many records hold them.
[[nodiscard]] int32_t read_word(store::DbHandle db, std::string_view word,
                                std::vector<WordEntry>* entries, size_t* parts = nullptr);
// Stores `entries` (sorted, each once) as the whole of `word`, in as many
// parts as they need, in place of the `stored_parts` it has; parts left
// over are removed, and so is the word when there are no entries.
[[nodiscard]] int32_t write_word(store::DbHandle db, std::string_view word,
                                 std::span<const WordEntry> entries, size_t stored_parts);

class WordIndexChanges {
  public:
    void add(const AddressObject& object);
    void remove(const AddressObject& object);
    bool empty() const { return changes_.empty(); }
    [[nodiscard]] int32_t apply(store::DbHandle db);

  private:
    struct Change {
        std::string word;
        WordEntry entry;
        int delta = 0;  // +1 add, -1 remove
    };
    // In the order made; apply() sorts them by word and entry and sums the
    // deltas, so that a remove and an add of one entry cancel out.
    std::vector<Change> changes_;
};

}  // namespace orvane::addressbook
