#include "store/period.h"

#include "platform/bytes.h"
#include "store/block.h"
#include "store/header.h"
#include "store/index_area.h"
#include "store/io.h"

namespace orvane::store {

namespace {

constexpr uint64_t kLockByte = 0xFFFFFFFF;
// Without a callback, a lock held elsewhere is tried again this often.
constexpr uint32_t kLockPauseMs = 100;
constexpr uint32_t kLockPauses = 300;

int32_t take_file_lock(Db& db) {
    if ((db.flags & DB_CALLBACK_LOCK) && db.callback)
        return db.notify(kDbCallbackLock, 0, 0) != 0 ? kDbLocked : kDbOk;
    for (int32_t attempt = 0;; ++attempt) {
        const int error = db.file.lock(kLockByte, 1, true, false);
        if (error == 0) {
            if (attempt > 0 && db.callback) db.notify(kDbCallbackLockWait, attempt, attempt);
            return kDbOk;
        }
        if (db.callback) {
            const int32_t wait = db.notify(kDbCallbackLockWait, attempt, attempt + 1);
            if (wait <= 0) {
                db.notify(kDbCallbackLockWait, attempt + 1, attempt + 1);
                return kDbLocked;
            }
            db.env->sleep_ms(static_cast<uint32_t>(wait));
        } else {
            if (static_cast<uint32_t>(attempt) >= kLockPauses) return kDbLocked;
            db.env->sleep_ms(kLockPauseMs);
        }
    }
}

void release_file_lock(Db& db) {
    if ((db.flags & DB_CALLBACK_LOCK) && db.callback) {
        db.notify(kDbCallbackUnlock, 0, 0);
    } else {
        (void)db.file.unlock(kLockByte, 1);
    }
}

bool locks_file(const Db& db) {
    return (db.flags & DB_SHARED) && !db.file_read_only;
}

// Another process wrote since this handle last looked: take its header and
// index, and trust no cached block.
int32_t check_for_change(Db& db, ChangeCheck check) {
    uint8_t counter[4];
    if (!read_exact(db, 4, counter, 4)) return kDbReadError;
    if (platform::load_le32(counter) == header_counter(db.header) && !db.reload_needed)
        return kDbOk;
    db.reload_needed = false;
    forget_blocks(db);
    db.search.result = -1;
    if (int32_t error = read_header(db, false)) return error;
    if (check == ChangeCheck::HeaderOnly) return kDbOk;
    return read_index_or_repair(db);
}

}  // namespace

int32_t read_index_or_repair(Db& db) {
    const int32_t result = read_index(db);
    return may_repair(db, result) ? repair(db, result) : result;
}

int32_t recover_journal(Db& db) {
    bool restored = false;
    if (db.journal.roll_back(db.file, &restored) != 0) {
        db.recovery_needed = true;
        return kDbWriteError;
    }
    db.recovery_needed = false;
    if (restored) {
        // What this handle knew may be from the undone period.
        db.reload_needed = true;
        forget_blocks(db);
        db.search.result = -1;
    }
    return kDbOk;
}

int32_t begin_operation(Db* db, Intent intent, ChangeCheck check) {
    if (!db) return kDbNotOpen;
    const bool writes = intent != Intent::Read;
    if (writes && !db->writable) return kDbReadOnly;
    if (db->flags & DB_THREAD_SAFE) db->mutex.lock();
    if (writes && db->write_failed) {
        // A write of this period failed: the period changes nothing more.
        if (db->flags & DB_THREAD_SAFE) db->mutex.unlock();
        return kDbWriteError;
    }
    if (intent == Intent::Write) {
        // A failure marks the period failed, which its end reports.
        (void)close_open_block(*db);
    }
    if (++db->depth > 1) return kDbOk;
    if (db->flags & DB_THREAD_SAFE) db->search.mode = -1;
    if (db->file_read_only) return kDbOk;
    db->dirty_header = db->dirty_table = db->dirty_size = db->dirty_index = false;
    db->period_written = false;
    const bool shared = db->flags & DB_SHARED;
    if (!shared && !db->reload_needed && !db->recovery_needed) return kDbOk;
    int32_t error = shared ? take_file_lock(*db) : kDbOk;
    const bool locked = shared && !error;
    // Under the lock, a live journal is the trace of a period that another
    // process left unfinished when it died.
    if (!error && (shared || db->recovery_needed)) error = recover_journal(*db);
    if (!error && check != ChangeCheck::None) error = check_for_change(*db, check);
    if (error) {
        if (locked) release_file_lock(*db);
        --db->depth;
        if (db->flags & DB_THREAD_SAFE) db->mutex.unlock();
    }
    return error;
}

int32_t end_operation(Db& db, int32_t result) {
    if (db.depth == 1) {
        const int32_t error = write_back(db);
        if (result == kDbOk && error) result = error;
        if (locks_file(db)) release_file_lock(db);
    }
    if (db.depth > 0) --db.depth;
    if (db.flags & DB_THREAD_SAFE) db.mutex.unlock();
    return result;
}

void abandon_operation(Db& db) {
    if (db.depth == 1) {
        if (db.writes.active || db.period_written) undo_period(db);
        db.dirty_header = db.dirty_table = db.dirty_index = db.dirty_size = false;
        if (locks_file(db)) release_file_lock(db);
    }
    if (db.depth > 0) --db.depth;
    if (db.flags & DB_THREAD_SAFE) db.mutex.unlock();
}

int32_t end_all_periods(Db& db) {
    const int32_t error = write_back(db);
    if (locks_file(db)) release_file_lock(db);
    db.depth = 0;
    return error;
}

int32_t begin_write(Db& db) {
    if (db.period_written) return kDbOk;
    const uint32_t counter = header_counter(db.header) + 1;
    platform::store_le32(&db.header[4], counter);
    if (!write_exact(db, 4, &db.header[4], 4)) return kDbWriteError;
    db.period_written = true;
    db.dirty_index = true;
    return kDbOk;
}

int32_t write_back(Db& db) {
    if (!db.writable || db.file_read_only) return kDbOk;
    int32_t result = db.write_failed ? kDbWriteError : close_open_block(db);
    if (!result && (db.dirty_header || db.dirty_table || db.dirty_index || db.dirty_size)) {
        const bool header = db.dirty_header || db.dirty_table;
        const bool index = db.dirty_index;
        const bool size = db.dirty_size;
        db.dirty_header = db.dirty_index = db.dirty_size = false;
        if (header) result = write_header(db);
        if (!result && index) result = write_index(db);
        if (!result && size && !set_file_size(db, expected_file_size(db))) result = kDbWriteError;
    }
    if (!result) result = commit_writes(db);
    // A period that failed is undone, here, in the period that failed; later
    // calls start clean and never report this error again.
    if (result) undo_period(db);
    return result;
}

void undo_period(Db& db) {
    drop_open_block(db);
    // When the undo fails, the journal stays live and the next period (or
    // the next open) undoes the period.
    (void)roll_back_writes(db);
    db.write_failed = false;
    db.reload_needed = true;
    db.dirty_header = db.dirty_table = db.dirty_index = db.dirty_size = false;
    forget_blocks(db);
    db.search.result = -1;
}

void set_blockcount(Db& db, uint32_t count) {
    set_header_blockcount(db.header, count);
    db.dirty_header = true;
    db.dirty_size = true;
}

}  // namespace orvane::store
