// Merging the pending word changes into the word records.
#include <memory>

#include "cabinet/cabinet.h"
#include "cabinet/db_lock.h"
#include "cabinet/search_index.h"
#include "cabinet/search_words.h"
#include "cabinet/whole_record.h"

namespace orvane::cabinet {

using namespace store;
using platform::MessageId;
using platform::Status;

namespace {

constexpr size_t kProgressEvery = 32;
// A merge of fewer words is quick and shows no progress of its own.
constexpr size_t kOwnProgressWords = 4096;

}  // namespace

Status SearchIndex::merge_pending(platform::Progress* outer) {
    if (pending_.empty()) return Status();
    const DbHandle db = cabinet_.db_;
    DbLockGuard lock(db);
    int32_t code = lock.code();
    // Word records are written uncompressed: the merge runs faster, and
    // lists of small differences gain little.
    if (code == kDbOk) code = DbSetOptions(db, 0);
    if (code != kDbOk) {
        pending_.clear();
        return engine_error("writing the search index", code);
    }

    const std::vector<const PendingChanges::Word*> words = pending_.words_in_order();
    std::unique_ptr<platform::Progress> own;
    platform::Progress* progress = outer;
    if (!progress && words.size() >= kOwnProgressWords) {
        own = cabinet_.policy_.progress("Updating the search index");
        progress = own.get();
    }
    std::vector<PostingChange> changes;
    std::vector<uint8_t> old;
    PostingWriter merged;
    Status status;
    bool stale = false, cancelled = false;
    for (size_t i = 0; i < words.size() && status.ok(); ++i) {
        if (progress && i % kProgressEvery == 0 && !progress->update(i, words.size())) {
            if (outer) {
                cancelled = true;
                break;
            }
            const platform::Answer answer = cabinet_.policy_.decide({MessageId::kSearchCancelUpdate,
                                                                     {},
                                                                     platform::Buttons::YesNo,
                                                                     platform::Answer::No});
            if (answer == platform::Answer::Yes) {
                stale = true;
                break;
            }
            progress = nullptr;  // going on as the user chose; not asking again
        }
        const std::string_view key = PendingChanges::key_of(words[i]);
        pending_.changes_of(words[i], &changes);
        code = read_whole_record(db, GET_EXACT_UPDATE, key.data(), key.size(), &old);
        const bool found = code == kDbOk;
        if (code != kDbOk && code != kDbNotFound) {
            status = engine_error("reading the search index", code);
            break;
        }
        merged.clear();
        if (!merge_postings(old, changes, &merged)) {
            // The damaged list is replaced by what the changes add; the
            // texts it held are lost to this word until a rebuild.
            cabinet_.policy_.notice(
                Status::message(MessageId::kSearchWordDamaged, {shown_key(key)}));
            stale = true;
        }
        if (merged.empty()) {
            code = found ? DbDelete(db, key.data(), key.size()) : kDbOk;
        } else {
            code = DbPut(db, key.data(), key.size(), merged.bytes().data(), merged.bytes().size());
            if (code == kDbDataTooLong && DbSetOptions(db, DB_COMPRESS) == kDbOk) {
                // Too long to store plainly; a list of small differences
                // compresses well.
                code =
                    DbPut(db, key.data(), key.size(), merged.bytes().data(), merged.bytes().size());
                if (const int32_t reset = DbSetOptions(db, 0); code == kDbOk) code = reset;
            }
            if (code == kDbDataTooLong) {
                cabinet_.policy_.notice(
                    Status::message(MessageId::kSearchWordTooCommon, {shown_key(key)}));
                stale = true;
                code = kDbOk;
            }
        }
        if (code != kDbOk) status = engine_error("writing the search index", code);
    }
    pending_.clear();
    code = DbSetOptions(db, compression_ ? DB_COMPRESS : 0);
    if (status.ok() && code != kDbOk) status = engine_error("writing the search index", code);
    if (stale) ++stale_merges_;
    if (status.ok() && stale) status = mark_not_up_to_date();
    if (!status.ok()) return status;
    if ((code = lock.commit()) != kDbOk) return engine_error("writing the search index", code);
    return cancelled ? Status::cancelled() : Status();
}

}  // namespace orvane::cabinet
