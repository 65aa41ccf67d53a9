// How a typed query term becomes keys of the index. A word typed in UTF-8
// is looked for in each code page a text may be written in: the subject and
// body keep a text's own bytes, folded by the table of its character set,
// so "Grüße" stands in the index as the bytes of CP1252, CP850, the Mac
// page and so on. Names (author, receivers, file names) are indexed with
// every byte above 0x7F as a separator, and are looked for the same way.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cabinet/search_query.h"
#include "platform/status.h"

namespace orvane::cabinet {

// The term as texts of one character set hold it.
struct TermForm {
    uint8_t charset = 0;              // 0: the term is plain ASCII, the same everywhere
    std::vector<std::string> words;   // folded, in the order typed
    std::vector<std::string> keys;    // the keys to look up: the words the index keeps
    bool last_key_is_prefix = false;  // the last key stands for every key it begins
};

struct ResolvedTerm {
    QueryTerm term;
    std::vector<TermForm> forms;  // a text matches when one of them does
    bool prefix = false;          // the last word stands for every word it begins
    bool phrase = false;          // the words must stand together in the body
};

// Fails for a term without a word, and for a word longer than the index
// keeps (outside a phrase, whose other words still find the texts).
platform::Result<ResolvedTerm> resolve_term(const QueryTerm& term);

// The words of a phrase as the body of a text in `charset` holds them;
// nothing when that character set cannot write them.
std::optional<std::vector<std::string>> phrase_words(const ResolvedTerm& term, uint8_t charset);

// Whether the body holds the phrase's words one after the other.
bool body_has_phrase(std::string_view body, uint8_t charset, const std::vector<std::string>& words,
                     bool last_is_prefix);

}  // namespace orvane::cabinet
