// Finding texts through the search index: every term's posting lists are
// read with DbGet and intersected, the smallest first; phrases are checked
// in the bodies of the texts that have all their words; the hits come
// newest first, dated by the stamps of the box lists, and only the texts
// shown are read. The texts themselves are never scanned.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cabinet/search_query.h"
#include "platform/status.h"
#include "texts/text_id.h"

namespace orvane::cabinet {

class Cabinet;

struct SearchOptions {
    std::optional<uint16_t> box;  // only texts filed in this box
    size_t limit = 50;            // hits given at most; 0: all
};

struct SearchHit {
    texts::TextId id = 0;
    uint16_t box = 0;  // the box it was found in (with SearchOptions::box, that one)
    uint32_t date = 0;
    std::string author;   // as stored, in the text's character set
    std::string subject;  // as stored
    uint8_t charset = 0;
};

struct SearchResult {
    std::vector<SearchHit> hits;  // newest first
    size_t matches = 0;           // hits before the limit
    bool index_up_to_date = true;
    // Faults met on the way; each has been told to the policy once.
    size_t damaged_lists = 0;  // word records that did not decode, taken as empty
    size_t gone_texts = 0;     // texts the index names that are not there
};

// Runs `query` over the word records of `cabinet`, as they are. The caller
// (SearchIndex::search) deals with the state of the index.
platform::Result<SearchResult> find_texts(Cabinet& cabinet, const Query& query,
                                          const SearchOptions& options);

}  // namespace orvane::cabinet
