// Holds the database lock for one group of changes and lets it go on every
// way out of the scope.
#pragma once

#include "store/db.h"

namespace orvane::cabinet {

class DbLockGuard {
  public:
    explicit DbLockGuard(store::DbHandle db) : db_(db), code_(store::DbLock(db)) {}
    ~DbLockGuard() {
        if (code_ == store::kDbOk) store::DbUnlock(db_);
    }
    DbLockGuard(const DbLockGuard&) = delete;
    DbLockGuard& operator=(const DbLockGuard&) = delete;

    // The result of DbLock; 0 when the lock is held.
    int32_t code() const { return code_; }

  private:
    store::DbHandle db_;
    int32_t code_;
};

}  // namespace orvane::cabinet
