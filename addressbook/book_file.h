// One address book file from its opening to its closing: "QORLists.dat" in
// the program directory, opened once for all users (shared between
// processes when the common setting "Share Address Book" is on), or
// "AddrBook.dat" in the user's directory, opened with the user and never
// shared. A missing file is created.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "addressbook/records.h"
#include "platform/env.h"
#include "platform/policy.h"
#include "platform/status.h"
#include "store/db_file.h"

namespace orvane::addressbook {

inline constexpr const char* kListsFileName = "QORLists.dat";
inline constexpr const char* kPersonalFileName = "AddrBook.dat";
inline constexpr int kBookBlockSize = 2048;
inline constexpr int kBookEntrySize = 8;

class BookFile {
  public:
    // Opens `path`, creating it when missing. Waiting for another process's
    // lock and repairs show their progress through `policy`, which must
    // outlive the file; cancelling the wait gives a cancelled status. A
    // file that may only be read is opened for reading.
    static platform::Result<BookFile> open(const std::string& path, bool shared,
                                           platform::Policy& policy,
                                           platform::Env& env = platform::system_env());

    BookFile(BookFile&&) noexcept;
    BookFile& operator=(BookFile&&) noexcept;
    ~BookFile();

    const std::string& path() const;
    store::DbHandle db() const { return db_.get(); }
    bool writable() const;
    platform::Policy& policy() const;
    platform::Env& env() const;

    // The object, or nothing when it is not stored.
    platform::Result<std::optional<AddressObject>> read_object(NodeKey node, uint16_t number);
    // Every readable object of `node`, by number.
    platform::Result<std::vector<AddressObject>> objects_of(NodeKey node);
    // Whether `node` has any object.
    platform::Result<bool> has_objects(NodeKey node);
    // The highest serial stored for `node`, or nothing.
    platform::Result<std::optional<int32_t>> node_serial(NodeKey node);

    // An engine error met while using the file.
    platform::Status access_error(int32_t code) const;

    // Writes back and closes; the file is closed even when that fails.
    platform::Status close();

  private:
    struct State;
    BookFile(std::unique_ptr<State> state, store::DbFile db);

    std::unique_ptr<State> state_;
    store::DbFile db_;
};

// Holds the file's lock for a group of reads, so that another process's
// changes come between them whole or not at all. A failure is in status().
class ReadPeriod {
  public:
    explicit ReadPeriod(BookFile& book);
    ~ReadPeriod();
    ReadPeriod(const ReadPeriod&) = delete;
    ReadPeriod& operator=(const ReadPeriod&) = delete;
    const platform::Status& status() const { return status_; }

  private:
    BookFile& book_;
    platform::Status status_;
    bool locked_ = false;
};

}  // namespace orvane::addressbook
