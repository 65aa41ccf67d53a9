// Opening, creating and closing a cabinet; the header and the box table.
#include "cabinet/cabinet.h"

#include <ctime>
#include <random>

#include "cabinet/db_lock.h"
#include "cabinet/fixed_boxes.h"
#include "cabinet/keys.h"
#include "cabinet/search_index.h"
#include "platform/file.h"

namespace orvane::cabinet {

using namespace store;
using platform::MessageId;
using platform::Result;
using platform::Status;

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
            case kDbCallbackRepair:
                if (a == b) relay->full_repair = true;
                [[fallthrough]];
            case kDbCallbackCompact:
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

// A dated name beside `path` for the copy of a damaged file, such as
// "fcabinet-damaged-20261208-2241.cab"; a number is added while one of
// that name exists.
std::string damaged_copy_name(const std::string& path, std::time_t now) {
    const size_t slash = path.find_last_of('/');
    const size_t dot = path.find_last_of('.');
    const bool has_extension =
        dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = has_extension ? path.substr(0, dot) : path;
    const std::string extension = has_extension ? path.substr(dot) : std::string();
    std::tm local{};
    localtime_r(&now, &local);
    char date[32];
    std::strftime(date, sizeof date, "-damaged-%Y%m%d-%H%M%S", &local);
    std::string name = stem + date + extension;
    for (int n = 2; platform::file_exists(name); ++n)
        name = stem + date + "-" + std::to_string(n) + extension;
    return name;
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
                 platform::Policy& policy, platform::Env& env, bool read_only)
    : path_(std::move(path)),
      db_(db),
      engine_progress_(std::move(engine_progress)),
      policy_(policy),
      env_(env),
      read_only_(read_only),
      search_index_(std::make_unique<SearchIndex>(*this)) {}

Cabinet::~Cabinet() {
    // Outside lock periods everything but the header fields that close()
    // writes was committed already; those are abandoned here on purpose.
    if (db_) (void)DbClose(db_);
}

Status Cabinet::close() {
    Status status = read_only_ ? Status() : write_back();
    const int32_t code = DbClose(std::exchange(db_, nullptr));
    if (status.ok() && code != kDbOk) status = engine_error("closing the cabinet", code);
    return status;
}

Status Cabinet::engine_error(const std::string& action, int32_t code) const {
    return Status::engine(action, code, DbErrorText(code));
}

Status Cabinet::check_writable() const {
    if (read_only_) return Status::message(MessageId::kCabinetReadOnly, {path_});
    return Status();
}

Result<std::unique_ptr<Cabinet>> Cabinet::create(const std::string& path,
                                                 const CreateOptions& options,
                                                 platform::Policy& policy, platform::Env& env) {
    std::optional<ScrambledPassword> scrambled;
    if (!options.password.empty()) {
        scrambled = scramble_password(options.password, random_byte);
        if (!scrambled) return Status::message(MessageId::kIsInvalid, {"The password"});
    }
    DbHandle db = nullptr;
    auto relay = std::make_shared<EngineProgress>();
    if (int32_t code = DbCreate(&db, path, DB_PREFIX_KEYS | DB_COMPRESS, kBlockSize, kEntrySize,
                                engine_callback(relay), env))
        return Status::engine("creating the cabinet", code, DbErrorText(code));
    std::unique_ptr<Cabinet> cabinet(new Cabinet(path, db, relay, policy, env, false));
    CabinetHeader& header = cabinet->header_;
    header.fixed_box_numbers = static_cast<uint8_t>(box::kFirstUserBox);
    header.index_kept = options.keep_search_index ? 1 : 0;
    header.index_up_to_date = header.index_kept;
    if (scrambled) {
        header.password_kind = kWithPassword;
        header.scrambled_password = *scrambled;
    }
    cabinet->header_changed_ = true;
    Status status;
    for (uint16_t number : initial_boxes())
        if (status.ok()) status = cabinet->ensure_fixed_box(number);
    if (status.ok()) status = cabinet->write_back();
    if (status.ok()) return cabinet;
    // Half a cabinet is no cabinet: the next create must not find it.
    cabinet.reset();
    (void)env.unlink(path);  // the create's own error is the one to report
    return status;
}

Result<std::unique_ptr<Cabinet>> Cabinet::open(const std::string& path, const OpenOptions& options,
                                               platform::Policy& policy, platform::Env& env) {
    const uint32_t flags = DB_HEADER_BACKUP | (options.compression ? DB_COMPRESS : 0);
    DbHandle db = nullptr;
    bool read_only = false;
    auto relay = std::make_shared<EngineProgress>();
    // A damaged index is never rebuilt behind the user's back: first the
    // damaged file is kept as a copy, and the user is told.
    int32_t code = DbOpen(&db, path, flags | DB_NO_AUTO_REPAIR, engine_callback(relay), env);
    if (code == kDbFileReadOnly && options.allow_read_only) {
        read_only = true;
        code = DbOpen(&db, path, flags | DB_READ_ONLY | DB_NO_AUTO_REPAIR, engine_callback(relay),
                      env);
    }
    std::string damaged_copy;
    if ((code == kDbBadIndex || code == kDbCorrupt) && !read_only) {
        damaged_copy = damaged_copy_name(path, env.now_utc());
        if (int error = platform::copy_file(path, damaged_copy, env))
            return Status::file(MessageId::kCannotWriteFile, damaged_copy, error);
        code = DbOpen(&db, path, flags, engine_callback(relay), env);
    }
    if (code == kDbOk) (void)DbSetOptions(db, flags);  // only switches: cannot fail here
    if (code == kDbFileNotFound && options.offer_create) {
        const platform::Answer answer = policy.decide({MessageId::kCreateMissingCabinet,
                                                       {path},
                                                       platform::Buttons::YesNo,
                                                       options.create_unattended});
        if (answer != platform::Answer::Yes) return Status::cancelled();
        Result<std::unique_ptr<Cabinet>> created = create(path, CreateOptions{}, policy, env);
        if (created.ok()) (*created)->search_index_->configure(options.index, options.compression);
        return created;
    }
    if (code != kDbOk) return Status::engine("opening the cabinet", code, DbErrorText(code));
    std::unique_ptr<Cabinet> cabinet(new Cabinet(path, db, relay, policy, env, read_only));
    cabinet->search_index_->configure(options.index, options.compression);
    if (Status loaded = cabinet->load(options); !loaded.ok()) {
        // Nothing read may be written back.
        cabinet->read_only_ = true;
        return loaded;
    }
    if (!damaged_copy.empty()) {
        // The engine has its records back; the box lists are brought in
        // line, and what they named that is gone is counted.
        RepairReport report;
        if (Status repaired = cabinet->repair(RepairOptions{}, &report); !repaired.ok())
            return repaired;
        policy.notice(
            Status::message(MessageId::kCabinetRepairedOnOpen,
                            {path, damaged_copy, static_cast<int>(report.missing.size())}));
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
        if (length < wanted * kBoxEntrySize && !as_far_as_present) return kDbDataShort;
        ++stored_chunks_;
        for (size_t i = 0; i < wanted && (i + 1) * kBoxEntrySize <= length; ++i)
            entries->push_back(decode_box_entry(&chunk[i * kBoxEntrySize]));
        if (length < kChunkEntries * kBoxEntrySize) break;
    }
    return kDbOk;
}

Status Cabinet::load(const OpenOptions& options) {
    int32_t code;
    {
        DbLockGuard lock(db_);  // a reading period: nothing to commit
        if (lock.code() != kDbOk) return engine_error("reading the cabinet", lock.code());
        code = read_header();
        if (code == kDbOk && header_.password_kind >= 2)
            return Status::message(MessageId::kNewerVersion);
        if (code == kDbOk && header_.fixed_box_numbers == 0) {
            header_.fixed_box_numbers = kOldFixedBoxNumbers;
            header_changed_ = true;
        }
        if (code == kDbOk && header_.password_kind == kWithPassword) {
            if (Status given = check_password(options); !given.ok()) return given;
        }
        std::vector<BoxEntry> entries;
        if (code == kDbOk) code = read_box_table(&entries, false);
        if (code == kDbOk) table_.assign(std::move(entries));
        if (code != kDbOk && !is_missing(code)) return engine_error("reading the cabinet", code);
    }
    if (code != kDbOk) {
        // The header or the table is gone or cut short: rebuild them.
        if (read_only_) return Status::message(MessageId::kRepairFailed);
        return repair(RepairOptions{});
    }
    table_.order_for_display();
    table_.clear_marks();
    if (header_.format_level < kFirstCurrentLevel && !read_only_) return convert_old_format();
    return Status();
}

Status Cabinet::check_password(const OpenOptions& options) {
    const std::string stored = unscramble_password(header_.scrambled_password);
    if (options.recent_password) {
        if (std::optional<std::string> recent = options.recent_password->get();
            recent && *recent == stored)
            return Status();
    }
    for (int attempt = 0; attempt < kPasswordTries; ++attempt) {
        std::optional<std::string> given = policy_.secret(
            "Password of the filing cabinet '" + path_ + "'" + (attempt > 0 ? " (try again)" : ""),
            kMaxPasswordLength);
        if (!given) return Status::cancelled();
        if (*given == stored) {
            if (options.recent_password) options.recent_password->remember(*given);
            return Status();
        }
    }
    return Status::message(MessageId::kWrongPassword);
}

// Cabinets of old format levels kept sent letters in box 2 and command
// results in box 3; those texts now have boxes of their own.
Status Cabinet::convert_old_format() {
    for (uint16_t number : {box::kSentMail, box::kResultsOfCommands})
        if (Status status = ensure_fixed_box(number); !status.ok()) return status;
    for (const auto& [old_box, new_box] :
         {std::pair{box::kPendingSentMail, box::kSentMail},
          std::pair{box::kPendingSentCommands, box::kResultsOfCommands}}) {
        if (table_.contains(old_box)) {
            if (Status status = move_all_texts(old_box, new_box); !status.ok()) return status;
            table_.rename(old_box, default_box_name(old_box));
            table_changed_ = true;
        }
    }
    header_.format_level = kFormatLevel;
    header_changed_ = true;
    return write_back();
}

Status Cabinet::compact() {
    if (Status status = check_writable(); !status.ok()) return status;
    if (Status status = write_back(); !status.ok()) return status;
    std::unique_ptr<platform::Progress> progress = policy_.progress("Compacting the database");
    engine_progress_->progress = progress.get();
    const int32_t code = DbCompact(db_);
    engine_progress_->progress = nullptr;
    if (code == kDbAborted) return Status::cancelled();
    if (code != kDbOk) return engine_error("compacting the cabinet", code);
    return Status();
}

Result<texts::TextId> Cabinet::next_local_id() {
    if (Status status = check_writable(); !status.ok()) return status;
    ++header_.local_counter;
    if (header_.local_counter >= kLocalIdLimit) header_.local_counter = 1;
    header_changed_ = true;
    if (Status status = write_back(); !status.ok()) return status;
    return texts::TextId{header_.local_counter};
}

Status Cabinet::reserve_local_id(texts::TextId id) {
    if (id >= kLocalIdLimit || id <= header_.local_counter) return Status();
    if (Status status = check_writable(); !status.ok()) return status;
    header_.local_counter = id;
    header_changed_ = true;
    return write_back();
}

Status Cabinet::write_back() {
    if (read_only_ || (!header_changed_ && !table_changed_)) return Status();
    DbLockGuard lock(db_);
    if (lock.code() != kDbOk) return engine_error("writing the cabinet", lock.code());
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
    }
    if (code == kDbOk && header_changed_) {
        const auto bytes = encode_header(header_);
        const Key key = header_key();
        code = DbPut(db_, key.bytes, key.length, bytes.data(), bytes.size());
    }
    if (code == kDbOk) code = lock.commit();
    if (code != kDbOk) return engine_error("writing the cabinet", code);
    // Only a committed write clears the marks, so a failed one is tried
    // again whole.
    if (table_changed_) {
        stored_chunks_ = (table_.size() + kChunkEntries - 1) / kChunkEntries;
        deleted_box_records_.clear();
        table_.clear_marks();
        table_changed_ = false;
    }
    header_changed_ = false;
    return Status();
}

