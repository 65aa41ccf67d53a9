// Adding and freeing blocks. Block numbers stay dense: a freed block's place
// is taken by the file's last block. The format switches between 16-bit and
// 24-bit block numbers as the file grows past 65535 blocks or shrinks below
// 65520.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/handle.h"

namespace orvane::store {

inline constexpr uint32_t kMaxBlocks = 0xFFFFFF;
inline constexpr uint32_t kVersion2MaxBlocks = 65535;
inline constexpr uint32_t kVersion2ReturnBelow = 65520;

// The number a block appended now gets (widening block numbers first when
// 16 bits no longer suffice); 21 when the file is full.
[[nodiscard]] int32_t next_block_number(Db& db, uint32_t* block);
// Records a block written at next_block_number() as data entry `position`.
void add_data_entry(Db& db, size_t position, uint32_t block, const uint8_t* key, size_t key_length);
// Rewrites the key of data entry `position` when the block's first key changed.
void update_data_entry(Db& db, size_t position, const uint8_t* key, size_t key_length);
[[nodiscard]] int32_t free_block(Db& db, size_t position);
// Frees blocks that no index entry names any more, keeping numbers dense.
[[nodiscard]] int32_t drop_unlisted_blocks(Db& db, std::vector<uint32_t> blocks);

// Switches the block number width, marking header, index and size dirty.
void convert_version(Db& db, bool wide);
// Gives a file about to hold `blocks` blocks the width it needs: 16-bit
// numbers serve up to kVersion2MaxBlocks blocks, and a wide file narrows
// only below kVersion2ReturnBelow, so that a file near the limit does not
// switch at every change.
void fit_block_number_width(Db& db, uint32_t blocks);

}  // namespace orvane::store
