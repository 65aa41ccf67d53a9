#include "addressbook/book_file.h"

#include "addressbook/db_access.h"
#include "platform/bytes.h"
#include "platform/message_format.h"

namespace orvane::addressbook {

struct BookFile::State {
    std::string path;
    bool writable = true;
    platform::Policy* policy = nullptr;
    platform::Env* env = nullptr;
    // The progress shown while the engine waits for the lock or repairs.
    std::unique_ptr<platform::Progress> progress;

    int32_t notify(int32_t code, int32_t a, int32_t b) {
        switch (code) {
            case store::kDbCallbackLockWait:
                if (a == b) {
                    progress.reset();
                    return 0;
                }
                if (!progress)
                    progress = policy->progress("Waiting until the address book is free");
                return progress->update(static_cast<uint64_t>(a), 0) ? 100 : 0;
            case store::kDbCallbackRepairIndex:
            case store::kDbCallbackRepair: {
                if (!progress) progress = policy->progress("Repairing the address book");
                const int percent = b > 0 ? static_cast<int>(int64_t{a} * 100 / b) : 0;
                const bool go_on =
                    progress->update(static_cast<uint64_t>(a), static_cast<uint64_t>(b),
                                     platform::format_message("%d%%", {percent}));
                if (a >= b) progress.reset();
                return go_on ? 1 : 0;
            }
            default:
                return 1;
        }
    }
};

BookFile::BookFile(std::unique_ptr<State> state, store::DbFile db)
    : state_(std::move(state)), db_(std::move(db)) {}
BookFile::BookFile(BookFile&&) noexcept = default;
BookFile& BookFile::operator=(BookFile&&) noexcept = default;
BookFile::~BookFile() = default;

platform::Result<BookFile> BookFile::open(const std::string& path, bool shared,
                                          platform::Policy& policy, platform::Env& env) {
    auto state = std::make_unique<State>();
    state->path = path;
    state->policy = &policy;
    state->env = &env;
    State* callback_state = state.get();
    store::DbCallback callback = [callback_state](store::DbHandle, int32_t code, int32_t a,
                                                  int32_t b) {
        return callback_state->notify(code, a, b);
    };

    // A header that fails its checksum is restored from its backup.
    const uint32_t flags = store::DB_HEADER_BACKUP | (shared ? store::DB_SHARED : 0);
    store::DbFile db;
    int32_t result = store::DbOpen(db.out(), path, flags, callback, env);
    if (result == store::kDbFileNotFound) {
        result = store::DbCreate(db.out(), path, store::DB_PREFIX_KEYS | flags, kBookBlockSize,
                                 kBookEntrySize, callback, env);
        // Another process created it in the meantime.
        if (result == store::kDbFileExists)
            result = store::DbOpen(db.out(), path, flags, callback, env);
    }
    if (result == store::kDbFileReadOnly) {
        state->writable = false;
        result = store::DbOpen(db.out(), path, flags | store::DB_READ_ONLY, callback, env);
    }
    // The user gave up waiting for another program's lock.
    if (result == store::kDbLocked) return platform::Status::cancelled();
    if (result != store::kDbOk)
        return platform::Status::engine("opening the address book " + path, result,
                                        store::DbErrorText(result));

    return BookFile(std::move(state), std::move(db));
}

const std::string& BookFile::path() const {
    return state_->path;
}

bool BookFile::writable() const {
    return state_->writable;
}

platform::Policy& BookFile::policy() const {
    return *state_->policy;
}

platform::Env& BookFile::env() const {
    return *state_->env;
}

platform::Status BookFile::access_error(int32_t code) const {
    if (code == store::kDbLocked) return platform::Status::cancelled();
    return platform::Status::engine("accessing the address book " + state_->path, code,
                                    store::DbErrorText(code));
}

platform::Result<std::optional<AddressObject>> BookFile::read_object(NodeKey node,
                                                                     uint16_t number) {
    std::string data;
    const int32_t result = get_exact(db(), object_key(node, number), &data);
    if (result == store::kDbNotFound) return std::optional<AddressObject>();
    if (result != store::kDbOk) return access_error(result);
    return decode_object(node, number, data);
}

platform::Result<std::vector<AddressObject>> BookFile::objects_of(NodeKey node) {
    std::vector<AddressObject> objects;
    std::string key = object_key(node, 0);
    std::string data;
    int32_t result = get_at_or_after(db(), key, &key, &data);
    while (result == store::kDbOk || result == store::kDbNotFound) {
        if (key.size() != 4 || static_cast<uint8_t>(key[0]) != kObjectRecord ||
            static_cast<NodeKey>(key[1]) != node)
            break;
        const uint16_t number =
            platform::load_le16(reinterpret_cast<const uint8_t*>(key.data()) + 2);
        if (auto object = decode_object(node, number, data)) objects.push_back(std::move(*object));
        result = get_next(db(), key, &key, &data);
    }
    if (result != store::kDbOk && result != store::kDbNotFound && result != store::kDbNoNext)
        return access_error(result);
    return objects;
}

platform::Result<bool> BookFile::has_objects(NodeKey node) {
    std::string key;
    std::string data;
    const int32_t result = get_at_or_after(db(), object_key(node, 0), &key, &data);
    if (result == store::kDbNoNext) return false;
    if (result != store::kDbOk && result != store::kDbNotFound) return access_error(result);
    return key.size() == 4 && static_cast<uint8_t>(key[0]) == kObjectRecord &&
           static_cast<NodeKey>(key[1]) == node;
}

platform::Result<std::optional<int32_t>> BookFile::node_serial(NodeKey node) {
    std::string data;
    const int32_t result = get_exact(db(), node_state_key(node), &data);
    if (result == store::kDbNotFound) return std::optional<int32_t>();
    if (result != store::kDbOk) return access_error(result);
    return decode_node_serial(data);
}

platform::Status BookFile::close() {
    if (!db_) return {};
    const int32_t result = db_.close();
    return result == store::kDbOk ? platform::Status() : access_error(result);
}

ReadPeriod::ReadPeriod(BookFile& book) : book_(book) {
    if (int32_t result = store::DbLock(book.db()); result != store::kDbOk) {
        status_ = book.access_error(result);
        return;
    }
    locked_ = true;
}

ReadPeriod::~ReadPeriod() {
    // A period that only read has nothing to commit whose failure would
    // matter.
    if (locked_) (void)store::DbUnlock(book_.db());
}

}  // namespace orvane::addressbook
