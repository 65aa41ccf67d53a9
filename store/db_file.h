// Owns one open database handle. close() commits what is left and says how
// that went; the destructor closes a handle that was not closed, abandoning
// a lock period its owner left open (a failure path), so that a half-done
// group of changes is undone, never committed.
#pragma once

#include <utility>

#include "store/db.h"

namespace orvane::store {

class DbFile {
  public:
    DbFile() = default;
    explicit DbFile(DbHandle handle) : handle_(handle) {}
    ~DbFile() { release(); }
    DbFile(DbFile&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    DbFile& operator=(DbFile&& other) noexcept {
        if (this != &other) {
            release();
            handle_ = std::exchange(other.handle_, nullptr);
        }
        return *this;
    }
    DbFile(const DbFile&) = delete;
    DbFile& operator=(const DbFile&) = delete;

    DbHandle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // For DbOpen and DbCreate to fill.
    DbHandle* out() { return &handle_; }

    [[nodiscard]] int32_t close() { return DbClose(std::exchange(handle_, nullptr)); }

  private:
    void release() {
        if (!handle_) return;
        while (DbAbandon(handle_) > 0) {
        }
        // Outside lock periods there is nothing left to write back.
        (void)DbClose(handle_);
    }

    DbHandle handle_ = nullptr;
};

}  // namespace orvane::store
