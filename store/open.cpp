// Creating, opening and closing a database file, and the handle's options.
#include <fcntl.h>

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
    db.area.assign(std::max<size_t>(db.max_area(), db.blocksize()), 0);
    if (db.writable && !db.lz_table) {
        db.lz_table = std::make_unique<LzTable>();
        db.block_compressor = std::make_unique<LzResumingCompressor>();
    }
    forget_buffer(db);
}

// The file as the handle's flags ask: for writing unless DB_READ_ONLY; a file
// that refuses writing may still be read with DB_READ_ONLY.
int32_t open_database_file(Db& db) {
    db.writable = !(db.flags & DB_READ_ONLY);
    int error = open_file(db);
    if (error && (db.flags & DB_RETRY_IO)) {
        db.env->sleep_ms(kRetryOpenDelayMs);
        error = open_file(db);
    }
    if (error == EACCES || error == EPERM || error == EROFS) {
        if (db.writable) return kDbFileReadOnly;
    }
    if (error) return open_error(error);
    if (!db.writable) {
        // Whether the file itself refuses writing, as the handle's Env sees it.
        int probe = -1;
        const int refused = db.env->open(db.name, O_WRONLY | O_CLOEXEC, 0, &probe);
        if (probe >= 0) db.env->close(probe);
        db.file_read_only = refused == EACCES || refused == EPERM || refused == EROFS;
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
    if (!error) error = write_back(db);
    return error;
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
    db->env = &env;
    db->file = platform::File(env);
    db->name = name;
    db->flags = flags;
    db->retry_io = flags & DB_RETRY_IO;
    db->callback = std::move(callback);
    if (int32_t error = open_database_file(*db)) return error;
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
    db->env = &env;
    db->file = platform::File(env);
    db->name = name;
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
    return db->depth > 0 ? end_all_periods(*db) : kDbOk;
}

int32_t DbLock(DbHandle handle) {
    return begin_operation(handle, Intent::Read);
}

int32_t DbUnlock(DbHandle handle) {
    if (!handle) return kDbNotOpen;
    if (handle->depth == 0) return kDbBadParameter;
    return end_operation(*handle, kDbOk);
}

void DbAbandon(DbHandle handle) {
    if (handle && handle->depth > 0) abandon_operation(*handle);
}

int32_t DbFlush(DbHandle handle) {
    if (int32_t error = begin_operation(handle, Intent::Read)) return error;
    int32_t result = write_back(*handle);
    if (!result && handle->writable && !handle->file_read_only && handle->file.flush() != 0)
        result = kDbWriteError;
    // Inside a lock period the header and index just written match the
    // blocks. The next change must bump the counter again, so that an index
    // left behind by a crash after it is seen as stale.
    if (!result) handle->period_written = false;
    return end_operation(*handle, result);
}

int32_t DbSetOptions(DbHandle handle, uint32_t flags) {
    if (!handle) return kDbNotOpen;
    if ((flags & DB_COMPRESS) && !handle->file_allows_compression()) return kDbBadParameter;
    handle->compress = flags & DB_COMPRESS;
    handle->retry_io = flags & DB_RETRY_IO;
    return kDbOk;
}

}  // namespace orvane::store
