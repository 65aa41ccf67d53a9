// Lock periods: every operation runs between begin_operation and
// end_operation. The outermost period of a shared handle holds the one-byte
// file lock at 0xFFFFFFFF, undoes a period that another process left
// unfinished (a live journal), and checks the change counter, re-reading
// header and index when another process wrote. A writing period bumps the
// counter once, before its first change to a block, and writes back the
// header, the index and the file size when it ends. A period is all or
// nothing: its commit makes every write durable at once, and a period that
// fails or is abandoned is undone from the journal (store/journal.h).
#pragma once

#include <cstdint>

#include "store/handle.h"

namespace orvane::store {

// A put may leave the block that a run of puts fills open
// (store/open_block.h); reads take it from there, and every other change
// closes it first.
enum class Intent { Read, Write, Put };
enum class ChangeCheck {
    None,        // open and create
    HeaderOnly,  // repair rebuilds the index anyway
    Full,
};

// 0 or the error; on success the caller must end the operation.
[[nodiscard]] int32_t begin_operation(Db* db, Intent intent, ChangeCheck check = ChangeCheck::Full);
// Ends one level; at the outermost level of a writing handle writes back what
// is dirty and releases the lock. Gives `result`, or 11 when only the
// write-back failed.
int32_t end_operation(Db& db, int32_t result);

// For a handle closed inside lock periods: writes back and releases the lock.
int32_t end_all_periods(Db& db);
// Ends one level without writing back; at the outermost level undoes what
// the period wrote (see DbAbandon).
void abandon_operation(Db& db);
// Undoes the period's writes and has the next period read header and index
// afresh; for a period that failed or was abandoned.
void undo_period(Db& db);
// Puts back the before-images of a live journal: another process died in
// its period, or this handle could not finish an undo.
[[nodiscard]] int32_t recover_journal(Db& db);

// Before the first change to a block in a period: bump and write the counter.
[[nodiscard]] int32_t begin_write(Db& db);
// Commits the period: writes back the header, the index and the file size as
// far as dirty, then makes every write of the period durable. A failure
// undoes the period.
[[nodiscard]] int32_t write_back(Db& db);
// Sets the number of data blocks in the header (the index has changed).
void set_blockcount(Db& db, uint32_t count);

// Runs `op` and, when it meets a bad index or structure and the handle
// allows it, repairs once and runs it again.
template <typename Op>
int32_t with_auto_repair(Db& db, Op op);

// Reads the index from the file, rebuilding it from the blocks when it is bad
// and the handle allows that.
[[nodiscard]] int32_t read_index_or_repair(Db& db);

// Rebuilds the index from the blocks (reason: 26 or 16).
[[nodiscard]] int32_t repair(Db& db, int32_t reason);

inline bool may_repair(const Db& db, int32_t result) {
    return (result == kDbCorrupt || result == kDbBadIndex) && !(db.flags & DB_NO_AUTO_REPAIR) &&
           !db.repairing && db.writable && !db.file_read_only;
}

template <typename Op>
int32_t with_auto_repair(Db& db, Op op) {
    int32_t result = op();
    if (may_repair(db, result) && repair(db, result) == kDbOk) result = op();
    return result;
}

}  // namespace orvane::store
