// Owns one open database handle. close() commits what is left and says how
// that went; the destructor closes a handle that was not closed, which
// commits nothing that matters: outside lock periods everything was written
// back when its period ended.
#pragma once

#include <utility>

#include "store/db.h"

namespace orvane::store {

class DbFile {
  public:
    DbFile() = default;
    explicit DbFile(DbHandle handle) : handle_(handle) {}
    ~DbFile() {
        // Outside lock periods there is nothing left to write back; inside
        // one, the owner's failure is already on its way to the user.
        if (handle_) (void)DbClose(handle_);
    }
    DbFile(DbFile&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    DbFile& operator=(DbFile&& other) noexcept {
        if (this != &other) {
            if (handle_) (void)DbClose(handle_);  // as in the destructor
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
    DbHandle handle_ = nullptr;
};

}  // namespace orvane::store
