#include "store/io.h"

#include <algorithm>

namespace orvane::store {

namespace {

constexpr uint32_t kRetryDelayMs = 500;

// Runs `transfer` once, and with DB_RETRY_IO again after a pause; with
// DB_CALLBACK_LOCK also after reopening the file, for files on a network
// share that lost their connection.
template <typename Transfer>
bool with_retry(Db& db, Transfer transfer) {
    if (transfer() == 0) return true;
    if (!db.retry_io) return false;
    db.env->sleep_ms(kRetryDelayMs);
    if (transfer() == 0) return true;
    if (!(db.flags & DB_CALLBACK_LOCK)) return false;
    db.env->sleep_ms(kRetryDelayMs);
    db.file.close();
    if (open_file(db) != 0) {
        db.env->sleep_ms(kRetryDelayMs);
        if (open_file(db) != 0) return false;
    }
    if (transfer() == 0) return true;
    db.env->sleep_ms(kRetryDelayMs);
    return transfer() == 0;
}

}  // namespace

int open_file(Db& db) {
    using namespace platform;
    const Share share = (db.flags & DB_SHARED) ? Share::ReadWrite : Share::None;
    const Access access = db.writable ? Access::ReadWrite : Access::Read;
    return db.file.open(db.name, access, share, Disposition::OpenExisting);
}

bool read_exact(Db& db, uint64_t offset, void* buffer, size_t length) {
    return with_retry(db, [&] { return db.file.read_at(offset, buffer, length); });
}

bool write_exact(Db& db, uint64_t offset, const void* buffer, size_t length) {
    if (with_retry(db, [&] { return db.file.write_at(offset, buffer, length); })) return true;
    db.write_failed = true;
    return false;
}

bool write_zeros(Db& db, uint64_t offset, uint64_t length) {
    static const uint8_t kZeros[16384] = {};
    while (length > 0) {
        const size_t piece = static_cast<size_t>(std::min<uint64_t>(length, sizeof kZeros));
        if (!write_exact(db, offset, kZeros, piece)) return false;
        offset += piece;
        length -= piece;
    }
    return true;
}

}  // namespace orvane::store
