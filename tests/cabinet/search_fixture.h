// What the search tests share: the word records of a cabinet as they are,
// the index its texts call for, and a brute-force search over the texts.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "cabinet/cabinet.h"
#include "cabinet/search_query.h"

namespace orvane::cabinet::testing {

// Word key -> the ids of its list.
using WordIndex = std::map<std::string, std::vector<texts::TextId>>;

// Every word record as stored; a list that does not decode is given as the
// single id 0xDEADBEEF, which no test uses.
WordIndex stored_index(store::DbHandle db);

// The index the texts call for: every text stored in the cabinet, indexed
// by the rules of `options` unless only in the Waste-Basket.
WordIndex expected_index(Cabinet& cabinet, const IndexOptions& options);

// The ids of the texts that answer `query`, by reading every text;
// newest first.
std::vector<texts::TextId> brute_force_search(Cabinet& cabinet, const IndexOptions& options,
                                              const std::string& query);

// A receiver of that name.
texts::ReceiverEntry receiver_named(std::string name);

// The raw data of one word record; empty when there is none.
std::vector<uint8_t> word_record(store::DbHandle db, const std::string& key);

}  // namespace orvane::cabinet::testing
