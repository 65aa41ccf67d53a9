// The search index of a cabinet: one record per word (a field prefix and the
// word, keys from "!" up) holding the ascending list of the texts that
// contain it. Header byte 10 says whether the cabinet keeps the index, byte
// 9 whether it is up to date.
//
// The cabinet tells the index about every text it stores or deletes for
// good, before it writes, in the same lock period. The index records the
// words that change and merges them into the word records before that
// period is committed: at once for a single text, when the batch commits
// for a FilingBatch, and sooner when its memory runs short. So a committed
// text always has its words committed with it, and a period that is
// abandoned takes its index changes with it.
//
// Whatever the index cannot keep true (a damaged word record, a cancelled
// update, texts changed while the index is off) clears byte 9, so that a
// search says the index needs a rebuild instead of answering wrongly. Byte 9
// is set again only at the end of a complete rebuild.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cabinet/index_options.h"
#include "cabinet/search.h"
#include "cabinet/search_pending.h"
#include "cabinet/search_query.h"
#include "platform/policy.h"
#include "platform/status.h"
#include "texts/text_record.h"

namespace orvane::cabinet {

class Cabinet;

struct IndexStatus {
    bool kept = false;
    bool up_to_date = false;
    uint64_t words = 0;  // word records
    uint64_t bytes = 0;  // their keys and data
};

class SearchIndex {
  public:
    explicit SearchIndex(Cabinet& cabinet);
    SearchIndex(const SearchIndex&) = delete;
    SearchIndex& operator=(const SearchIndex&) = delete;

    // `compression`: the cabinet's setting, restored after each merge.
    void configure(const IndexOptions& options, bool compression);
    const IndexOptions& options() const { return options_; }

    bool kept() const;
    bool up_to_date() const;
    // Whether `text` belongs in the index: not when its only box is the
    // Waste-Basket and the Waste-Basket is not searched.
    bool indexes(const texts::TextRecord& text) const;

    // --- Called by the cabinet, inside the lock period of the change ---
    // Text `id` is about to be stored as `stored` (its stored form), or to
    // be deleted for good (nullptr). Its stored copy gives the words it had.
    [[nodiscard]] platform::Status text_changing(texts::TextId id,
                                                 const std::vector<uint8_t>* stored);
    // A FilingBatch ends: merge its changes (commit) or forget them.
    [[nodiscard]] platform::Status batch_ending(bool commit);
    // A damaged text was deleted without its words leaving the index.
    [[nodiscard]] platform::Status text_lost();
    // A repair of the cabinet changed texts behind the index's back: byte 9
    // is cleared, to be written with the repaired header.
    void repaired();
    // After a repair: offers the rebuild when the cabinet keeps an index.
    // Declining is no failure.
    [[nodiscard]] platform::Status offer_rebuild();

    // --- Commands ---
    // Merges the pending changes into the word records in one lock period.
    [[nodiscard]] platform::Status flush();
    // Deletes the index and indexes every text again; with `ask`, only after
    // the user agrees. Switches the index on.
    [[nodiscard]] platform::Status rebuild(bool ask);
    // Deletes every word record and switches the index off.
    [[nodiscard]] platform::Status remove();
    // Switching on an index that is not up to date offers the rebuild.
    [[nodiscard]] platform::Status switch_on();
    [[nodiscard]] platform::Status switch_off();
    platform::Result<IndexStatus> status();

    // Runs a query. Refused when the index is off; an index that is not up
    // to date is searched all the same, and the result says so. A damaged
    // word record, or a text the index names that is not there, leaves the
    // index marked not up to date.
    platform::Result<SearchResult> search(const Query& query, const SearchOptions& options);

    // Clears byte 9 and writes the header (in the caller's period, if any).
    [[nodiscard]] platform::Status mark_not_up_to_date();

    size_t pending_words() const { return pending_.word_count(); }

  private:
    [[nodiscard]] platform::Status record(texts::TextId id,
                                          const std::vector<std::string>& old_keys,
                                          const std::vector<std::string>& new_keys);
    // Merges before the next word when memory runs short.
    [[nodiscard]] platform::Status make_room();
    // `outer`: the progress of a longer operation to report to (its cancel
    // stops the merge); without it a long merge shows its own.
    [[nodiscard]] platform::Status merge_pending(platform::Progress* outer);
    [[nodiscard]] platform::Status delete_words(platform::Progress* progress);
    [[nodiscard]] platform::Status set_header(std::optional<bool> kept,
                                              std::optional<bool> up_to_date);
    platform::Status engine_error(const std::string& action, int32_t code) const;
    // Clears byte 9 when the engine has repaired the file on its own since.
    [[nodiscard]] platform::Status notice_engine_repair();
    // The keys the stored copy of `id` gave the index: none when there is
    // no copy; unknown when the copy is damaged.
    struct StoredKeys {
        std::vector<std::string> keys;
        bool damaged = false;
    };
    platform::Result<StoredKeys> stored_keys(texts::TextId id);
    std::vector<std::string> keys_of(const texts::TextRecord& text) const;

    Cabinet& cabinet_;
    IndexOptions options_;
    bool compression_ = true;
    PendingChanges pending_;
    uint64_t stale_merges_ = 0;  // merges that could not keep every word
};

}  // namespace orvane::cabinet