std::string Cabinet::box_name(uint16_t number) const {
    const BoxEntry* entry = table_.find(number);
    return entry ? entry->name : recovered_box_name(number);
}

Status Cabinet::add_entry(BoxEntry entry) {
    if (table_.size() >= kMaxBoxEntries) return Status::message(MessageId::kCabinetFull);
    table_.append(std::move(entry));
    table_.order_for_display();
    table_changed_ = true;
    return Status();
}

Result<uint16_t> Cabinet::create_box(const std::string& name, uint16_t parent, bool directory) {
    if (Status status = check_writable(); !status.ok()) return status;
    if (size_t at = control_character_at(name))
        return Status::message(MessageId::kControlCharacter, {"The name", static_cast<int>(at)});
    const std::string fitted = fit_box_name(name);
    if (fitted.empty()) return Status::message(MessageId::kIsMissing, {"The name"});
    if (!table_.contains(parent)) return Status::message(MessageId::kIsInvalid, {"The directory"});
    if (table_.find_by_name(fitted, parent)) return Status::message(MessageId::kNameExists);
    const uint16_t number = table_.free_number(box::kFirstUserBox);
    if (number == kNoIndex) return Status::message(MessageId::kCabinetFull);
    BoxEntry entry;
    entry.number = number;
    entry.parent = parent;
    entry.name = fitted;
    entry.flags = table_.inherited_flags(parent, header_.new_box_flags);
    if (directory) entry.flags |= kDirectoryFlag;
    if (Status status = add_entry(std::move(entry)); !status.ok()) return status;
    if (Status status = write_back(); !status.ok()) return status;
    return number;
}

