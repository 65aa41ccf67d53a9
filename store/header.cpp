#include "store/header.h"

#include <algorithm>
#include <cstring>

#include "platform/bytes.h"
#include "store/crc8.h"
#include "store/io.h"

namespace orvane::store {

using namespace header_offset;
using platform::load_le16;
using platform::load_le32;
using platform::store_le16;
using platform::store_le32;

namespace {

constexpr uint8_t kMagicBytes[4] = {0x5A, 0x74, 0x44, 0x42};  // "ZtDB"

// The header bytes the main checksum covers, in order; 12 and 13 follow for
// version 3 and above.
constexpr size_t kChecked[] = {0, 1, 2, 3, 8, 9, 10, 11, 736, 737, 14, 15, 16, 17, 18, 19, 20, 738};

void refresh_backups(HeaderBytes& h) {
    std::memcpy(&h[kBackupMagic], &h[kMagic], 4);
    std::memcpy(&h[kBackupVersion], &h[kVersion], 2);
    std::memcpy(&h[kBackupBlockCount], &h[kBlockCount], 2);
    std::memcpy(&h[kBackupBlockCountHigh], &h[kBlockCount + 2], 2);
    std::memcpy(&h[kBackupBlockSize], &h[kBlockSize], 2);
    std::memcpy(&h[kBackupEntrySize], &h[kEntrySize], 2);
    std::memcpy(&h[kBackupNextExtension], &h[kNextExtension], 4);
    h[kBackupWrapped] = h[kWrapped];
    h[kBackupOptions] = h[kOptions];
    h[kBackupWide] = h[kWide];
}

}  // namespace

bool is_standard_table(const uint8_t* table) {
    bool identity = true, lower = true, upper = true;
    for (int i = 0; i < 256; ++i) {
        const uint8_t b = static_cast<uint8_t>(i);
        identity &= table[i] == b;
        lower &= table[i] == (b >= 'A' && b <= 'Z' ? b + 32 : b);
        upper &= table[i] == (b >= 'a' && b <= 'z' ? b - 32 : b);
    }
    return identity || lower || upper;
}

void restore_from_backups(HeaderBytes& h) {
    std::memcpy(&h[kMagic], &h[kBackupMagic], 4);
    std::memcpy(&h[kVersion], &h[kBackupVersion], 2);
    std::memcpy(&h[kBlockCount], &h[kBackupBlockCount], 2);
    std::memcpy(&h[kBlockCount + 2], &h[kBackupBlockCountHigh], 2);
    std::memcpy(&h[kBlockSize], &h[kBackupBlockSize], 2);
    std::memcpy(&h[kEntrySize], &h[kBackupEntrySize], 2);
    std::memcpy(&h[kNextExtension], &h[kBackupNextExtension], 4);
    h[kWrapped] = h[kBackupWrapped];
    h[kOptions] = h[kBackupOptions];
    h[kWide] = h[kBackupWide];
}

bool valid_blocksize_value(uint32_t size) {
    return size >= kDbMinBlockSize && size <= kDbMaxBlockSize && (size & (size - 1)) == 0;
}

bool header_fields_valid(const HeaderBytes& h) {
    if (std::memcmp(&h[kMagic], kMagicBytes, 4) != 0 ||
        !valid_blocksize_value(load_le16(&h[kBlockSize])))
        return false;
    const uint32_t version = load_le16(&h[kVersion]);
    const uint32_t entry_size = load_le16(&h[kEntrySize]);
    return version > 3 || (entry_size + (version >= 3 ? 1 : 0) >= (version >= 3 ? 3u : 2u) + 6 &&
                           entry_size <= 254);
}

void seal_header(HeaderBytes& h, bool table) {
    refresh_backups(h);
    h[kChecksum] = header_checksum(h);
    h[kBackupChecksum] = backup_checksum(h);
    if (table) {
        std::memcpy(&h[kBackupTable], &h[kTable], 256);
        h[kTableChecksum] = h[kBackupTableChecksum] = table_checksum(&h[kTable]);
    }
}

uint8_t header_checksum(const HeaderBytes& h, bool skip_first) {
    uint8_t crc = kCrc8Start;
    for (size_t i = skip_first ? 1 : 0; i < std::size(kChecked); ++i)
        crc = crc8_byte(crc, h[kChecked[i]]);
    if (load_le16(&h[kVersion]) > 2) {
        crc = crc8_byte(crc, h[12]);
        crc = crc8_byte(crc, h[13]);
    }
    return crc;
}

bool header_checksum_accepted(const HeaderBytes& h) {
    return header_checksum(h) == h[kChecksum] || h[kChecksum] == 0 ||
           (load_le16(&h[kVersion]) > 2 && header_checksum(h, true) == h[kChecksum]);
}

uint8_t backup_checksum(const HeaderBytes& h) {
    uint8_t crc = crc8(&h[kBackupMagic], kBackupWrapped + 2 - kBackupMagic);
    if (load_le16(&h[kBackupVersion]) >= 3) crc = crc8_update(crc, &h[kBackupBlockCountHigh], 2);
    return crc;
}

uint8_t table_checksum(const uint8_t* table) {
    return crc8(table, 256);
}

void init_header(HeaderBytes& h, uint32_t blocksize, uint32_t entry_size, uint8_t options) {
    h.fill(0);
    std::memcpy(&h[kMagic], kMagicBytes, 4);
    store_le16(&h[kVersion], 2);
    set_header_blockcount(h, 1);
    store_le16(&h[kEntrySize], static_cast<uint16_t>(entry_size));
    store_le16(&h[kBlockSize], static_cast<uint16_t>(blocksize & 0xFFFF));
    h[kOptions] = options;
    for (int i = 0; i < 256; ++i) h[kTable + i] = static_cast<uint8_t>(i);
    seal_header(h, true);
}

uint32_t header_version(const HeaderBytes& h) {
    return load_le16(&h[kVersion]);
}
uint32_t header_counter(const HeaderBytes& h) {
    return load_le32(&h[kCounter]);
}

uint32_t header_blockcount(const HeaderBytes& h) {
    return header_version(h) >= 3 ? load_le32(&h[kBlockCount]) : load_le16(&h[kBlockCount]);
}

void set_header_blockcount(HeaderBytes& h, uint32_t count) {
    store_le32(&h[kBlockCount], count);
}

int32_t read_header(Db& db, bool table_check) {
    HeaderBytes h;
    if (!read_exact(db, 0, h.data(), h.size())) return kDbReadError;
    bool dirty = false;
    bool table_dirty = false;

    bool header_ok = header_checksum(h) == h[kChecksum];
    if (!header_ok && header_checksum_accepted(h)) {
        h[kChecksum] = header_checksum(h);
        header_ok = dirty = true;
    }
    bool table_ok = true;
    if (table_check) {
        table_ok = table_checksum(&h[kTable]) == h[kTableChecksum];
        if (!table_ok && h[kTableChecksum] == 0) {
            h[kTableChecksum] = table_checksum(&h[kTable]);
            table_ok = table_dirty = true;
        }
    }
    if (db.flags & DB_HEADER_BACKUP) {
        if (!header_ok && backup_checksum(h) == h[kBackupChecksum]) {
            restore_from_backups(h);
            h[kChecksum] = header_checksum(h);
            header_ok = dirty = true;
        }
        if (!table_ok && table_checksum(&h[kBackupTable]) == h[kBackupTableChecksum]) {
            std::memcpy(&h[kTable], &h[kBackupTable], 256);
            h[kTableChecksum] = h[kBackupTableChecksum];
            table_ok = table_dirty = true;
        }
    }
    if (!table_ok && is_standard_table(&h[kTable])) {
        h[kTableChecksum] = table_checksum(&h[kTable]);
        table_ok = table_dirty = true;
    }
    if (std::memcmp(&h[kMagic], kMagicBytes, 4) != 0 ||
        !valid_blocksize_value(load_le16(&h[kBlockSize])))
        return db.fail(kDbBadFileHeader, kDbCorrupt);
    if (!header_ok || !table_ok) return db.fail(kDbFileHeaderCrc, kDbCorrupt);
    const uint32_t version = load_le16(&h[kVersion]);
    if (version > 3) return kDbWrongVersion;
    if (version <= 2) {
        if (version != 2) {
            store_le16(&h[kVersion], 2);
            dirty = true;
        }
        if (load_le16(&h[kBlockCount + 2]) != 0 || load_le16(&h[kBackupBlockCountHigh]) != 0 ||
            h[kWide] != 0) {
            store_le16(&h[kBlockCount + 2], 0);
            store_le16(&h[kBackupBlockCountHigh], 0);
            h[kWide] = 0;
            dirty = true;
        }
    }
    const uint32_t entry_size = load_le16(&h[kEntrySize]);
    const uint32_t key_offset = version >= 3 ? 3 : 2;
    if (entry_size + (version >= 3 ? 1 : 0) < key_offset + 6 || entry_size > 254)
        return db.fail(kDbBadFileHeader, kDbCorrupt);

    db.header = h;
    if (table_dirty) db.dirty_table = true;
    if (dirty) db.dirty_header = true;
    if ((dirty || table_dirty) && db.writable && !db.file_read_only) {
        if (int32_t error = write_header(db)) return error;
    }
    db.header[kNextExtension] = 0;
    adopt_header(db);
    db.index_bytes_in_block0 = 0;
    return kDbOk;
}

void adopt_header(Db& db) {
    std::memcpy(db.collate.data(), &db.header[kTable], 256);
    db.identity_table = true;
    for (int i = 0; i < 256; ++i) db.identity_table &= db.collate[i] == i;
    db.index.set_layout(header_version(db.header) >= 3, load_le16(&db.header[kEntrySize]));
}

int32_t write_header(Db& db) {
    seal_header(db.header, db.dirty_table);
    db.dirty_header = db.dirty_table = false;
    return write_exact(db, 0, db.header.data(), db.header.size()) ? kDbOk : kDbWriteError;
}

}  // namespace orvane::store
