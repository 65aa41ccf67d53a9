// The 1024-byte file header: fields, checksums, backups and collating table.
#pragma once

#include <cstdint>

#include "store/handle.h"

namespace orvane::store {

namespace header_offset {
inline constexpr size_t kMagic = 0;
inline constexpr size_t kCounter = 4;
inline constexpr size_t kVersion = 8;
inline constexpr size_t kBlockCount = 10;  // 4 bytes; the high half only in version 3
inline constexpr size_t kEntrySize = 14;
inline constexpr size_t kNextExtension = 16;
inline constexpr size_t kWrapped = 20;
inline constexpr size_t kWide = 21;
inline constexpr size_t kChecksum = 30;
inline constexpr size_t kTableChecksum = 31;
inline constexpr size_t kBackupBlockCountHigh = 478;
inline constexpr size_t kBackupTable = 480;
inline constexpr size_t kBlockSize = 736;
inline constexpr size_t kOptions = 738;
inline constexpr size_t kBackupChecksum = 739;
inline constexpr size_t kBackupMagic = 740;
inline constexpr size_t kBackupVersion = 744;
inline constexpr size_t kBackupBlockCount = 746;
inline constexpr size_t kBackupBlockSize = 748;
inline constexpr size_t kBackupEntrySize = 750;
inline constexpr size_t kBackupNextExtension = 752;
inline constexpr size_t kBackupWrapped = 756;
inline constexpr size_t kBackupOptions = 757;
inline constexpr size_t kBackupWide = 758;
inline constexpr size_t kBackupTableChecksum = 767;
inline constexpr size_t kTable = 768;
}  // namespace header_offset

inline constexpr uint8_t kOptionPrefixKeys = 0x01;
inline constexpr uint8_t kOptionCompress = 0x02;
inline constexpr uint32_t kExtensionKeyStep = 256;

using HeaderBytes = std::array<uint8_t, kHeaderSize>;

// Checksum of the main fields; without byte 0 when `skip_first` (an older
// form that is still accepted).
uint8_t header_checksum(const HeaderBytes& header, bool skip_first = false);
// Whether the main checksum is right or in a form an open accepts and
// rewrites (0, or the older form without byte 0).
bool header_checksum_accepted(const HeaderBytes& header);
uint8_t backup_checksum(const HeaderBytes& header);
uint8_t table_checksum(const uint8_t* table);
// The identity, or the table mapping A-Z to a-z, or a-z to A-Z: accepted
// without a right checksum.
bool is_standard_table(const uint8_t* table);
bool valid_blocksize_value(uint32_t size);
// Magic, block size and entry size make sense (a version above 3 is not
// damage but a newer file).
bool header_fields_valid(const HeaderBytes& header);
// Copies the backed-up main fields over the main fields.
void restore_from_backups(HeaderBytes& header);
// Refreshes the backups and the checksums; with `table` also the table's
// backup and checksums.
void seal_header(HeaderBytes& header, bool table);

// A header for a new, empty file (version 2, one block, identity table).
void init_header(HeaderBytes& header, uint32_t blocksize, uint32_t entry_size, uint8_t options);

uint32_t header_version(const HeaderBytes& header);
uint32_t header_blockcount(const HeaderBytes& header);
void set_header_blockcount(HeaderBytes& header, uint32_t count);
uint32_t header_counter(const HeaderBytes& header);

// Reads the header at offset 0 and checks it; `table_check` on open only.
// Repairs what the accepted forms and backups allow and writes it back at
// once when it changed and the handle may write.
[[nodiscard]] int32_t read_header(Db& db, bool table_check);
// Refreshes backups and checksums and writes the whole header.
[[nodiscard]] int32_t write_header(Db& db);
// Takes the collating table and the index layout from the header.
void adopt_header(Db& db);

}  // namespace orvane::store
