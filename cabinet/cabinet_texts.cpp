// Texts and the text lists of boxes.
#include <algorithm>

#include "cabinet/cabinet.h"
#include "cabinet/db_lock.h"
#include "cabinet/keys.h"
#include "cabinet/search_index.h"
#include "cabinet/stored_text.h"
#include "platform/bytes.h"

namespace orvane::cabinet {

using namespace store;
using platform::MessageId;
using platform::Result;
using platform::Status;
using texts::TextId;
using texts::TextRecord;

namespace {

std::string index_phrase(const char* verb, const std::string& name) {
    return std::string(verb) + " the index of '" + name + "'";
}

int32_t get_whole(DbHandle db, const Key& key, std::vector<uint8_t>* data) {
    size_t length = 0;
    int32_t code =
        DbGet(db, GET_EXACT, key.bytes, key.length, nullptr, nullptr, 0, nullptr, &length, 0);
    if (code != kDbOk) return code;
    data->resize(length);
    if (length == 0) return kDbOk;
    return DbGet(db, GET_CURRENT, nullptr, 0, nullptr, nullptr, 0, data->data(), &length,
                 data->size());
}

std::vector<uint8_t> encode_u32s(const std::vector<uint32_t>& values) {
    std::vector<uint8_t> bytes(values.size() * 4);
    for (size_t i = 0; i < values.size(); ++i) platform::store_le32(&bytes[i * 4], values[i]);
    return bytes;
}

}  // namespace

Result<uint32_t> Cabinet::text_count(uint16_t box) {
    if (batch_depth_ > 0) {
        Result<BoxList*> list = batch_list(box);
        if (!list.ok()) return list.take_status();
        return static_cast<uint32_t>((*list)->ids.size());
    }
    const Key key = list_key(kTextList, box);
    size_t length = 0;
    const int32_t code =
        DbGet(db_, GET_EXACT, key.bytes, key.length, nullptr, nullptr, 0, nullptr, &length, 0);
    if (code == kDbNotFound) return 0u;
    if (code != kDbOk) return engine_error(index_phrase("reading", box_name(box)), code);
    return static_cast<uint32_t>(length / 4);
}

Result<BoxList> Cabinet::read_box_list(uint16_t box) {
    if (batch_depth_ > 0) {
        Result<BoxList*> cached = batch_list(box);
        if (!cached.ok()) return cached.take_status();
        return **cached;
    }
    BoxList list;
    std::vector<uint8_t> ids, stamps;
    int32_t code = get_whole(db_, list_key(kTextList, box), &ids);
    if (code == kDbOk) code = get_whole(db_, list_key(kStampList, box), &stamps);
    if (code == kDbNotFound) code = kDbOk;
    if (code != kDbOk) return engine_error(index_phrase("reading", box_name(box)), code);
    const size_t count = ids.size() / 4;
    list.ids.resize(count);
    list.stamps.resize(count, 0);
    for (size_t i = 0; i < count; ++i) {
        list.ids[i] = platform::load_le32(&ids[i * 4]);
        if ((i + 1) * 4 <= stamps.size()) list.stamps[i] = platform::load_le32(&stamps[i * 4]);
    }
    return list;
}

Status Cabinet::write_box_list(uint16_t box, const BoxList& list) {
    if (Status status = check_writable(); !status.ok()) return status;
    if (batch_depth_ > 0) {
        batch_lists_[box] = list;
        return Status();
    }
    return store_box_list(box, list);
}

Result<BoxList*> Cabinet::batch_list(uint16_t box) {
    if (auto found = batch_lists_.find(box); found != batch_lists_.end()) return &found->second;
    // Read outside the batch's view, straight from the file.
    --batch_depth_;
    Result<BoxList> list = read_box_list(box);
    ++batch_depth_;
    if (!list.ok()) return list.take_status();
    return &(batch_lists_[box] = std::move(*list));
}

Status Cabinet::begin_batch() {
    if (Status status = check_writable(); !status.ok()) return status;
    if (const int32_t code = DbLock(db_)) return engine_error("writing the cabinet", code);
    ++batch_depth_;
    return Status();
}

Status Cabinet::end_batch(bool commit) {
    Status status;
    if (--batch_depth_ == 0) {
        status = search_index_->batch_ending(commit);
        for (const auto& [box, list] : batch_lists_) {
            if (!commit || !status.ok()) break;
            status = store_box_list(box, list);
        }
        batch_lists_.clear();
    }
    if (!commit || !status.ok()) {
        DbAbandon(db_);
        return status;
    }
    if (const int32_t code = DbUnlock(db_)) return engine_error("writing the cabinet", code);
    return Status();
}

Status Cabinet::store_box_list(uint16_t box, const BoxList& list) {
    DbLockGuard lock(db_);
    int32_t code = lock.code();
    const Key ids_key = list_key(kTextList, box);
    const Key stamps_key = list_key(kStampList, box);
    if (code == kDbOk && list.ids.empty()) {
        code = DbDelete(db_, ids_key.bytes, ids_key.length);
        if (code == kDbOk || code == kDbNotFound)
            code = DbDelete(db_, stamps_key.bytes, stamps_key.length);
        if (code == kDbNotFound) code = kDbOk;
    } else if (code == kDbOk) {
        const std::vector<uint8_t> ids = encode_u32s(list.ids);
        std::vector<uint32_t> stamps = list.stamps;
        stamps.resize(list.ids.size(), 0);
        const std::vector<uint8_t> stamp_bytes = encode_u32s(stamps);
        code = DbPut(db_, ids_key.bytes, ids_key.length, ids.data(), ids.size());
        if (code == kDbOk)
            code = DbPut(db_, stamps_key.bytes, stamps_key.length, stamp_bytes.data(),
                         stamp_bytes.size());
    }
    if (code == kDbOk) code = lock.commit();
    if (code != kDbOk) return engine_error(index_phrase("writing", box_name(box)), code);
    return Status();
}

Result<std::optional<TextRecord>> Cabinet::read_text(TextId id, bool for_update) {
    const Key key = text_key(id);
    std::vector<uint8_t> buffer(kFirstReadSize);
    size_t length = 0;
    int32_t code = DbGet(db_, for_update ? GET_EXACT_UPDATE : GET_EXACT, key.bytes, key.length,
                         nullptr, nullptr, 0, buffer.data(), &length, buffer.size());
    ++text_reads_;
    const size_t stored = code == kDbOk ? stored_text_length(buffer.data(), length) : 0;
    if (code == kDbOk && stored > buffer.size()) {
        buffer.resize(stored);
        code = DbGet(db_, GET_CURRENT, nullptr, 0, nullptr, nullptr, 0, buffer.data(), &length,
                     buffer.size());
        ++text_reads_;
    }
    if (code == kDbNotFound || code == kDbNoNext) return std::optional<TextRecord>();
    if (code != kDbOk) return engine_error(reading_text_phrase(id), code);
    std::optional<TextRecord> text = decode_stored_text(buffer.data(), length, id);
    if (text) return text;
    if (!read_only_) {
        // A damaged text cannot be shown or repaired; it goes, so that it
        // cannot trouble the next reader either.
        DbLockGuard lock(db_);
        int32_t deleted = lock.code() == kDbOk ? DbDelete(db_, key.bytes, key.length) : lock.code();
        if (deleted == kDbOk) deleted = lock.commit();
        if (deleted != kDbOk && deleted != kDbNotFound)
            return engine_error(deleting_text_phrase(id), deleted);
        if (Status status = search_index_->text_lost(); !status.ok()) return status;
    }
    return Status::message(MessageId::kTextDamaged, {std::to_string(id)});
}

Status Cabinet::write_text(const TextRecord& text) {
    if (Status status = check_writable(); !status.ok()) return status;
    if (text.boxes.empty()) return delete_text_for_good(text);
    const std::optional<std::vector<uint8_t>> bytes = encode_stored_text(text);
    if (!bytes) return engine_error(writing_text_phrase(text.id), kDbDataTooLong);
    const Key key = text_key(text.id);
    DbLockGuard lock(db_);
    int32_t code = lock.code();
    if (code != kDbOk) return engine_error(writing_text_phrase(text.id), code);
    if (Status indexed = search_index_->text_changing(text.id, &*bytes); !indexed.ok())
        return indexed;
    code = DbPut(db_, key.bytes, key.length, bytes->data(), bytes->size());
    if (code == kDbOk) code = lock.commit();
    if (code != kDbOk) return engine_error(writing_text_phrase(text.id), code);
    return Status();
}

Status Cabinet::delete_text_for_good(const TextRecord& text) {
    DbLockGuard lock(db_);
    if (lock.code() != kDbOk) return engine_error(deleting_text_phrase(text.id), lock.code());
    if (Status status = unlink_deleted_text(text); !status.ok()) return status;
    if (Status status = search_index_->text_changing(text.id, nullptr); !status.ok()) return status;
    const Key key = text_key(text.id);
    int32_t code = DbDelete(db_, key.bytes, key.length);
    if (code == kDbNotFound) code = kDbOk;
    if (code == kDbOk) code = lock.commit();
    if (code != kDbOk) return engine_error(deleting_text_phrase(text.id), code);
    return Status();
}

Result<BoxList*> Cabinet::list_to_change(uint16_t box, BoxList* own) {
    if (batch_depth_ > 0) return batch_list(box);
    Result<BoxList> read = read_box_list(box);
    if (!read.ok()) return read.take_status();
    *own = std::move(*read);
    return own;
}

Status Cabinet::add_to_list(uint16_t box, const TextRecord& text) {
    BoxList own;
    Result<BoxList*> changed = list_to_change(box, &own);
    if (!changed.ok()) return changed.take_status();
    BoxList& list = **changed;
    if (std::find(list.ids.begin(), list.ids.end(), text.id) != list.ids.end()) return Status();
    if (list.ids.size() >= kMaxBoxTexts)
        return Status::message(MessageId::kBoxFull, {box_name(box)});
    list.ids.push_back(text.id);
    list.stamps.push_back(text_stamp(text));
    return batch_depth_ > 0 ? Status() : write_box_list(box, own);
}

Status Cabinet::remove_from_list(uint16_t box, TextId id) {
    BoxList own;
    Result<BoxList*> changed = list_to_change(box, &own);
    if (!changed.ok()) return changed.take_status();
    BoxList& list = **changed;
    const auto at = std::find(list.ids.begin(), list.ids.end(), id);
    if (at == list.ids.end()) return Status();
    list.stamps.erase(list.stamps.begin() + (at - list.ids.begin()));
    list.ids.erase(at);
    return batch_depth_ > 0 ? Status() : write_box_list(box, own);
}

Status Cabinet::file_text(TextRecord& text, uint16_t box) {
    if (Status status = check_writable(); !status.ok()) return status;
    const BoxEntry* entry = table_.find(box);
    if (!entry) return Status::message(MessageId::kIsInvalid, {"The box"});
    if (entry->is_directory())
        return Status::message(MessageId::kDirectoryHoldsNoTexts, {entry->name});
    // The list and the text change in one period: both or neither.
    DbLockGuard lock(db_);
    if (lock.code() != kDbOk) return engine_error(writing_text_phrase(text.id), lock.code());
    // A full box is refused before anything is written.
    BoxList own;
    Result<BoxList*> list = list_to_change(box, &own);
    if (!list.ok()) return list.take_status();
    const std::vector<TextId>& ids = (*list)->ids;
    if (ids.size() >= kMaxBoxTexts && std::find(ids.begin(), ids.end(), text.id) == ids.end())
        return Status::message(MessageId::kBoxFull, {box_name(box)});
    std::vector<uint16_t> boxes = text.boxes;
    if (std::find(boxes.begin(), boxes.end(), box) == boxes.end()) boxes.push_back(box);
    std::swap(text.boxes, boxes);
    Status status = write_text(text);
    if (status.ok()) status = add_to_list(box, text);
    if (status.ok() && lock.commit() != kDbOk)
        status = engine_error(writing_text_phrase(text.id), kDbWriteError);
    if (!status.ok()) std::swap(text.boxes, boxes);  // the caller's record as it was
    return status;
}

Status Cabinet::remove_from_box(TextId id, uint16_t box) {
    if (Status status = check_writable(); !status.ok()) return status;
    DbLockGuard lock(db_);
    if (lock.code() != kDbOk) return engine_error(writing_text_phrase(id), lock.code());
    Result<std::optional<TextRecord>> text = read_text(id, true);
    if (!text.ok() && text.status().id() != MessageId::kTextDamaged) return text.take_status();
    if (text.ok() && *text) {
        std::erase((*text)->boxes, box);
        if (Status status = write_text(**text); !status.ok()) return status;
    }
    if (Status status = remove_from_list(box, id); !status.ok()) return status;
    if (const int32_t code = lock.commit()) return engine_error(writing_text_phrase(id), code);
    return Status();
}

Status Cabinet::move_text(TextId id, uint16_t from, uint16_t to) {
    if (from == to) return Status();
    DbLockGuard lock(db_);
    if (lock.code() != kDbOk) return engine_error(writing_text_phrase(id), lock.code());
    if (Status status = copy_text(id, to); !status.ok()) return status;
    if (Status status = remove_from_box(id, from); !status.ok()) return status;
    if (const int32_t code = lock.commit()) return engine_error(writing_text_phrase(id), code);
    return Status();
}

Status Cabinet::copy_text(TextId id, uint16_t to) {
    if (Status status = check_writable(); !status.ok()) return status;
    DbLockGuard lock(db_);
    if (lock.code() != kDbOk) return engine_error(reading_text_phrase(id), lock.code());
    Result<std::optional<TextRecord>> text = read_text(id, true);
    if (!text.ok()) return text.take_status();
    if (!*text) return Status::message(MessageId::kIsMissing, {"Text " + std::to_string(id)});
    if (Status status = file_text(**text, to); !status.ok()) return status;
    if (const int32_t code = lock.commit()) return engine_error(writing_text_phrase(id), code);
    return Status();
}

Status Cabinet::move_all_texts(uint16_t from, uint16_t to) {
    Result<BoxList> list = read_box_list(from);
    if (!list.ok()) return list.take_status();
    DbLockGuard lock(db_);
    if (lock.code() != kDbOk) return engine_error("writing the cabinet", lock.code());
    for (TextId id : list->ids) {
        Result<std::optional<TextRecord>> text = read_text(id, true);
        if (!text.ok() && text.status().id() == MessageId::kTextDamaged) {
            policy_.notice(text.status());
            continue;
        }
        if (!text.ok()) return text.take_status();
        if (!*text) continue;
        std::erase((*text)->boxes, from);
        if (Status status = file_text(**text, to); !status.ok()) return status;
    }
    if (Status status = write_box_list(from, BoxList{}); !status.ok()) return status;
    if (const int32_t code = lock.commit()) return engine_error("writing the cabinet", code);
    return Status();
}

}  // namespace orvane::cabinet
