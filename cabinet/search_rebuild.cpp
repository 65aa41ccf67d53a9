// Rebuilding and deleting the search index.
//
// A rebuild clears byte 9 in a committed period of its own before it
// touches a word, and sets it again only after the last merge has been
// committed; whatever stops it in between (cancel, error, a killed process)
// leaves an index that says it is not up to date.
#include <algorithm>
#include <iterator>
#include <memory>

#include "cabinet/cabinet.h"
#include "cabinet/keys.h"
#include "cabinet/record_walk.h"
#include "cabinet/search_index.h"
#include "cabinet/stored_text.h"
#include "platform/bytes.h"

namespace orvane::cabinet {

using namespace store;
using platform::MessageId;
using platform::Result;
using platform::Status;
using texts::TextId;

namespace {

constexpr uint32_t kProgressEvery = 8;
const char kUpToDateNote[] = "\n\n(Note: The search index is up-to-date.)";

// The texts the walk will meet, for the progress: the box lists' lengths (a
// text in several boxes counts more than once).
uint64_t estimated_texts(Cabinet& cabinet) {
    uint64_t total = 0;
    for (const BoxEntry& entry : cabinet.boxes().entries()) {
        if (entry.is_directory()) continue;
        Result<uint32_t> count = cabinet.text_count(entry.number);
        if (count.ok()) total += *count;
    }
    return total;
}

}  // namespace

Status SearchIndex::delete_words(platform::Progress* progress) {
    const uint8_t first[1] = {kFirstIndexKeyByte};
    uint8_t last[kDbMaxKey];
    std::fill(std::begin(last), std::end(last), 0xFF);
    cabinet_.engine_progress_->progress = progress;
    const int32_t code = DbDeleteRange(cabinet_.db_, first, sizeof first, last, sizeof last);
    cabinet_.engine_progress_->progress = nullptr;
    if (code == kDbAborted) return Status::cancelled();
    if (code != kDbOk) return engine_error("deleting the search index", code);
    return Status();
}

Status SearchIndex::remove() {
    if (Status status = cabinet_.check_writable(); !status.ok()) return status;
    pending_.clear();
    // Off first: a delete that stops half-way leaves words nobody reads.
    if (Status status = set_header(false, false); !status.ok()) return status;
    std::unique_ptr<platform::Progress> progress =
        cabinet_.policy_.progress("Deleting the existing search index");
    return delete_words(progress.get());
}

Status SearchIndex::rebuild(bool ask) {
    if (Status status = cabinet_.check_writable(); !status.ok()) return status;
    if (ask) {
        const platform::Answer answer =
            cabinet_.policy_.decide({MessageId::kSearchRebuildQuestion,
                                     {up_to_date() ? kUpToDateNote : ""},
                                     platform::Buttons::YesNo,
                                     platform::Answer::No});
        if (answer != platform::Answer::Yes) return Status::cancelled();
    }
    pending_.clear();
    const uint64_t stale_before = stale_merges_;
    std::unique_ptr<platform::Progress> progress =
        cabinet_.policy_.progress("Rebuilding the search index");
    if (Status status = set_header(true, false); !status.ok()) return status;
    if (Status status = delete_words(progress.get()); !status.ok()) return status;

    const uint64_t total = estimated_texts(cabinet_);
    uint64_t done = 0;
    Status failed;
    const int32_t code =
        walk_records(cabinet_.db_, &kTextPrefix, 1, [&](const WalkedRecord& record) {
            if (record.key_length != 5) {
                if (const int32_t deleted = DbDelete(cabinet_.db_, record.key, record.key_length))
                    failed = engine_error("deleting a damaged text", deleted);
                return failed.ok() ? WalkStep::kNext : WalkStep::kStop;
            }
            const TextId id = platform::load_be32(record.key + 1);
            const std::optional<texts::TextRecord> text =
                decode_stored_text(record.data, record.data_length, id);
            if (text) {
                for (const std::string& key : keys_of(*text)) {
                    if (pending_.memory_short()) failed = merge_pending(progress.get());
                    if (!failed.ok()) return WalkStep::kStop;
                    pending_.record(key, id, true);
                }
            }
            ++done;
            if (done % kProgressEvery == 0 && progress &&
                !progress->update(std::min(done, total), total, "Text " + std::to_string(id)))
                failed = Status::cancelled();
            return failed.ok() ? WalkStep::kNext : WalkStep::kStop;
        });
    if (failed.ok() && code != kDbOk) failed = engine_error("rebuilding the search index", code);
    if (failed.ok()) failed = merge_pending(progress.get());
    pending_.clear();
    if (!failed.ok()) return failed;
    // A word the merges could not keep leaves the index incomplete.
    if (stale_merges_ != stale_before) return Status();
    return set_header(std::nullopt, true);
}

}  // namespace orvane::cabinet
