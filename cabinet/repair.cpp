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
#include "cabinet/messages.h"
#include "cabinet/record_walk.h"
#include "cabinet/stored_text.h"
#include "platform/bytes.h"
#include "platform/clock.h"

namespace orvane::cabinet {

using namespace store;
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

bool Cabinet::repair(const RepairOptions& options, RepairReport* report_out) {
    if (refuse_if_read_only()) return false;
    if (options.ask && ui_.ask(message::kRepairQuestion, platform::Buttons::YesNo,
                               platform::Answer::No) != platform::Answer::Yes)
        return false;
    RepairReport report;
    bool repaired;
    {
        std::unique_ptr<platform::Progress> progress =
            ui_.start_progress("Repairing the filing cabinet");
        repaired = rebuild(progress.get(), &report);
    }
    if (!repaired) {
        ui_.message(message::kRepairFailed);
        return false;
    }
    if (!report.missing.empty()) {
        const int count = static_cast<int>(report.missing.size());
        const std::string node = options.node_name.empty() ? "the node" : options.node_name;
        const int question = count == 1 ? message::kTextMissing : message::kTextsMissing;
        if (ui_.ask(question, platform::Buttons::YesNo, platform::Answer::No,
                    {count, node.c_str()}) == platform::Answer::Yes)
            queue_download(report.missing);
    }
    if (report_out) *report_out = std::move(report);
    return true;
}

bool Cabinet::rebuild(platform::Progress* progress, RepairReport* report) {
    engine_progress_->progress = progress;
    const int32_t repaired = DbRepair(db_);
    engine_progress_->progress = nullptr;
    if (repaired != kDbOk) return false;
    DbLockGuard lock(db_);
    if (lock.code() != kDbOk) return false;

    if (read_header() != kDbOk) {
        header_ = CabinetHeader{};
        header_.fixed_box_numbers = static_cast<uint8_t>(box::kFirstUserBox);
    }
    if (header_.fixed_box_numbers == 0) header_.fixed_box_numbers = kOldFixedBoxNumbers;
    header_changed_ = true;

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
    if (code != kDbOk) return false;

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
    if (code != kDbOk) return false;

    std::unordered_map<uint16_t, RebuiltList> rebuilt;
    std::unordered_set<TextId> present;
    TextId highest_local = 0;
    bool failed = false;
    code = walk_records(db_, &kTextPrefix, 1, [&](const WalkedRecord& record) {
        const TextId id = record.key_length == 5 ? platform::load_be32(record.key + 1) : 0;
        std::optional<TextRecord> text;
        if (record.key_length == 5) text = decode_stored_text(record.data, record.data_length, id);
        if (!text) {
            if (DbDelete(db_, record.key, record.key_length) != kDbOk) failed = true;
            ++report->deleted_records;
            return failed ? WalkStep::kStop : WalkStep::kNext;
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
                    ui_.message(message::kCabinetFull);
                    failed = true;
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
                ui_.message(message::kBoxFull, {table_.find(number)->name.c_str()});
                failed = true;
                return WalkStep::kStop;
            }
            list.ids.push_back(id);
            list.stamps[id] = text_stamp(*text);
        }
        present.insert(id);
        if (changed) {
            const std::optional<std::vector<uint8_t>> bytes = encode_stored_text(*text);
            if (!bytes ||
                DbPut(db_, record.key, record.key_length, bytes->data(), bytes->size()) != kDbOk) {
                failed = true;
                return WalkStep::kStop;
            }
        }
        ++report->texts;
        if (progress && report->texts % kProgressEvery == 0 &&
            !progress->update(report->texts, 0, "Text " + std::to_string(id)))
            failed = true;
        return failed ? WalkStep::kStop : WalkStep::kNext;
    });
    if (code != kDbOk || failed) return false;

    if (header_.local_counter < highest_local || header_.local_counter >= kLocalIdLimit)
        header_.local_counter = highest_local;

    // Every box gets its lists rewritten; lists of boxes that are gone go.
    for (const BoxEntry& entry : table_.entries()) old_lists.try_emplace(entry.number);
    for (const auto& [number, old_ids] : old_lists) {
        static const RebuiltList kEmpty;
        const auto found = rebuilt.find(number);
        if (!write_box_list(number,
                            merge_lists(old_ids, found == rebuilt.end() ? kEmpty : found->second)))
            return false;
        for (TextId id : old_ids)
            if (!present.contains(id)) report->missing.push_back(id);
    }
    std::sort(report->missing.begin(), report->missing.end());
    report->missing.erase(std::unique(report->missing.begin(), report->missing.end()),
                          report->missing.end());

    for (uint16_t number : initial_boxes())
        if (!ensure_fixed_box(number)) return false;
    table_.order_for_display();
    table_.mark_all_changed();
    table_changed_ = true;
    return write_back();
}

bool Cabinet::queue_download(const std::vector<TextId>& missing) {
    constexpr const char* kCommand = "@down";
    std::string line = kCommand;
    for (size_t i = 0; i < missing.size(); ++i) {
        line.push_back(' ');
        line.append(std::to_string(texts::number_of(missing[i])));
        if (line.size() <= kDownloadLineLimit && i + 1 < missing.size()) continue;
        line += "\n";
        TextRecord command;
        command.id = next_local_id();
        command.date = static_cast<uint32_t>(platform::now_utc());
        command.kind_flags = texts::with_text_kind(0, texts::TextKind::kNewText);
        command.subject = "Download missing texts";
        command.body = line;
        if (!file_text(command, box::kOutBasket)) return false;
        line = kCommand;
    }
    return write_back();
}

}  // namespace orvane::cabinet
