// Texts and the text lists of boxes.
#include <algorithm>

#include "cabinet/cabinet.h"
#include "cabinet/db_lock.h"
#include "cabinet/keys.h"
#include "cabinet/messages.h"
#include "cabinet/stored_text.h"
#include "platform/bytes.h"

namespace orvane::cabinet {

using namespace store;
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

std::optional<uint32_t> Cabinet::text_count(uint16_t box) {
    if (batch_depth_ > 0) {
        const BoxList* list = batch_list(box);
        return list ? std::optional<uint32_t>(static_cast<uint32_t>(list->ids.size()))
                    : std::nullopt;
    }
    const Key key = list_key(kTextList, box);
    size_t length = 0;
    const int32_t code =
        DbGet(db_, GET_EXACT, key.bytes, key.length, nullptr, nullptr, 0, nullptr, &length, 0);
    if (code == kDbNotFound) return 0;
    if (code != kDbOk) {
        engine_error(index_phrase("reading", box_name(box)), code);
        return std::nullopt;
    }
    return static_cast<uint32_t>(length / 4);
}

std::optional<BoxList> Cabinet::read_box_list(uint16_t box) {
    if (batch_depth_ > 0) {
        const BoxList* cached = batch_list(box);
        return cached ? std::optional<BoxList>(*cached) : std::nullopt;
    }
    BoxList list;
    std::vector<uint8_t> ids, stamps;
    int32_t code = get_whole(db_, list_key(kTextList, box), &ids);
    if (code == kDbOk) code = get_whole(db_, list_key(kStampList, box), &stamps);
    if (code == kDbNotFound) code = kDbOk;
    if (code != kDbOk) {
        engine_error(index_phrase("reading", box_name(box)), code);
        return std::nullopt;
    }
    const size_t count = ids.size() / 4;
    list.ids.resize(count);
    list.stamps.resize(count, 0);
    for (size_t i = 0; i < count; ++i) {
        list.ids[i] = platform::load_le32(&ids[i * 4]);
        if ((i + 1) * 4 <= stamps.size()) list.stamps[i] = platform::load_le32(&stamps[i * 4]);
    }
    return list;
}

bool Cabinet::write_box_list(uint16_t box, const BoxList& list) {
    if (refuse_if_read_only()) return false;
    if (batch_depth_ > 0) {
        batch_lists_[box] = list;
        return true;
    }
    return store_box_list(box, list);
}

BoxList* Cabinet::batch_list(uint16_t box) {
    if (auto found = batch_lists_.find(box); found != batch_lists_.end()) return &found->second;
    // Read outside the batch's view, straight from the file.
    --batch_depth_;
    std::optional<BoxList> list = read_box_list(box);
    ++batch_depth_;
    return list ? &(batch_lists_[box] = std::move(*list)) : nullptr;
}

bool Cabinet::begin_batch() {
    if (read_only_) return false;
    if (const int32_t code = DbLock(db_)) {
        engine_error("writing the cabinet", code);
        return false;
    }
    ++batch_depth_;
    return true;
}

bool Cabinet::end_batch() {
    bool ok = true;
    if (--batch_depth_ == 0) {
        for (const auto& [box, list] : batch_lists_) ok = store_box_list(box, list) && ok;
        batch_lists_.clear();
    }
    DbUnlock(db_);
    return ok;
}

bool Cabinet::store_box_list(uint16_t box, const BoxList& list) {
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
    if (code != kDbOk) {
        engine_error(index_phrase("writing", box_name(box)), code);
        return false;
    }
    return true;
}

std::optional<TextRecord> Cabinet::read_text(TextId id, bool for_update) {
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
    if (code == kDbNotFound) return std::nullopt;
    if (code != kDbOk) {
        if (code >= kDbKeyTooLong) engine_error(reading_text_phrase(id), code);
        return std::nullopt;
    }
    std::optional<TextRecord> text = decode_stored_text(buffer.data(), length, id);
    if (!text && !read_only_) {
        // A damaged text cannot be shown or repaired; it goes, so that it
        // cannot trouble the next reader either.
        DbLockGuard lock(db_);
        const int32_t deleted =
            lock.code() == kDbOk ? DbDelete(db_, key.bytes, key.length) : lock.code();
        if (deleted != kDbOk && deleted != kDbNotFound)
            engine_error(deleting_text_phrase(id), deleted);
    }
    return text;
}

bool Cabinet::write_text(const TextRecord& text) {
    if (refuse_if_read_only()) return false;
    if (text.boxes.empty()) return delete_text_for_good(text);
    const std::optional<std::vector<uint8_t>> bytes = encode_stored_text(text);
    if (!bytes) {
        engine_error(writing_text_phrase(text.id), kDbDataTooLong);
        return false;
    }
    const Key key = text_key(text.id);
    DbLockGuard lock(db_);
    int32_t code = lock.code();
    if (code == kDbOk) code = DbPut(db_, key.bytes, key.length, bytes->data(), bytes->size());
    if (code != kDbOk) {
        engine_error(writing_text_phrase(text.id), code);
        return false;
    }
    return true;
}

bool Cabinet::delete_text_for_good(const TextRecord& text) {
    DbLockGuard lock(db_);
    unlink_deleted_text(text);
    const Key key = text_key(text.id);
    int32_t code = lock.code();
    if (code == kDbOk) code = DbDelete(db_, key.bytes, key.length);
    if (code != kDbOk && code != kDbNotFound) {
        engine_error(deleting_text_phrase(text.id), code);
        return false;
    }
    return true;
}

// Both change the list in place: the batch's copy, or one read for the
// purpose and written back.
bool Cabinet::add_to_list(uint16_t box, const TextRecord& text) {
    std::optional<BoxList> own;
    BoxList* list = batch_depth_ > 0             ? batch_list(box)
                    : (own = read_box_list(box)) ? &*own
                                                 : nullptr;
    if (!list) return false;
    if (std::find(list->ids.begin(), list->ids.end(), text.id) != list->ids.end()) return true;
    if (list->ids.size() >= kMaxBoxTexts) {
        ui_.message(message::kBoxFull, {box_name(box).c_str()});
        return false;
    }
    list->ids.push_back(text.id);
    list->stamps.push_back(text_stamp(text));
    return own ? write_box_list(box, *own) : true;
}

bool Cabinet::remove_from_list(uint16_t box, TextId id) {
    std::optional<BoxList> own;
    BoxList* list = batch_depth_ > 0             ? batch_list(box)
                    : (own = read_box_list(box)) ? &*own
                                                 : nullptr;
    if (!list) return false;
    const auto at = std::find(list->ids.begin(), list->ids.end(), id);
    if (at == list->ids.end()) return true;
    const auto index = at - list->ids.begin();
    list->ids.erase(at);
    list->stamps.erase(list->stamps.begin() + index);
    return own ? write_box_list(box, *own) : true;
}

bool Cabinet::file_text(TextRecord& text, uint16_t box) {
    if (refuse_if_read_only()) return false;
    const BoxEntry* entry = table_.find(box);
    if (!entry) {
        ui_.message(66, {"The box"});
        return false;
    }
    if (entry->is_directory()) {
        ui_.message(message::kDirectoryHoldsNoTexts, {entry->name.c_str()});
        return false;
    }
    DbLockGuard lock(db_);
    if (!add_to_list(box, text)) return false;
    if (std::find(text.boxes.begin(), text.boxes.end(), box) == text.boxes.end())
        text.boxes.push_back(box);
    if (write_text(text)) return true;
    remove_from_list(box, text.id);
    return false;
}

bool Cabinet::remove_from_box(TextId id, uint16_t box) {
    if (refuse_if_read_only()) return false;
    DbLockGuard lock(db_);
    std::optional<TextRecord> text = read_text(id, true);
    if (text) {
        std::erase(text->boxes, box);
        if (!write_text(*text)) return false;
    }
    return remove_from_list(box, id);
}

bool Cabinet::move_text(TextId id, uint16_t from, uint16_t to) {
    if (from == to) return true;
    return copy_text(id, to) && remove_from_box(id, from);
}

bool Cabinet::copy_text(TextId id, uint16_t to) {
    if (refuse_if_read_only()) return false;
    DbLockGuard lock(db_);
    std::optional<TextRecord> text = read_text(id, true);
    if (!text) {
        ui_.message(65, {("Text " + std::to_string(id)).c_str()});
        return false;
    }
    return file_text(*text, to);
}

bool Cabinet::move_all_texts(uint16_t from, uint16_t to) {
    std::optional<BoxList> list = read_box_list(from);
    if (!list) return false;
    DbLockGuard lock(db_);
    for (TextId id : list->ids) {
        std::optional<TextRecord> text = read_text(id, true);
        if (!text) continue;
        std::erase(text->boxes, from);
        if (!file_text(*text, to)) return false;
    }
    return write_box_list(from, BoxList{});
}

}  // namespace orvane::cabinet
