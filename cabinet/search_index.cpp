// The search index's state in the header, and how text changes reach it.
#include "cabinet/search_index.h"

#include <algorithm>

#include "cabinet/cabinet.h"
#include "cabinet/fixed_boxes.h"
#include "cabinet/keys.h"
#include "cabinet/search_words.h"
#include "cabinet/stored_text.h"
#include "cabinet/whole_record.h"

namespace orvane::cabinet {

using namespace store;
using platform::MessageId;
using platform::Result;
using platform::Status;
using texts::TextId;
using texts::TextRecord;

SearchIndex::SearchIndex(Cabinet& cabinet)
    : cabinet_(cabinet), pending_(PendingChanges::chunks_for(IndexOptions{}.max_memory_kib)) {}

void SearchIndex::configure(const IndexOptions& options, bool compression) {
    options_ = options;
    compression_ = compression;
    pending_.set_max_chunks(PendingChanges::chunks_for(options.max_memory_kib));
}

bool SearchIndex::kept() const {
    return cabinet_.header_.index_kept != 0;
}

bool SearchIndex::up_to_date() const {
    return cabinet_.header_.index_up_to_date != 0;
}

bool SearchIndex::indexes(const TextRecord& text) const {
    const bool only_waste_basket = text.boxes.size() == 1 && text.boxes[0] == box::kWasteBasket;
    return !only_waste_basket || options_.index_waste_basket;
}

std::vector<std::string> SearchIndex::keys_of(const TextRecord& text) const {
    if (!indexes(text)) return {};
    return index_keys(text, options_.remove_re);
}

Status SearchIndex::engine_error(const std::string& action, int32_t code) const {
    return cabinet_.engine_error(action, code);
}

Status SearchIndex::set_header(std::optional<bool> kept, std::optional<bool> up_to_date) {
    CabinetHeader& header = cabinet_.header_;
    const uint8_t old_kept = header.index_kept, old_up_to_date = header.index_up_to_date;
    if (kept) header.index_kept = *kept ? 1 : 0;
    if (up_to_date) header.index_up_to_date = *up_to_date ? 1 : 0;
    if (header.index_kept == old_kept && header.index_up_to_date == old_up_to_date) return Status();
    cabinet_.header_changed_ = true;
    return cabinet_.write_back();
}

Status SearchIndex::mark_not_up_to_date() {
    if (cabinet_.read_only_) return Status();
    return set_header(std::nullopt, false);
}

Result<SearchIndex::StoredKeys> SearchIndex::stored_keys(TextId id) {
    const Key key = text_key(id);
    std::vector<uint8_t> data;
    const int32_t code = read_whole_record(cabinet_.db_, GET_EXACT, key.bytes, key.length, &data);
    StoredKeys stored;
    if (code == kDbNotFound) return stored;
    if (code != kDbOk) return engine_error(reading_text_phrase(id), code);
    std::optional<TextRecord> text = decode_stored_text(data.data(), data.size(), id);
    if (text)
        stored.keys = keys_of(*text);
    else
        stored.damaged = true;
    return stored;
}

Status SearchIndex::text_changing(TextId id, const std::vector<uint8_t>* stored) {
    if (!kept()) return mark_not_up_to_date();
    if (Status status = notice_engine_repair(); !status.ok()) return status;
    std::vector<std::string> new_keys;
    if (stored) {
        // The words of the text as stored, which is what a rebuild reads.
        std::optional<TextRecord> text = decode_stored_text(stored->data(), stored->size(), id);
        if (text) new_keys = keys_of(*text);
    }
    Result<StoredKeys> old = stored_keys(id);
    if (!old.ok()) return old.take_status();
    if (old->damaged) {
        // The words of a damaged copy are unknown and may stay behind.
        if (Status status = mark_not_up_to_date(); !status.ok()) return status;
    }
    if (Status status = record(id, old->keys, new_keys); !status.ok()) return status;
    return cabinet_.batch_depth_ > 0 ? Status() : merge_pending(nullptr);
}

Status SearchIndex::record(TextId id, const std::vector<std::string>& old_keys,
                           const std::vector<std::string>& new_keys) {
    // Both sorted: the words only in the old text leave, those only in the
    // new one come; the words of both stay as they are.
    auto old_at = old_keys.begin();
    auto new_at = new_keys.begin();
    while (old_at != old_keys.end() || new_at != new_keys.end()) {
        if (Status status = make_room(); !status.ok()) return status;
        if (new_at == new_keys.end() || (old_at != old_keys.end() && *old_at < *new_at)) {
            pending_.record(*old_at++, id, false);
        } else if (old_at == old_keys.end() || *new_at < *old_at) {
            pending_.record(*new_at++, id, true);
        } else {
            ++old_at, ++new_at;
        }
    }
    return Status();
}

Status SearchIndex::make_room() {
    return pending_.memory_short() ? merge_pending(nullptr) : Status();
}

Status SearchIndex::batch_ending(bool commit) {
    if (!commit) {
        pending_.clear();
        return Status();
    }
    return merge_pending(nullptr);
}

Status SearchIndex::text_lost() {
    return kept() ? mark_not_up_to_date() : Status();
}

void SearchIndex::repaired() {
    pending_.clear();
    cabinet_.engine_progress_->full_repair = false;
    cabinet_.header_.index_up_to_date = 0;
    cabinet_.header_changed_ = true;
}

Status SearchIndex::offer_rebuild() {
    if (!kept()) return Status();
    Status status = rebuild(true);
    return status.is_cancelled() ? Status() : status;
}

Status SearchIndex::notice_engine_repair() {
    if (!cabinet_.engine_progress_->full_repair) return Status();
    cabinet_.engine_progress_->full_repair = false;
    return kept() ? mark_not_up_to_date() : Status();
}

Status SearchIndex::flush() {
    if (Status status = cabinet_.check_writable(); !status.ok()) return status;
    return merge_pending(nullptr);
}

Status SearchIndex::switch_on() {
    if (Status status = cabinet_.check_writable(); !status.ok()) return status;
    if (Status status = set_header(true, std::nullopt); !status.ok()) return status;
    if (up_to_date()) return Status();
    const platform::Answer answer =
        cabinet_.policy_.decide({MessageId::kSearchSwitchedOnNotUpToDate,
                                 {},
                                 platform::Buttons::YesNo,
                                 platform::Answer::No});
    return answer == platform::Answer::Yes ? rebuild(false) : Status();
}

Status SearchIndex::switch_off() {
    if (Status status = cabinet_.check_writable(); !status.ok()) return status;
    return set_header(false, std::nullopt);
}

Result<SearchResult> SearchIndex::search(const Query& query, const SearchOptions& options) {
    if (!kept()) return Status::message(MessageId::kSearchIndexOff);
    if (Status status = notice_engine_repair(); !status.ok()) return status;
    // Only a filing batch holds changes back; its texts are found too.
    if (Status status = merge_pending(nullptr); !status.ok()) return status;
    Result<SearchResult> result = find_texts(cabinet_, query, options);
    if (!result.ok()) return result;
    if (result->gone_texts > 0 && up_to_date())
        cabinet_.policy_.notice(
            Status::message(MessageId::kSearchTextsGone, {static_cast<int>(result->gone_texts)}));
    if (result->damaged_lists > 0 || result->gone_texts > 0) {
        if (Status status = mark_not_up_to_date(); !status.ok()) return status;
    }
    result->index_up_to_date = up_to_date();
    return result;
}

Result<IndexStatus> SearchIndex::status() {
    if (Status noticed = notice_engine_repair(); !noticed.ok()) return noticed;
    IndexStatus status;
    status.kept = kept();
    status.up_to_date = up_to_date();
    uint8_t key[kDbMaxKey] = {kFirstIndexKeyByte};
    size_t key_length = 1;
    int mode = GET_AT_OR_AFTER;
    for (;;) {
        uint8_t found[kDbMaxKey];
        size_t found_length = 0, data_length = 0;
        int32_t code = DbGet(cabinet_.db_, mode, key, key_length, found, &found_length,
                             sizeof found, nullptr, &data_length, 0);
        if (mode == GET_AT_OR_AFTER && code == kDbNotFound && found_length > 0) code = kDbOk;
        if (code == kDbNoNext || code == kDbNotFound) break;
        if (code != kDbOk) return engine_error("reading the search index", code);
        mode = GET_NEXT;
        std::copy(found, found + found_length, key);
        key_length = found_length;
        ++status.words;
        status.bytes += found_length + data_length;
    }
    return status;
}

}  // namespace orvane::cabinet
