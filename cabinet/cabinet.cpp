// Opening, creating and closing a cabinet; the header and the box table.
#include "cabinet/cabinet.h"

#include <random>

#include "cabinet/db_lock.h"
#include "cabinet/fixed_boxes.h"
#include "cabinet/keys.h"
#include "cabinet/messages.h"
#include "platform/file.h"

namespace orvane::cabinet {

using namespace store;

namespace {

constexpr int kBlockSize = 4096;
constexpr int kEntrySize = 8;
constexpr int kPasswordTries = 3;

bool is_missing(int32_t code) {
    return code == kDbNotFound || code == kDbDataShort;
}

constexpr int32_t kLockPauseMs = 100;
constexpr int32_t kLockPauses = 300;

// Relays the engine's progress to the operation that runs, and waits for a
// lock another process holds for up to half a minute.
store::DbCallback engine_callback(std::shared_ptr<Cabinet::EngineProgress> relay) {
    return [relay](DbHandle, int32_t code, int32_t a, int32_t b) -> int32_t {
        switch (code) {
            case kDbCallbackCompact:
            case kDbCallbackRepair:
            case kDbCallbackRepairIndex:
            case kDbCallbackDeleteRange:
                if (!relay->progress) return 1;
                return relay->progress->update(static_cast<uint64_t>(a), static_cast<uint64_t>(b))
                           ? 1
                           : 0;
            case kDbCallbackLockWait:
                return a < kLockPauses ? kLockPauseMs : 0;
            default:
                return 0;
        }
    };
}

uint8_t random_byte() {
    static std::random_device device;
    return static_cast<uint8_t>(device());
}

}  // namespace

std::string reading_text_phrase(texts::TextId id) {
    return "reading text " + std::to_string(id);
}
std::string writing_text_phrase(texts::TextId id) {
    return "writing text " + std::to_string(id);
}
std::string deleting_text_phrase(texts::TextId id) {
    return "deleting text " + std::to_string(id);
}

Cabinet::Cabinet(std::string path, DbHandle db, std::shared_ptr<EngineProgress> engine_progress,
                 platform::Ui& ui, bool read_only)
    : path_(std::move(path)),
      db_(db),
      engine_progress_(std::move(engine_progress)),
      ui_(ui),
      read_only_(read_only) {}

Cabinet::~Cabinet() {
    if (!read_only_) write_back();
    DbClose(db_);
}

void Cabinet::engine_error(const std::string& action, int32_t code) {
    ui_.engine_error(action, DbErrorText(code));
}

bool Cabinet::refuse_if_read_only() {
    if (read_only_) ui_.message(message::kReadOnly, {path_.c_str()});
    return read_only_;
}

std::unique_ptr<Cabinet> Cabinet::create(const std::string& path, const CreateOptions& options,
                                         platform::Ui& ui) {
    std::optional<ScrambledPassword> scrambled;
    if (!options.password.empty()) {
        scrambled = scramble_password(options.password, random_byte);
        if (!scrambled) {
            ui.message(66, {"The password"});
            return nullptr;
        }
    }
    DbHandle db = nullptr;
    auto relay = std::make_shared<EngineProgress>();
    if (int32_t code = DbCreate(&db, path, DB_PREFIX_KEYS | DB_COMPRESS, kBlockSize, kEntrySize,
                                engine_callback(relay))) {
        ui.engine_error("creating the cabinet", DbErrorText(code));
        return nullptr;
    }
    std::unique_ptr<Cabinet> cabinet(new Cabinet(path, db, relay, ui, false));
    CabinetHeader& header = cabinet->header_;
    header.fixed_box_numbers = static_cast<uint8_t>(box::kFirstUserBox);
    header.index_kept = options.keep_search_index ? 1 : 0;
    header.index_up_to_date = header.index_kept;
    if (scrambled) {
        header.password_kind = kWithPassword;
        header.scrambled_password = *scrambled;
    }
    cabinet->header_changed_ = true;
    for (uint16_t number : initial_boxes())
        if (!cabinet->ensure_fixed_box(number)) return nullptr;
    if (!cabinet->write_back()) return nullptr;
    return cabinet;
}

std::unique_ptr<Cabinet> Cabinet::open(const std::string& path, const OpenOptions& options,
                                       platform::Ui& ui) {
    const uint32_t flags = options.compression ? DB_COMPRESS : 0;
    DbHandle db = nullptr;
    bool read_only = false;
    auto relay = std::make_shared<EngineProgress>();
    int32_t code = DbOpen(&db, path, flags, engine_callback(relay));
    if (code == kDbFileReadOnly && options.allow_read_only) {
        read_only = true;
        code = DbOpen(&db, path, flags | DB_READ_ONLY, engine_callback(relay));
    }
    if (code == kDbFileNotFound && options.offer_create) {
        // An empty cabinet costs nothing and lets the user go on, so that is
        // the answer when nobody can be asked.
        if (ui.ask(message::kCreateMissingCabinet, platform::Buttons::YesNo, platform::Answer::Yes,
                   {path.c_str()}) != platform::Answer::Yes)
            return nullptr;
        return create(path, CreateOptions{}, ui);
    }
    if (code != kDbOk) {
        ui.engine_error("opening the cabinet", DbErrorText(code));
        return nullptr;
    }
    std::unique_ptr<Cabinet> cabinet(new Cabinet(path, db, relay, ui, read_only));
    if (!cabinet->load(options)) {
        // Nothing read may be written back by the destructor.
        cabinet->read_only_ = true;
        return nullptr;
    }
    return cabinet;
}

int32_t Cabinet::read_header() {
    const Key key = header_key();
    uint8_t bytes[kHeaderSize] = {};
    size_t length = 0;
    int32_t code = DbGet(db_, GET_EXACT, key.bytes, key.length, nullptr, nullptr, 0, bytes, &length,
                         sizeof bytes);
    if (code != kDbOk) return code;
    std::optional<CabinetHeader> header = decode_header(bytes, length);
    if (!header) return kDbDataShort;
    header_ = *header;
    return kDbOk;
}

int32_t Cabinet::read_box_table(std::vector<BoxEntry>* entries, bool as_far_as_present) {
    entries->clear();
    std::vector<uint8_t> chunk(kChunkEntries * kBoxEntrySize);
    const size_t count = as_far_as_present ? kMaxBoxEntries : header_.entry_count;
    stored_chunks_ = 0;
    for (size_t first = 0; first < count; first += kChunkEntries) {
        const Key key = chunk_key(static_cast<uint16_t>(first));
        size_t length = 0;
        const int32_t code = DbGet(db_, GET_EXACT, key.bytes, key.length, nullptr, nullptr, 0,
                                   chunk.data(), &length, chunk.size());
        if (code != kDbOk && !(as_far_as_present && code == kDbNotFound)) return code;
        const size_t wanted = std::min(kChunkEntries, count - first);
        if (code == kDbNotFound) break;
        if (length < wanted * kBoxEntrySize) {
            if (!as_far_as_present) return kDbDataShort;
        }
        ++stored_chunks_;
        for (size_t i = 0; i < wanted && (i + 1) * kBoxEntrySize <= length; ++i)
            entries->push_back(decode_box_entry(&chunk[i * kBoxEntrySize]));
        if (length < kChunkEntries * kBoxEntrySize) break;
    }
    return kDbOk;
}

bool Cabinet::load(const OpenOptions& options) {
    int32_t code;
    {
        DbLockGuard lock(db_);
        if (lock.code() != kDbOk) {
            engine_error("reading the cabinet", lock.code());
            return false;
        }
        code = read_header();
        if (code == kDbOk && header_.password_kind >= 2) {
            ui_.message(message::kNewerVersion);
            return false;
        }
        if (code == kDbOk && header_.fixed_box_numbers == 0) {
            header_.fixed_box_numbers = kOldFixedBoxNumbers;
            header_changed_ = true;
        }
        if (code == kDbOk && header_.password_kind == kWithPassword && !check_password(options))
            return false;
        std::vector<BoxEntry> entries;
        if (code == kDbOk) code = read_box_table(&entries, false);
        if (code == kDbOk) table_.assign(std::move(entries));
        if (code != kDbOk && !is_missing(code)) {
            engine_error("reading the cabinet", code);
            return false;
        }
    }
    if (code != kDbOk) {
        // The header or the table is gone or cut short: rebuild them.
        if (read_only_) {
            ui_.message(message::kRepairFailed);
            return false;
        }
        return repair(RepairOptions{.ask = false, .node_name = {}});
    }
    table_.order_for_display();
    table_.clear_marks();
    if (header_.format_level < kFirstCurrentLevel && !read_only_) return convert_old_format();
    return true;
}

bool Cabinet::check_password(const OpenOptions& options) {
    const std::string stored = unscramble_password(header_.scrambled_password);
    if (options.recent_password) {
        if (std::optional<std::string> recent = options.recent_password->get();
            recent && *recent == stored)
            return true;
    }
    for (int attempt = 0; attempt < kPasswordTries; ++attempt) {
        if (attempt > 0) ui_.message(message::kWrongPassword);
        std::optional<std::string> given = ui_.enter_password(
            "Password of the filing cabinet '" + path_ + "'", kMaxPasswordLength);
        if (!given) return false;
        if (*given == stored) {
            if (options.recent_password) options.recent_password->remember(*given);
            return true;
        }
    }
    return false;
}

// Cabinets of old format levels kept sent letters in box 2 and command
// results in box 3; those texts now have boxes of their own.
bool Cabinet::convert_old_format() {
    if (!ensure_fixed_box(box::kSentMail) || !ensure_fixed_box(box::kResultsOfCommands))
        return false;
    for (const auto& [old_box, new_box] :
         {std::pair{box::kPendingSentMail, box::kSentMail},
          std::pair{box::kPendingSentCommands, box::kResultsOfCommands}}) {
        if (table_.contains(old_box)) {
            if (!move_all_texts(old_box, new_box)) return false;
            table_.rename(old_box, default_box_name(old_box));
            table_changed_ = true;
        }
    }
    header_.format_level = kFormatLevel;
    header_changed_ = true;
    return write_back();
}

bool Cabinet::compact(bool ask) {
    if (refuse_if_read_only()) return false;
    if (ask && ui_.ask(message::kCompactQuestion, platform::Buttons::YesNo, platform::Answer::No) !=
                   platform::Answer::Yes)
        return false;
    if (!write_back()) return false;
    std::unique_ptr<platform::Progress> progress = ui_.start_progress("Compacting the database");
    engine_progress_->progress = progress.get();
    const int32_t code = DbCompact(db_);
    engine_progress_->progress = nullptr;
    if (code == kDbAborted) return false;
    if (code != kDbOk) {
        engine_error("compacting the cabinet", code);
        return false;
    }
    return true;
}

texts::TextId Cabinet::next_local_id() {
    ++header_.local_counter;
    if (header_.local_counter >= kLocalIdLimit) header_.local_counter = 1;
    header_changed_ = true;
    return header_.local_counter;
}

bool Cabinet::write_back() {
    if (read_only_ || (!header_changed_ && !table_changed_)) return true;
    DbLockGuard lock(db_);
    if (lock.code() != kDbOk) {
        engine_error("writing the cabinet", lock.code());
        return false;
    }
    int32_t code = kDbOk;
    if (table_changed_) {
        header_.entry_count = static_cast<uint16_t>(table_.size());
        header_changed_ = true;
        const size_t chunks = (table_.size() + kChunkEntries - 1) / kChunkEntries;
        std::vector<uint8_t> chunk;
        for (size_t c = 0; c < chunks && code == kDbOk; ++c) {
            if (!table_.chunk_changed(c) && c < stored_chunks_) continue;
            const size_t first = c * kChunkEntries;
            const size_t count = std::min(kChunkEntries, table_.size() - first);
            chunk.assign(count * kBoxEntrySize, 0);
            for (size_t i = 0; i < count; ++i)
                encode_box_entry(table_[first + i], &chunk[i * kBoxEntrySize]);
            const Key key = chunk_key(static_cast<uint16_t>(first));
            code = DbPut(db_, key.bytes, key.length, chunk.data(), chunk.size());
        }
        for (size_t c = chunks; c < stored_chunks_ && code == kDbOk; ++c) {
            const Key key = chunk_key(static_cast<uint16_t>(c * kChunkEntries));
            code = DbDelete(db_, key.bytes, key.length);
            if (code == kDbNotFound) code = kDbOk;
        }
        for (size_t i = 0; i < table_.size() && code == kDbOk; ++i) {
            if (!table_[i].record_changed) continue;
            const std::vector<uint8_t> record = encode_box_record(table_[i]);
            const Key key = box_record_key(table_[i].number);
            code = DbPut(db_, key.bytes, key.length, record.data(), record.size());
        }
        for (uint16_t number : deleted_box_records_) {
            if (code != kDbOk) break;
            const Key key = box_record_key(number);
            code = DbDelete(db_, key.bytes, key.length);
            if (code == kDbNotFound) code = kDbOk;
        }
        if (code == kDbOk) {
            stored_chunks_ = chunks;
            deleted_box_records_.clear();
            table_.clear_marks();
            table_changed_ = false;
        }
    }
    if (code == kDbOk && header_changed_) {
        const auto bytes = encode_header(header_);
        const Key key = header_key();
        code = DbPut(db_, key.bytes, key.length, bytes.data(), bytes.size());
        if (code == kDbOk) header_changed_ = false;
    }
    if (code != kDbOk) {
        engine_error("writing the cabinet", code);
        return false;
    }
    return true;
}

std::string Cabinet::box_name(uint16_t number) const {
    const BoxEntry* entry = table_.find(number);
    return entry ? entry->name : recovered_box_name(number);
}

bool Cabinet::add_entry(BoxEntry entry) {
    if (table_.size() >= kMaxBoxEntries) {
        ui_.message(message::kCabinetFull);
        return false;
    }
    table_.append(std::move(entry));
    table_.order_for_display();
    table_changed_ = true;
    return true;
}

std::optional<uint16_t> Cabinet::create_box(const std::string& name, uint16_t parent,
                                            bool directory) {
    if (refuse_if_read_only()) return std::nullopt;
    const std::string fitted = fit_box_name(name);
    if (fitted.empty()) {
        ui_.message(65, {"The name"});
        return std::nullopt;
    }
    if (!table_.contains(parent)) {
        ui_.message(66, {"The directory"});
        return std::nullopt;
    }
    if (table_.find_by_name(fitted, parent)) {
        ui_.message(message::kNameExists);
        return std::nullopt;
    }
    const uint16_t number = table_.free_number(box::kFirstUserBox);
    if (number == kNoIndex) {
        ui_.message(message::kCabinetFull);
        return std::nullopt;
    }
    BoxEntry entry;
    entry.number = number;
    entry.parent = parent;
    entry.name = fitted;
    entry.flags = table_.inherited_flags(parent, header_.new_box_flags);
    if (directory) entry.flags |= kDirectoryFlag;
    if (!add_entry(std::move(entry)) || !write_back()) return std::nullopt;
    return number;
}

bool Cabinet::ensure_fixed_box(uint16_t number) {
    if (table_.contains(number)) return true;
    if (refuse_if_read_only()) return false;
    BoxEntry entry;
    entry.number = number;
    entry.parent = box::kMainDirectory;
    entry.name = recovered_box_name(number);
    entry.flags = table_.inherited_flags(box::kMainDirectory, header_.new_box_flags);
    if (number == box::kMainDirectory) entry.flags |= kDirectoryFlag;
    return add_entry(std::move(entry));
}

bool Cabinet::rename_box(uint16_t number, const std::string& name) {
    if (refuse_if_read_only()) return false;
    const BoxEntry* entry = table_.find(number);
    const std::string fitted = fit_box_name(name);
    if (!entry || fitted.empty()) {
        ui_.message(65, {"The name"});
        return false;
    }
    const BoxEntry* same = table_.find_by_name(fitted, entry->parent);
    if (same && same->number != number) {
        ui_.message(message::kNameExists);
        return false;
    }
    table_.rename(number, fitted);
    table_changed_ = true;
    return write_back();
}

bool Cabinet::move_box(uint16_t number, uint16_t new_parent) {
    if (refuse_if_read_only()) return false;
    const BoxEntry* entry = table_.find(number);
    if (!entry || number == box::kMainDirectory || !table_.contains(new_parent) ||
        table_.is_within(new_parent, number)) {
        ui_.message(message::kBadBoxPlace, {box_name(number).c_str()});
        return false;
    }
    if (table_.find_by_name(entry->name, new_parent)) {
        ui_.message(message::kNameExists);
        return false;
    }
    table_.set_parent(number, new_parent);
    table_.order_for_display();
    table_changed_ = true;
    return write_back();
}

bool Cabinet::delete_box(uint16_t number) {
    if (refuse_if_read_only()) return false;
    const BoxEntry* entry = table_.find(number);
    if (!entry) return false;
    if (number < box::kFirstUserBox) {
        ui_.message(message::kBoxIsFixed, {entry->name.c_str()});
        return false;
    }
    const std::optional<uint32_t> count = text_count(number);
    if (!count) return false;
    if (*count != 0 || !table_.children(number).empty()) {
        ui_.message(message::kBoxNotEmpty, {entry->name.c_str()});
        return false;
    }
    table_.remove(number);
    deleted_box_records_.push_back(number);
    table_changed_ = true;
    return write_back();
}

}  // namespace orvane::cabinet
