// DbRebuildHeader: a new header for a file whose header cannot be restored
// from its backup, made from what the blocks show.
#include <algorithm>
#include <cerrno>

#include "platform/bytes.h"
#include "platform/file.h"
#include "store/block.h"
#include "store/crc8.h"
#include "store/db_file.h"
#include "store/header_check.h"
#include "store/journal.h"

namespace orvane::store {

using namespace header_offset;
using platform::load_le16;

namespace {

// Blocks looked at for each block size.
constexpr uint32_t kSamples = 64;

// How well a block size fits the file: of the blocks sampled, how many
// check, and how many of the data blocks among them have prefixed keys.
struct Fit {
    uint32_t blocksize = 0;
    uint32_t count = 0;  // blocks the file holds at this size
    uint32_t sampled = 0;
    uint32_t checked = 0;
    uint32_t data = 0;
    uint32_t prefixed = 0;
};

// Whether `raw` checks as a block of `blocksize` bytes: its header, its
// checksum and the zeros behind its stored bytes. A wrong block size cuts
// blocks apart or runs into the next one, so few blocks check at it.
bool block_checks(const uint8_t* raw, uint32_t blocksize, Fit* fit) {
    const bool extension = raw[1] == kExtensionMarker;
    const size_t header = extension ? kExtensionHeaderSize : kDataHeaderSize;
    const size_t stored = load_le16(raw + 2);
    if (stored > blocksize - header) return false;
    if (!extension) {
        const size_t length = load_le16(raw + 4);
        if (raw[1] >= 4 || length < stored || (!(raw[1] & kBlockCompressed) && length != stored))
            return false;
    }
    if (crc8(raw + 1, header - 1 + stored) != raw[0]) return false;
    if (std::any_of(raw + header + stored, raw + blocksize, [](uint8_t b) { return b != 0; }))
        return false;
    if (!extension) {
        ++fit->data;
        if (raw[1] & kBlockPrefixKeys) ++fit->prefixed;
    }
    return true;
}

Fit try_blocksize(const platform::File& file, uint64_t size, uint32_t blocksize) {
    Fit fit;
    fit.blocksize = blocksize;
    if (size < 2ull * blocksize) return fit;
    fit.count = static_cast<uint32_t>(std::min<uint64_t>(size / blocksize - 1, 0xFFFFFF));
    fit.sampled = std::min(fit.count, kSamples);
    std::vector<uint8_t> raw(blocksize);
    for (uint32_t i = 0; i < fit.sampled; ++i) {
        const uint64_t block = static_cast<uint64_t>(i) * fit.count / fit.sampled;
        if (file.read_at((block + 1) * blocksize, raw.data(), raw.size()) == 0 &&
            block_checks(raw.data(), blocksize, &fit))
            ++fit.checked;
    }
    return fit;
}

double share_checked(const Fit& fit) {
    return fit.sampled ? static_cast<double>(fit.checked) / fit.sampled : 0;
}

Fit best_fit(const platform::File& file, uint64_t size) {
    Fit best;
    for (uint32_t blocksize = kDbMinBlockSize; blocksize <= kDbMaxBlockSize; blocksize *= 2) {
        const Fit fit = try_blocksize(file, size, blocksize);
        if (share_checked(fit) > share_checked(best)) best = fit;
    }
    return best;
}

// The header the file should have: the sound copy of the main fields, or
// new ones from the blocks; the sound copy of the table, or the identity.
bool make_header(const platform::File& file, uint64_t size, const HeaderBytes& old,
                 HeaderBytes* made) {
    DbHeaderReport state;
    examine_header(old, &state);
    HeaderBytes& h = *made;
    if (state.header_sound || state.header_backup_sound) {
        h = old;
        if (!state.header_sound) restore_from_backups(h);
    } else {
        const Fit fit = best_fit(file, size);
        if (fit.checked == 0) return false;
        const bool prefixed = fit.prefixed * 2 > fit.data;
        init_header(h, fit.blocksize, 8,
                    static_cast<uint8_t>((prefixed ? kOptionPrefixKeys : 0) | kOptionCompress));
        set_header_blockcount(h, fit.count);
        // The counter lies outside the checksums and is likely intact.
        std::copy(&old[kCounter], &old[kCounter] + 4, &h[kCounter]);
    }
    // Only a table whose checksum is right is taken: in a damaged header,
    // the form that an open accepts without one (a checksum of 0) may
    // well be zeros, which would make every key equal.
    if (table_checksum(&old[kTable]) == old[kTableChecksum] || is_standard_table(&old[kTable])) {
        std::copy(&old[kTable], &old[kTable] + 256, &h[kTable]);
    } else if (state.table_backup_sound) {
        std::copy(&old[kBackupTable], &old[kBackupTable] + 256, &h[kTable]);
    } else {
        for (int i = 0; i < 256; ++i) h[kTable + i] = static_cast<uint8_t>(i);
    }
    seal_header(h, true);
    return true;
}

}  // namespace

int32_t DbRebuildHeader(const std::string& name, uint32_t flags, DbCallback callback,
                        platform::Env& env) {
    {
        platform::File file(env);
        const int error = file.open(name, platform::Access::ReadWrite, platform::Share::None,
                                    platform::Disposition::OpenExisting);
        if (error == ENOENT) return kDbFileNotFound;
        if (error == platform::kInUse) return kDbInUse;
        if (error) return kDbOpenError;
        // A period that a crash left unfinished is undone first: its
        // before-images may hold the sound header.
        Journal journal(env);
        journal.set_database(name);
        bool restored = false;
        if (journal.roll_back(file, &restored) != 0) return kDbWriteError;
        uint64_t size = 0;
        if (file.size(&size) != 0) return kDbReadError;
        HeaderBytes old{};
        size_t got = 0;
        if (file.read_some_at(0, old.data(), old.size(), &got) != 0) return kDbReadError;
        HeaderBytes made;
        if (!make_header(file, size, old, &made)) {
            if (callback) callback(nullptr, kDbBadFileHeader, 1, 1);
            return kDbCorrupt;
        }
        if (file.write_at(0, made.data(), made.size()) != 0 || file.flush() != 0)
            return kDbWriteError;
    }
    DbFile db;
    if (int32_t error =
            DbOpen(db.out(), name, (flags & ~(DB_READ_ONLY | DB_NO_AUTO_REPAIR)) | DB_HEADER_BACKUP,
                   callback, env))
        return error;
    if (int32_t error = DbRepair(db.get())) return error;
    return db.close();
}

}  // namespace orvane::store
