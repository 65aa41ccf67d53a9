// The database engine: a single file of fixed-size, checked, optionally
// compressed blocks holding records (a key of 1 to 255 bytes and a data part)
// in key order, with an index of one entry per block kept in memory. Several
// processes may share a file; they serialise through a one-byte file lock and
// notice each other's writes through a change counter in the header.
//
// Every operation returns a 32-bit code (0 = success) and never throws.
// Structural details go to the handle's callback, never to a user interface.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/env.h"

namespace orvane::store {

struct Db;
using DbHandle = Db*;

// Called as (handle, code, a, b); see the kDbCallback* codes.
using DbCallback = std::function<int32_t(DbHandle, int32_t code, int32_t a, int32_t b)>;

// Codes returned by the operations (0-26) and structural details passed to
// the callback (27-44).
enum DbCode : int32_t {
    kDbOk = 0,
    kDbNotFound = 1,
    kDbNoNext = 2,
    kDbKeyTooLong = 5,
    kDbDataTooLong = 6,
    kDbFileNotFound = 7,
    kDbNotOpen = 8,
    kDbOpenError = 9,
    kDbReadError = 10,
    kDbWriteError = 11,
    kDbCreateError = 12,
    kDbFileExists = 13,
    kDbWrongVersion = 14,
    kDbReadOnly = 15,
    kDbCorrupt = 16,
    kDbDataShort = 17,
    kDbFileReadOnly = 18,
    kDbLocked = 19,
    kDbInUse = 20,
    kDbTooBig = 21,
    kDbNoMemory = 22,
    kDbNotEmpty = 23,
    kDbBadParameter = 24,
    kDbAborted = 25,
    kDbBadIndex = 26,
    kDbIndexKeyLength = 27,
    kDbIndexKey = 28,
    kDbIndexExtensionKey = 29,
    kDbIndexDuplicateKey = 30,
    kDbIndexDuplicateExtension = 31,
    kDbRepairFailed = 32,
    kDbRepairEmptyBlock = 33,
    kDbFileTooShort = 34,
    kDbBadFileHeader = 35,
    kDbFileHeaderCrc = 36,
    kDbBadIndexHeader = 37,
    kDbIndexHeaderCrc = 38,
    kDbBadDataBlock = 39,
    kDbDataBlockCrc = 40,
    kDbBadExtensionBlock = 41,
    kDbExtensionBlockCrc = 42,
    kDbBadLz = 43,
    kDbLzLength = 44,
};

// The message of a code; "Unknown error" outside 0..44.
const char* DbErrorText(int32_t code);

// Flags of DbCreate and DbOpen.
inline constexpr uint32_t DB_PREFIX_KEYS = 0x1;
inline constexpr uint32_t DB_COMPRESS = 0x2;
inline constexpr uint32_t DB_READ_ONLY = 0x100;
inline constexpr uint32_t DB_SHARED = 0x200;
inline constexpr uint32_t DB_NO_AUTO_REPAIR = 0x400;
inline constexpr uint32_t DB_HEADER_BACKUP = 0x800;
inline constexpr uint32_t DB_THREAD_SAFE = 0x1000;
inline constexpr uint32_t DB_CALLBACK_LOCK = 0x2000;
inline constexpr uint32_t DB_RETRY_IO = 0x4000;

// Callback codes (the structural details use their DbCode value).
inline constexpr int32_t kDbCallbackRepairIndex = 0;  // (step, steps); 0 aborts
inline constexpr int32_t kDbCallbackCompact = 1;      // (blocks done, blocks); 0 aborts
inline constexpr int32_t kDbCallbackDeleteRange = 2;  // (blocks done, blocks); 0 aborts
inline constexpr int32_t kDbCallbackLockWait = 3;     // (attempts, attempts + 1); >0: ms to wait
inline constexpr int32_t kDbCallbackRepair = 4;       // (step, steps); 0 aborts
inline constexpr int32_t kDbCallbackUnlock = 18;      // with DB_CALLBACK_LOCK
inline constexpr int32_t kDbCallbackLock = 19;        // with DB_CALLBACK_LOCK; non-zero: busy

// DbGet modes.
inline constexpr int GET_FIRST = 0;
inline constexpr int GET_PREV = 1;
inline constexpr int GET_EXACT = 2;
inline constexpr int GET_NEXT = 3;
inline constexpr int GET_LAST = 4;
inline constexpr int GET_AT_OR_AFTER = 5;
inline constexpr int GET_CURRENT = 6;
inline constexpr int GET_EXACT_UPDATE = 7;

inline constexpr size_t kDbMaxKey = 255;
inline constexpr int kDbMinBlockSize = 1024;
inline constexpr int kDbMaxBlockSize = 16384;

// The file's transfers, the pauses of retries and lock waits go through
// `env`. A create that fails removes what it made of the file.
[[nodiscard]] int32_t DbCreate(DbHandle* handle, const std::string& name, uint32_t flags,
                               int blocksize, int entry_size, DbCallback callback = {},
                               platform::Env& env = platform::system_env());
[[nodiscard]] int32_t DbOpen(DbHandle* handle, const std::string& name, uint32_t flags,
                             DbCallback callback = {}, platform::Env& env = platform::system_env());
// Writes back what is dirty, closes the file and frees the handle, which is
// gone even when the write-back failed (its error is returned).
[[nodiscard]] int32_t DbClose(DbHandle handle);
// DbLock begins a lock period; the outermost DbUnlock commits it: every
// write of the period becomes durable at once, or, when the commit fails
// (its error is returned), none does. A period is never half kept, not even
// across a power cut: its before-images go to a journal beside the file,
// "<name>.jnl", from which the next open, or the next period of another
// process sharing the file, undoes a period that did not finish.
[[nodiscard]] int32_t DbLock(DbHandle handle);
[[nodiscard]] int32_t DbUnlock(DbHandle handle);
// Ends one lock level without committing. At the outermost level the
// period's writes are undone at once: the file is exactly as it was before
// the period, and the handle reads header and index afresh. For a caller
// whose group of changes failed half-way. Gives the lock levels still open.
int DbAbandon(DbHandle handle);
[[nodiscard]] int32_t DbFlush(DbHandle handle);
// DB_COMPRESS switches compression of newly written blocks; DB_RETRY_IO the
// retry of failed transfers; DB_NO_AUTO_REPAIR keeps a damaged index from
// being rebuilt without the caller's knowing.
[[nodiscard]] int32_t DbSetOptions(DbHandle handle, uint32_t flags);
// How many bytes of expanded blocks the handle keeps between reads, so that
// a block read again is neither read, checked nor expanded again (4 MiB
// unless set; 0 keeps none). Dropped whenever another process wrote.
[[nodiscard]] int32_t DbSetCacheSize(DbHandle handle, size_t bytes);

// Finds a record by `mode`. The found key is copied to `key_buffer` up to its
// size (`*key_length` = bytes copied). With a data buffer the data is copied
// up to its size and `*data_length` is the count copied; without one,
// `*data_length` is the record's full data length.
[[nodiscard]] int32_t DbGet(DbHandle handle, int mode, const void* key, size_t key_length,
                            void* key_buffer, size_t* key_length_out, size_t key_buffer_size,
                            void* data_buffer, size_t* data_length_out, size_t data_buffer_size);
// Adds a record, replacing one with an equal key.
[[nodiscard]] int32_t DbPut(DbHandle handle, const void* key, size_t key_length, const void* data,
                            size_t data_length);
[[nodiscard]] int32_t DbDelete(DbHandle handle, const void* key, size_t key_length);

// Removes every record with first <= key <= last; progress goes to the
// callback (code 2), which may abort (25).
[[nodiscard]] int32_t DbDeleteRange(DbHandle handle, const void* first, size_t first_length,
                                    const void* last, size_t last_length);
// Packs the data blocks in key order and frees what is left over; progress
// goes to the callback (code 1), which may abort (25) with a sound file.
[[nodiscard]] int32_t DbCompact(DbHandle handle);
// Rebuilds the index from the blocks, dropping what cannot be read and
// records out of order; progress goes to the callback (code 4).
[[nodiscard]] int32_t DbRepair(DbHandle handle);

// What DbCheck finds: each problem as "where: what".
struct DbCheckReport {
    uint64_t blocks = 0;
    uint64_t records = 0;
    uint64_t long_records = 0;
    std::vector<std::string> problems;
};
// Reads every block and record without changing the file: the header as it
// lies on disk (see DbCheckHeader), checksums, key order within and across
// blocks, the index against the blocks, every long record's extension
// blocks, and the zeros the format keeps behind the index in block 0 and
// behind the stored bytes of every block. 0 when it could look at
// everything (the report says whether the file is sound), or the error
// that stopped it. DbRepair mends every problem it reports.
[[nodiscard]] int32_t DbCheck(DbHandle handle, DbCheckReport* report);

// The file header as it lies on disk: whether its main fields and its
// collating table pass their checksums (in a form an open accepts), and
// whether their backups do.
struct DbHeaderReport {
    bool readable = false;  // the file holds a whole header
    bool header_sound = false;
    bool header_backup_sound = false;
    bool table_sound = false;
    bool table_backup_sound = false;
    std::vector<std::string> problems;  // as DbCheck words them
    // An open with DB_HEADER_BACKUP restores what is damaged.
    bool restorable() const {
        return readable && (header_sound || header_backup_sound) &&
               (table_sound || table_backup_sound);
    }
};
// Looks at the header of the file `name` without opening it as a database,
// for a file that DbOpen refuses: 0, or the error of opening or reading it.
[[nodiscard]] int32_t DbCheckHeader(const std::string& name, DbHeaderReport* report,
                                    platform::Env& env = platform::system_env());
// For a file whose header cannot be restored from its backup: writes a new
// header from what the file shows (the block size at which its blocks
// check, the options their flags use, compression allowed, a sound copy of
// the collating table or else the identity), then opens the file with
// `flags` and rebuilds the index and checks every record (DbRepair, with
// progress to the callback). 16 when no block size fits the blocks.
[[nodiscard]] int32_t DbRebuildHeader(const std::string& name, uint32_t flags,
                                      DbCallback callback = {},
                                      platform::Env& env = platform::system_env());

// What `orvane db stat` shows; gathered by walking every block.
struct DbStatistics {
    int version = 0;
    int blocksize = 0;
    int entry_size = 0;  // as stored in the header
    uint8_t options = 0;
    uint32_t change_counter = 0;
    uint32_t blocks = 0;
    uint32_t data_blocks = 0;
    uint32_t extension_blocks = 0;
    uint32_t compressed_blocks = 0;
    uint64_t records = 0;
    uint64_t long_records = 0;
    bool index_in_block0 = true;
    uint64_t index_offset = 0;
    uint64_t file_size = 0;
};
[[nodiscard]] int32_t DbStat(DbHandle handle, DbStatistics* statistics);

}  // namespace orvane::store
