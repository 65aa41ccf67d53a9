// The before-image journal: the side file "<database>.jnl" beside the
// database (for "fcabinet.cab" it is "fcabinet.cab.jnl") that makes a
// writing period all or nothing. Before a part of the file that existed when
// the period began is first overwritten, its old bytes are appended here and
// flushed; the period's commit flushes the database and then empties this
// file. A journal with a valid header is live: the period that wrote it
// never committed, and putting its before-images back together with the old
// size gives the file exactly as it was before that period.
//
// Layout (little-endian):
//   header, 32 bytes: "ZtJL"; version 1; a salt that differs from period to
//     period; the database's change counter and size when the period began;
//     the unit (block) size; CRC-32 of bytes 0-27.
//   entries: offset (8), length (4), the before-image, CRC-32 of the salt,
//     offset, length and image.
// Reading stops at the first entry that does not check: entries written
// since the last flush may be torn, and nothing in the database was
// overwritten on their account, because the database is written only after
// the journal is flushed.
//
// A period ends by zeroing the header durably (then the file is cut to
// nothing) rather than by removing the file, so that its name stays in the
// directory; only a handle that has the database to itself removes a dead
// journal when it closes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/env.h"
#include "platform/file.h"

namespace orvane::store {

class Journal {
  public:
    explicit Journal(platform::Env& env = platform::system_env());

    static std::string path_for(const std::string& database);
    void set_database(const std::string& database) { path_ = path_for(database); }

    // Starts the journal of a period that began with the database `size`
    // bytes long; nothing is written before sync().
    void begin(uint64_t size, uint32_t unit);
    // The journal of this period has reached the file (it is live).
    bool started() const { return started_; }
    uint64_t start_size() const { return start_size_; }
    // Queues the before-image of the database bytes at `offset`.
    void add(uint64_t offset, const uint8_t* bytes, size_t length);
    bool has_queued() const { return !queue_.empty(); }
    // Writes what is queued, behind the header at the period's first sync,
    // and flushes. `database` gives the change counter for the header.
    // 0 or a platform error.
    [[nodiscard]] int sync(const platform::File& database);
    // Ends the journal durably: the period is committed or undone. On
    // failure the journal stays live.
    [[nodiscard]] int clear();

    // When a live journal lies beside `database`, puts its before-images
    // back, gives the database its old size, flushes it and empties the
    // journal; `*restored` says whether it did. A journal whose change
    // counter does not fit the database belongs to another file of the same
    // name and is emptied unused. 0 or a platform error (the journal is then
    // left as it was, to be tried again).
    [[nodiscard]] int roll_back(platform::File& database, bool* restored);
    // Whether a live journal lies beside the database, for a handle that
    // cannot write: 0 or a platform error.
    [[nodiscard]] int is_live(bool* live);

    // Closes the journal and removes its file when it holds nothing live.
    void remove_if_empty();

  private:
    [[nodiscard]] int open_existing(bool* exists);
    [[nodiscard]] int create();
    [[nodiscard]] int read_header(bool* valid);
    std::vector<uint8_t> header_bytes() const;

    platform::Env* env_;
    platform::File file_;
    std::string path_;
    bool started_ = false;
    uint32_t salt_ = 0;
    uint32_t counter_ = 0;
    uint64_t start_size_ = 0;
    uint32_t unit_ = 0;
    uint64_t end_ = 0;  // where the next entry goes
    std::vector<uint8_t> queue_;
};

}  // namespace orvane::store
