// Where each record of a file lives, read through the engine's internals,
// so that damage tests know which records a damaged block takes with it.
#pragma once

#include <map>
#include <set>
#include <string>

#include "store/db.h"

namespace orvane::store::testing {

struct Layout {
    std::map<std::string, std::string> records;  // key -> data
    std::map<uint32_t, std::set<std::string>>
        by_block;                           // data or extension block -> keys stored there
    std::map<uint32_t, bool> is_extension;  // block -> extension block?
    uint32_t blocksize = 0;
};

Layout layout_of(DbHandle db);

}  // namespace orvane::store::testing
