// Repairing the cabinet: the database first, then the box table and every
// box list are rebuilt from what the texts say about themselves.
#include <algorithm>
#include <map>
#include <unordered_map>
#include <unordered_set>

#include "cabinet/cabinet.h"
#include "cabinet/db_lock.h"
#include "cabinet/fixed_boxes.h"
#include "cabinet/keys.h"
#include "cabinet/record_walk.h"
#include "cabinet/search_index.h"
#include "cabinet/stored_text.h"
#include "platform/bytes.h"

namespace orvane::cabinet {

using namespace store;
using platform::MessageId;
using platform::Status;
using texts::TextId;
using texts::TextRecord;

namespace {

constexpr uint32_t kProgressEvery = 1024;
constexpr size_t kDownloadLineLimit = 240;

// The texts found for one box, in the order the walk met them.
struct RebuiltList {
    std::vector<TextId> ids;
    std::unordered_map<TextId, uint32_t> stamps;
};

// The new list: texts of the old list that are still there keep their
// order, the others follow as found.
BoxList merge_lists(const std::vector<TextId>& old_ids, const RebuiltList& rebuilt) {
    BoxList list;
    std::unordered_set<TextId> placed;
    auto place = [&](TextId id) {
        const auto found = rebuilt.stamps.find(id);
        if (found == rebuilt.stamps.end() || !placed.insert(id).second) return;
        list.ids.push_back(id);
        list.stamps.push_back(found->second);
    };
    for (TextId id : old_ids) place(id);
    for (TextId id : rebuilt.ids) place(id);
    return list;
}

}  // namespace

Status Cabinet::repair(const RepairOptions& options, RepairReport* report_out) {
    if (Status status = check_writable(); !status.ok()) return status;
    RepairReport report;
    Status rebuilt;
    {
        std::unique_ptr<platform::Progress> progress =
            policy_.progress("Repairing the filing cabinet");
        rebuilt = rebuild(progress.get(), &report);
    }
    if (rebuilt.is_cancelled()) return rebuilt;
    if (!rebuilt.ok()) return Status::message(MessageId::kRepairFailed);
    if (Status indexed = search_index_->offer_rebuild(); !indexed.ok()) return indexed;
    std::vector<TextId> downloadable;
    for (TextId id : report.missing)
        if (options.node_key != 0 && texts::node_key_of(id) == options.node_key)
            downloadable.push_back(id);
    if (!downloadable.empty()) {
        const int count = static_cast<int>(downloadable.size());
        const platform::Answer answer =
            policy_.decide({count == 1 ? MessageId::kTextMissing : MessageId::kTextsMissing,
                            {count, options.node_name},
                            platform::Buttons::YesNo,
                            platform::Answer::No});
        if (answer == platform::Answer::Yes) {
            if (Status queued = queue_download(downloadable); !queued.ok()) return queued;
        }
    }
    if (report_out) *report_out = std::move(report);
    return Status();
}

Status Cabinet::rebuild(platform::Progress* progress, RepairReport* report) {
    engine_progress_->progress = progress;
    const int32_t repaired = DbRepair(db_);
    engine_progress_->progress = nullptr;
    if (repaired == kDbAborted) return Status::cancelled();
    if (repaired != kDbOk) return engine_error("repairing the cabinet", repaired);
    DbLockGuard lock(db_);
    if (lock.code() != kDbOk) return engine_error("repairing the cabinet", lock.code());

    if (read_header() != kDbOk) {
        header_ = CabinetHeader{};
        header_.fixed_box_numbers = static_cast<uint8_t>(box::kFirstUserBox);
    }
    if (header_.fixed_box_numbers == 0) header_.fixed_box_numbers = kOldFixedBoxNumbers;
    header_changed_ = true;
    search_index_->repaired();

    // The table as far as it is there, then an entry for every box record
    // that has none.
    std::vector<BoxEntry> entries;
    if (read_box_table(&entries, true) != kDbOk) entries.clear();
    std::vector<BoxEntry> unique;
    std::unordered_set<uint16_t> numbers;
    for (BoxEntry& entry : entries)
        if (numbers.insert(entry.number).second) unique.push_back(std::move(entry));
    table_.assign(std::move(unique));
    const uint8_t record_prefix = kBoxRecordPrefix;
    int32_t code = walk_records(db_, &record_prefix, 1, [&](const WalkedRecord& record) {
        BoxEntry entry;
        if (record.key_length == 3 && decode_box_record(record.data, record.data_length, &entry)) {
            entry.number = platform::load_be16(record.key + 1);
            if (!table_.contains(entry.number) && table_.size() < kMaxBoxEntries) {
                table_.append(std::move(entry));
                ++report->recreated_boxes;
            }
        }
        return WalkStep::kNext;
    });
    if (code != kDbOk) return engine_error("repairing the cabinet", code);

    // The old lists, to keep their order and to find the texts now gone.
    std::map<uint16_t, std::vector<TextId>> old_lists;
    const uint8_t list_prefix[2] = {kListPrefix, kTextList};
    code = walk_records(db_, list_prefix, 2, [&](const WalkedRecord& record) {
        if (record.key_length == 4) {
            std::vector<TextId>& ids = old_lists[platform::load_be16(record.key + 2)];
            for (size_t at = 0; at + 4 <= record.data_length; at += 4)
                ids.push_back(platform::load_le32(record.data + at));
        }
        return WalkStep::kNext;
    });
    if (code != kDbOk) return engine_error("repairing the cabinet", code);

    std::unordered_map<uint16_t, RebuiltList> rebuilt;
    std::unordered_set<TextId> present;
    TextId highest_local = 0;
    Status failed;
    code = walk_records(db_, &kTextPrefix, 1, [&](const WalkedRecord& record) {
        const TextId id = record.key_length == 5 ? platform::load_be32(record.key + 1) : 0;
        std::optional<TextRecord> text;
        if (record.key_length == 5) text = decode_stored_text(record.data, record.data_length, id);
        if (!text) {
            if (int32_t deleted = DbDelete(db_, record.key, record.key_length))
                failed = engine_error(deleting_text_phrase(id), deleted);
            ++report->deleted_records;
            return failed.ok() ? WalkStep::kNext : WalkStep::kStop;
        }
        if (id < kLocalIdLimit) highest_local = std::max(highest_local, id);
        bool changed = false;
        if (text->boxes.empty()) {
            text->boxes.push_back(box::kWasteBasket);
            changed = true;
        }
        std::vector<uint16_t> boxes;
        for (uint16_t number : text->boxes) {
            if (!table_.contains(number)) {
                BoxEntry entry;
                entry.number = number;
                entry.name = recovered_box_name(number);
                entry.flags = header_.new_box_flags & kSettingFlags;
                if (table_.size() >= kMaxBoxEntries) {
                    failed = Status::message(MessageId::kCabinetFull);
                    return WalkStep::kStop;
                }
                table_.append(std::move(entry));
                ++report->recreated_boxes;
            }
            if (table_.find(number)->is_directory()) {
                number = box::kFromDirectory;
                if (!table_.contains(number)) {
                    BoxEntry entry;
                    entry.number = number;
                    entry.name = recovered_box_name(number);
                    table_.append(std::move(entry));
                }
                changed = true;
            }
            if (std::find(boxes.begin(), boxes.end(), number) != boxes.end()) {
                changed = true;
                continue;
            }
            boxes.push_back(number);
        }
        text->boxes = std::move(boxes);
        for (uint16_t number : text->boxes) {
            RebuiltList& list = rebuilt[number];
            if (list.ids.size() >= kMaxBoxTexts) {
                failed = Status::message(MessageId::kBoxFull, {table_.find(number)->name});
                return WalkStep::kStop;
            }
            list.ids.push_back(id);
            list.stamps[id] = text_stamp(*text);
        }
        present.insert(id);
        if (changed) {
            const std::optional<std::vector<uint8_t>> bytes = encode_stored_text(*text);
            const int32_t put =
                bytes ? DbPut(db_, record.key, record.key_length, bytes->data(), bytes->size())
                      : kDbDataTooLong;
            if (put != kDbOk) {
                failed = engine_error(writing_text_phrase(id), put);
                return WalkStep::kStop;
            }
        }
        ++report->texts;
        if (progress && report->texts % kProgressEvery == 0 &&
            !progress->update(report->texts, 0, "Text " + std::to_string(id)))
            failed = Status::cancelled();
        return failed.ok() ? WalkStep::kNext : WalkStep::kStop;
    });
    if (!failed.ok()) return failed;
    if (code != kDbOk) return engine_error("repairing the cabinet", code);

    if (header_.local_counter < highest_local || header_.local_counter >= kLocalIdLimit)
        header_.local_counter = highest_local;

    // Every box gets its lists rewritten; lists of boxes that are gone go.
    for (const BoxEntry& entry : table_.entries()) old_lists.try_emplace(entry.number);
    for (const auto& [number, old_ids] : old_lists) {
        static const RebuiltList kEmpty;
        const auto found = rebuilt.find(number);
        if (Status status = write_box_list(
                number, merge_lists(old_ids, found == rebuilt.end() ? kEmpty : found->second));
            !status.ok())
            return status;
        for (TextId id : old_ids)
            if (!present.contains(id)) report->missing.push_back(id);
    }
    std::sort(report->missing.begin(), report->missing.end());
    report->missing.erase(std::unique(report->missing.begin(), report->missing.end()),
                          report->missing.end());

    for (uint16_t number : initial_boxes())
        if (Status status = ensure_fixed_box(number); !status.ok()) return status;
    table_.order_for_display();
    table_.mark_all_changed();
    table_changed_ = true;
    if (Status status = write_back(); !status.ok()) return status;
    if (const int32_t committed = lock.commit())
        return engine_error("repairing the cabinet", committed);
    return Status();
}

Status Cabinet::queue_download(const std::vector<TextId>& missing) {
    constexpr const char* kCommand = "@down";
    std::string line = kCommand;
    for (size_t i = 0; i < missing.size(); ++i) {
        line.push_back(' ');
        line.append(std::to_string(texts::number_of(missing[i])));
        if (line.size() <= kDownloadLineLimit && i + 1 < missing.size()) continue;
        line += "\n";
        platform::Result<TextId> id = next_local_id();
        if (!id.ok()) return id.take_status();
        TextRecord command;
        command.id = *id;
        command.date = static_cast<uint32_t>(env_.now_utc());
        command.kind_flags = texts::with_text_kind(0, texts::TextKind::kNewText);
        command.subject = "Download missing texts";
        command.body = line;
        if (Status status = file_text(command, box::kOutBasket); !status.ok()) return status;
        line = kCommand;
    }
    return write_back();
}

}  // namespace orvane::cabinet
