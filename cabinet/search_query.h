// The query language of the search:
//
//   word          the word in the body or the subject
//   word*         any word that begins with "word"
//   from:NAME     the author; to:NAME a receiver; file:NAME a file name;
//   subject:WORD  a word of the subject
//   "a b c"       the words standing together, in this order, in the body;
//                 "a b*" the last one as a beginning
//   field:"a b"   every one of the words in the field
//
// Every term must match (AND). Field names are taken without regard to
// case. A term is parsed as typed (UTF-8); how it becomes the index's keys
// is the business of search_terms.h.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace orvane::cabinet {

enum class QueryField : uint8_t { kText, kAuthor, kReceiver, kSubject, kFileName };

struct QueryTerm {
    QueryField field = QueryField::kText;
    std::string text;     // as typed, without the field name, quotes and '*'
    bool prefix = false;  // the last word stands for every word it begins
    bool quoted = false;  // given in double quotes: a phrase when in the text

    bool operator==(const QueryTerm&) const = default;
};

struct Query {
    std::vector<QueryTerm> terms;
};

// Terms are separated by blanks outside double quotes. Fails for an empty
// query, an unknown field, a quote left open and a lone '*'.
platform::Result<Query> parse_query(std::string_view text);

// The query of a command line's arguments: an argument that holds a blank
// but no double quote was quoted in the shell and is taken as a phrase.
std::string query_of_arguments(const std::vector<std::string>& arguments);

}  // namespace orvane::cabinet
