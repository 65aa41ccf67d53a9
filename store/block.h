// Data and extension blocks on disk. A data block starts with a 6-byte header
// (CRC over bytes 1-5 and the stored bytes; flags: bit 0 prefix-compressed
// keys, bit 1 LZ-compressed; stored length; record area length). An
// extension block starts with an 8-byte header (CRC over bytes 1-7 and the
// payload; 0x80; payload length; extension key). A block is always written
// whole, padded with zeros.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/handle.h"
#include "store/records.h"

namespace orvane::store {

inline constexpr size_t kDataHeaderSize = 6;
inline constexpr size_t kExtensionHeaderSize = 8;
inline constexpr uint8_t kExtensionMarker = 0x80;
inline constexpr uint8_t kBlockPrefixKeys = 0x01;
inline constexpr uint8_t kBlockCompressed = 0x02;

uint64_t block_offset(const Db& db, uint32_t block);

// Loads the data block of index entry `position` into the handle's buffer
// (db.area), from the cache or else from the file, and checks its first key
// against the entry.
[[nodiscard]] int32_t load_block(Db& db, size_t position);
// The same for a block without an entry to compare (repair, walking).
[[nodiscard]] int32_t load_block_number(Db& db, uint32_t block);
// Reads just enough of the block of entry `position` to know its first key
// (no CRC check) and compares it with the entry. `key` has room for 255.
[[nodiscard]] int32_t read_first_key(Db& db, size_t position, uint8_t* key, size_t* key_length);
// Forgets the block in the buffer (it stays cached).
void forget_buffer(Db& db);
// Forgets every block read, so that the next load reads from the file:
// another process wrote, a period was undone, the index is rebuilt.
void forget_blocks(Db& db);

// Packs an area as a block: uncompressed when it fits, else compressed when
// `allow_compress`. Gives false when it does not fit. `raw` gets blocksize
// bytes; its checksum only with `seal` (a trial that may be thrown away
// needs none).
bool pack_block(Db& db, const uint8_t* area, size_t length, bool allow_compress,
                std::vector<uint8_t>* raw, bool seal = true);
// Sets the checksum of a packed data block.
void seal_block(std::vector<uint8_t>* raw);
// Writes a packed block and, as it is now the block on disk, keeps its area
// in the buffer.
[[nodiscard]] int32_t write_packed_block(Db& db, uint32_t block, const std::vector<uint8_t>& raw,
                                         const uint8_t* area, size_t length);
[[nodiscard]] int32_t write_raw_block(Db& db, uint32_t block, const uint8_t* raw);
[[nodiscard]] int32_t read_raw_block(Db& db, uint32_t block, uint8_t* raw);

// Reads the extension block `block`, which must carry `extension_key`, and
// appends its payload.
[[nodiscard]] int32_t read_extension_block(Db& db, uint32_t block, uint32_t extension_key,
                                           std::vector<uint8_t>* payload);
[[nodiscard]] int32_t write_extension_block(Db& db, uint32_t block, uint32_t extension_key,
                                            const uint8_t* payload, size_t length);

}  // namespace orvane::store
