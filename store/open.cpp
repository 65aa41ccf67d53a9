// Creating, opening and closing a database file, and the handle's options.
#include <cerrno>
#include <cstring>
#include <new>

#include "platform/bytes.h"
#include "store/block.h"
#include "store/header.h"
#include "store/index_area.h"
#include "store/io.h"
#include "store/period.h"

namespace orvane::store {

using namespace header_offset;

namespace {

constexpr uint32_t kRetryOpenDelayMs = 500;

bool valid_blocksize(int size) {
    return size >= kDbMinBlockSize && size <= kDbMaxBlockSize && (size & (size - 1)) == 0;
}

int32_t open_error(int error) {
    switch (error) {
        case ENOENT:
        case ENOTDIR:
            return kDbFileNotFound;
        case EACCES:
        case EPERM:
        case EROFS:
            return kDbFileReadOnly;
        case platform::kInUse:
            return kDbInUse;
        default:
            return kDbOpenError;
    }
}

// Buffers that depend on the block size and the handle's rights.
void allocate_buffers(Db& db) {
    db.raw.assign(db.blocksize(), 0);
    if (db.writable && !db.lz_table) {
        db.lz_table = std::make_unique<LzTable>();
        db.block_compressor = std::make_unique<LzResumingCompressor>();
    }
    forget_blocks(db);
}

bool refused(int error) {
    return error == EACCES || error == EPERM || error == EROFS;
}

int open_with_retry(Db& db) {
    int error = open_file(db);
    if (error && (db.flags & DB_RETRY_IO)) {
        db.env->sleep_ms(kRetryOpenDelayMs);
        error = open_file(db);
    }
    return error;
}

// The file as the handle's flags ask: for writing unless DB_READ_ONLY. Even a
// handle that only reads opens the file for writing when it may, so that it
// can undo a period that a writer left unfinished; a file that refuses
// writing may still be read with DB_READ_ONLY.
int32_t open_database_file(Db& db) {
    db.writable = !(db.flags & DB_READ_ONLY);
    db.file_read_only = false;
    int error = open_with_retry(db);
    if (refused(error)) {
        if (db.writable) return kDbFileReadOnly;
        db.file_read_only = true;
        error = open_with_retry(db);
    }
    if (error) return open_error(error);
    if (db.file_read_only) {
        // Nobody can undo an unfinished period here: its half would be read.
        bool live = false;
        if (db.journal.is_live(&live) != 0 || live) return kDbFileReadOnly;
    }
    return kDbOk;
}

int32_t finish_open(Db& db) {
    if (int32_t error = read_header(db, true)) return error;
    if (db.flags & DB_COMPRESS) {
        db.compress = true;
        if (!(db.header[kOptions] & kOptionCompress) && db.writable) {
            db.header[kOptions] |= kOptionCompress;
            db.dirty_header = true;
        }
    }
    allocate_buffers(db);
    if (header_blockcount(db.header) == 0 && db.writable) set_blockcount(db, 1);
    int32_t error = read_index_or_repair(db);
    if (!error) db.reload_needed = false;  // header and index are fresh
    if (!error) error = write_back(db);
    return error;
}

void set_environment(Db& db, platform::Env& env, const std::string& name) {
    db.env = &env;
    db.file = platform::File(env);
    db.name = name;
    db.journal = Journal(env);
    db.journal.set_database(name);
}

}  // namespace

uint32_t Db::blocksize() const {
    return platform::load_le16(&header[kBlockSize]);
}
bool Db::prefix_keys() const {
    return header[kOptions] & kOptionPrefixKeys;
}
bool Db::file_allows_compression() const {
    return header[kOptions] & kOptionCompress;
}

size_t Db::max_area() const {
    if (!compress && !file_allows_compression()) return blocksize() - kDataHeaderSize;
    return std::min<size_t>(4 * static_cast<size_t>(blocksize()), 65535);
}

int32_t Db::notify(int32_t code, int32_t a, int32_t b) {
    return callback ? callback(this, code, a, b) : 1;
}

int32_t DbOpen(DbHandle* handle, const std::string& name, uint32_t flags, DbCallback callback,
               platform::Env& env) {
    if (!handle || name.empty()) return kDbBadParameter;
    *handle = nullptr;
    auto db = std::unique_ptr<Db>(new (std::nothrow) Db);
    if (!db) return kDbNoMemory;
    set_environment(*db, env, name);
    db->flags = flags;
    db->retry_io = flags & DB_RETRY_IO;
    db->callback = std::move(callback);
    if (int32_t error = open_database_file(*db)) return error;
    db->recovery_needed = true;  // a live journal is undone before anything is read
    int32_t error = begin_operation(db.get(), Intent::Read, ChangeCheck::None);
    if (error) return error;
    error = end_operation(*db, finish_open(*db));
    if (error) return error;
    *handle = db.release();
    return kDbOk;
}

int32_t DbCreate(DbHandle* handle, const std::string& name, uint32_t flags, int blocksize,
                 int entry_size, DbCallback callback, platform::Env& env) {
    if (!handle || name.empty() || !valid_blocksize(blocksize) || entry_size < 8 ||
        entry_size > 254)
        return kDbBadParameter;
    *handle = nullptr;
    auto db = std::unique_ptr<Db>(new (std::nothrow) Db);
    if (!db) return kDbNoMemory;
    set_environment(*db, env, name);
    db->flags = flags & ~DB_READ_ONLY;
    db->retry_io = flags & DB_RETRY_IO;
    db->callback = std::move(callback);
    db->writable = true;
    db->compress = flags & DB_COMPRESS;
    const uint8_t options = (flags & DB_PREFIX_KEYS ? kOptionPrefixKeys : 0) |
                            (flags & DB_COMPRESS ? kOptionCompress : 0);
    init_header(db->header, static_cast<uint32_t>(blocksize), static_cast<uint32_t>(entry_size),
                options);
    adopt_header(*db);
    const platform::Share share =
        (flags & DB_SHARED) ? platform::Share::ReadWrite : platform::Share::None;
    if (int error = db->file.open(name, platform::Access::ReadWrite, share,
                                  platform::Disposition::CreateNew))
        return error == EEXIST ? kDbFileExists : kDbCreateError;
    // A journal of this name was left by an earlier file that is gone; it
    // must never be taken for this file's.
    const int stale = env.unlink(Journal::path_for(name));
    if (stale != 0 && stale != ENOENT) {
        db->file.close();
        (void)env.unlink(name);  // the create's own error is the one to report
        return kDbCreateError;
    }

    int32_t error = begin_operation(db.get(), Intent::Write, ChangeCheck::None);
    if (!error) {
        allocate_buffers(*db);
        const uint8_t no_key[256] = {};
        db->index.insert_data_entry(0, 0, no_key, 0);
        std::vector<uint8_t> raw;
        pack_block(*db, nullptr, 0, false, &raw);
        int32_t result = kDbOk;
        if (!write_exact(*db, 0, db->header.data(), kHeaderSize) ||
            !write_zeros(*db, kHeaderSize, db->blocksize() - kHeaderSize) ||
            write_raw_block(*db, 0, raw.data()) != kDbOk)
            result = kDbWriteError;
        db->dirty_index = db->dirty_size = true;
        error = end_operation(*db, result);
    }
    if (error) {
        db->file.close();
        (void)env.unlink(name);  // the create's own error is the one to report
        return error;
    }
    *handle = db.release();
    return kDbOk;
}

int32_t DbClose(DbHandle handle) {
    if (!handle) return kDbNotOpen;
    std::unique_ptr<Db> db(handle);
    // Outside a lock period everything was written back when it ended.
    const int32_t result = db->depth > 0 ? end_all_periods(*db) : kDbOk;
    // A shared file's journal may be in use by another process at any time.
    if (!(db->flags & DB_SHARED)) db->journal.remove_if_empty();
    return result;
}

int32_t DbLock(DbHandle handle) {
    return begin_operation(handle, Intent::Read);
}

int32_t DbUnlock(DbHandle handle) {
    if (!handle) return kDbNotOpen;
    if (handle->depth == 0) return kDbBadParameter;
    return end_operation(*handle, kDbOk);
}

int DbAbandon(DbHandle handle) {
    if (!handle || handle->depth == 0) return 0;
    abandon_operation(*handle);
    return handle->depth;
}

int32_t DbFlush(DbHandle handle) {
    if (int32_t error = begin_operation(handle, Intent::Read)) return error;
    int32_t result = write_back(*handle);
    if (!result && handle->writable && !handle->file_read_only && handle->file.flush() != 0)
        result = kDbWriteError;
    return end_operation(*handle, result);
}

int32_t DbSetCacheSize(DbHandle handle, size_t bytes) {
    if (!handle) return kDbNotOpen;
    if (handle->flags & DB_THREAD_SAFE) handle->mutex.lock();
    handle->cache.set_budget(bytes);
    if (handle->flags & DB_THREAD_SAFE) handle->mutex.unlock();
    return kDbOk;
}

int32_t DbSetOptions(DbHandle handle, uint32_t flags) {
    if (!handle) return kDbNotOpen;
    if ((flags & DB_COMPRESS) && !handle->file_allows_compression()) return kDbBadParameter;
    handle->compress = flags & DB_COMPRESS;
    handle->retry_io = flags & DB_RETRY_IO;
    handle->flags = (handle->flags & ~DB_NO_AUTO_REPAIR) | (flags & DB_NO_AUTO_REPAIR);
    return kDbOk;
}

}  // namespace orvane::store
