// The block that a run of puts in ascending key order is filling. Packing,
// checksumming and writing it again at every put would cost more than the
// put itself; instead its newest area stays in the handle (with its packed
// form when it needed compressing) until the run ends: at any operation
// other than a put, at a put that goes elsewhere, and at the commit.
//
// Invariant: while a block is open, its area in the handle is newer than
// what the file holds for it, and nothing reads it from the file: every
// operation but a put closes it first, and loads of it take the open area.
#pragma once

#include <cstdint>
#include <vector>

#include "store/block_cache.h"

namespace orvane::store {

struct Db;

struct OpenBlock {
    int64_t block = -1;  // -1: none
    SharedArea area;
    // The area packed, without its checksum yet; empty when the area fits
    // a block unpacked.
    std::vector<uint8_t> raw;
};

// Makes `block` the open block with `area` (and its packed form), closing
// another one first.
[[nodiscard]] int32_t keep_open(Db& db, uint32_t block, SharedArea area, std::vector<uint8_t> raw);
// Writes the open block, if any. A failure marks the period failed.
[[nodiscard]] int32_t close_open_block(Db& db);
// Forgets the open block unwritten: its period is being undone.
void drop_open_block(Db& db);

}  // namespace orvane::store