Status Cabinet::ensure_fixed_box(uint16_t number) {
    if (table_.contains(number)) return Status();
    if (Status status = check_writable(); !status.ok()) return status;
    BoxEntry entry;
    entry.number = number;
    entry.parent = box::kMainDirectory;
    entry.name = recovered_box_name(number);
    entry.flags = table_.inherited_flags(box::kMainDirectory, header_.new_box_flags);
    if (number == box::kMainDirectory) entry.flags |= kDirectoryFlag;
    return add_entry(std::move(entry));
}

Status Cabinet::rename_box(uint16_t number, const std::string& name) {
    if (Status status = check_writable(); !status.ok()) return status;
    if (size_t at = control_character_at(name))
        return Status::message(MessageId::kControlCharacter, {"The name", static_cast<int>(at)});
    const BoxEntry* entry = table_.find(number);
    const std::string fitted = fit_box_name(name);
    if (!entry || fitted.empty()) return Status::message(MessageId::kIsMissing, {"The name"});
    const BoxEntry* same = table_.find_by_name(fitted, entry->parent);
    if (same && same->number != number) return Status::message(MessageId::kNameExists);
    table_.rename(number, fitted);
    table_changed_ = true;
    return write_back();
}

Status Cabinet::move_box(uint16_t number, uint16_t new_parent) {
    if (Status status = check_writable(); !status.ok()) return status;
    const BoxEntry* entry = table_.find(number);
    if (!entry || number == box::kMainDirectory || !table_.contains(new_parent) ||
        table_.is_within(new_parent, number))
        return Status::message(MessageId::kBadBoxPlace, {box_name(number)});
    if (table_.find_by_name(entry->name, new_parent))
        return Status::message(MessageId::kNameExists);
    table_.set_parent(number, new_parent);
    table_.order_for_display();
    table_changed_ = true;
    return write_back();
}

Status Cabinet::delete_box(uint16_t number) {
    if (Status status = check_writable(); !status.ok()) return status;
    const BoxEntry* entry = table_.find(number);
    if (!entry) return Status::message(MessageId::kIsInvalid, {"The box"});
    if (number < box::kFirstUserBox) return Status::message(MessageId::kBoxIsFixed, {entry->name});
    Result<uint32_t> count = text_count(number);
    if (!count.ok()) return count.take_status();
    if (*count != 0 || !table_.children(number).empty())
        return Status::message(MessageId::kBoxNotEmpty, {entry->name});
    table_.remove(number);
    deleted_box_records_.push_back(number);
    table_changed_ = true;
    return write_back();
}

}  // namespace orvane::cabinet
