// The state behind a DbHandle, shared by the engine's source files.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/file.h"
#include "store/block_cache.h"
#include "store/db.h"
#include "store/index.h"
#include "store/journal.h"
#include "store/lz.h"
#include "store/open_block.h"
#include "store/period_writes.h"

namespace orvane::store {

inline constexpr size_t kHeaderSize = 1024;

// What the last DbGet found, so that GET_CURRENT can give it again and a
// following DbPut or DbDelete of the same key can skip its search.
struct SearchState {
    int mode = -1;    // -1: no search yet
    int result = -1;  // internal result: 0 equal, 1 greater, 2 none; -1 unknown
    std::array<uint8_t, 256> key{};
    size_t key_length = 0;
    std::array<uint8_t, 256> found_key{};
    size_t found_key_length = 0;
};

struct Db {
    platform::Env* env = &platform::system_env();  // files, clock and sleeping
    platform::File file;
    std::string name;
    std::array<uint8_t, kHeaderSize> header{};
    uint32_t flags = 0;
    bool compress = false;  // compress newly written blocks that would not fit
    bool retry_io = false;
    bool writable = false;        // opened for writing
    bool file_read_only = false;  // read-only on disk: never locked
    bool identity_table = true;
    std::array<uint8_t, 256> collate{};  // copy of the header's collating table

    int depth = 0;  // nesting of lock periods
    bool dirty_header = false;
    bool dirty_table = false;
    bool dirty_size = false;
    bool dirty_index = false;
    bool period_written = false;  // the change counter was bumped in this period
    // A write of this period failed: the period writes nothing more, and its
    // index is not written back, so that the file's stale index calls for a
    // repair; the next period reads header and index afresh.
    bool write_failed = false;
    bool reload_needed = false;
    // A live journal is left to undo (found at open, or an undo failed).
    bool recovery_needed = false;
    bool repairing = false;

    // The writes of the period not yet in the file, and the journal that
    // makes the period all or nothing.
    PeriodWrites writes;
    Journal journal;

    DbCallback callback;
    std::recursive_mutex mutex;

    Index index;
    uint32_t index_bytes_in_block0 = 0;

    // The data block in the buffer, expanded: its record area (null when
    // buffer_block is -1), and the blocks read before it.
    int64_t buffer_block = -1;
    SharedArea area;
    BlockCache cache;
    OpenBlock open;
    const uint8_t* area_bytes() const { return area->bytes.data(); }
    size_t area_length() const { return area->bytes.size(); }
    uint8_t area_flags() const { return area->flags; }
    std::vector<uint8_t> raw;  // one block as stored
    std::unique_ptr<LzTable> lz_table;
    // Where the last block compression stopped, so that a block that only
    // grew at its end compresses from there.
    std::unique_ptr<LzResumingCompressor> block_compressor;

    SearchState search;

    uint32_t blocksize() const;
    uint32_t blockcount() const { return index.count(); }
    bool prefix_keys() const;              // option bit 0
    bool file_allows_compression() const;  // option bit 1
    // Largest expanded record area of one block.
    size_t max_area() const;
    int32_t notify(int32_t code, int32_t a, int32_t b);
    // Reports a structural detail to the callback and gives `result`.
    int32_t last_detail = 0;  // the structural detail reported last
    int32_t fail(int32_t detail, int32_t result) {
        last_detail = detail;
        notify(detail, 1, 1);
        return result;
    }
};

}  // namespace orvane::store
