// Holds the database lock for one group of changes. commit() ends the
// period and writes it back; a guard that goes out of scope without commit()
// abandons the period, so that a group of changes that failed half-way is
// never committed as if whole.
#pragma once

#include <utility>

#include "store/db.h"

namespace orvane::cabinet {

class DbLockGuard {
  public:
    explicit DbLockGuard(store::DbHandle db) : db_(db), code_(store::DbLock(db)) {}
    ~DbLockGuard() {
        if (held()) store::DbAbandon(db_);
    }
    DbLockGuard(const DbLockGuard&) = delete;
    DbLockGuard& operator=(const DbLockGuard&) = delete;

    // The result of DbLock; 0 when the lock is held.
    int32_t code() const { return code_; }

    // Ends the period, committing it: 0 or the engine's error.
    [[nodiscard]] int32_t commit() {
        if (!held()) return code_;
        committed_ = true;
        return store::DbUnlock(db_);
    }

  private:
    bool held() const { return code_ == store::kDbOk && !committed_; }
    store::DbHandle db_;
    int32_t code_;
    bool committed_ = false;
};

}  // namespace orvane::cabinet
