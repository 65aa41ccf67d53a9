// The block that puts are filling. Packing, compressing, checksumming and
// writing a block again at every put would cost more than the put itself;
// instead the newest area of the block that puts go to stays in the handle,
// growing past what one block holds, until the puts go elsewhere, a change
// other than a put comes, a check reads the file, the area reaches its
// bound, or the period commits. Closing it after one put divides the block
// as a single put always does; after a run of puts, its records go into as
// many blocks as they need, each filled as far as it goes.
//
// Invariant: while a block is open, its area in the handle is newer than
// what the file holds for it, and nothing reads it from the file: loads of
// it take the open area, and whatever reads blocks raw closes it first
// (or, moving it, knows it; see free_block).
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "store/block_cache.h"
#include "store/records.h"

namespace orvane::store {

struct Db;

struct OpenBlock {
    int64_t block = -1;               // -1: none
    std::shared_ptr<BlockArea> area;  // the handle's own copy, changed in place
    size_t position = 0;        // its data entry at the last put; long data may move entries since
    int puts = 0;               // puts since it opened
    bool appended_only = true;  // every put since it opened went after its last record
};

// Where a key goes in an area: the bytes [from, to) give way to the new
// record followed by the key of the record after it (`next_key`), encoded
// anew behind the new record's key.
struct Place {
    bool replaces = false;
    DataPart replaced;     // the data part of the record replaced
    std::string last_key;  // the key of the record before the place
    size_t from = 0;
    size_t to = 0;
    bool has_next = false;
    std::string next_key;
};

// Finds the place of `key` in `area` (the whole area is walked, so that
// nothing is written for an area that turns out malformed). False when
// the area is malformed.
bool find_place(Db& db, const BlockArea& area, const uint8_t* key, size_t key_length, Place* place);

// Puts `record` at `place` in the block of data entry `position`, whose
// area is `area` (its keys prefixed as the handle writes them); the block
// becomes the open one. The caller has closed any other open block.
[[nodiscard]] int32_t put_into_open_block(Db& db, size_t position, const SharedArea& area,
                                          const Place& place, const Record& record);
// Packs and writes the open block, if any. A failure marks the period failed.
[[nodiscard]] int32_t close_open_block(Db& db);
// Forgets the open block unwritten: its period is being undone.
void drop_open_block(Db& db);

}  // namespace orvane::store
