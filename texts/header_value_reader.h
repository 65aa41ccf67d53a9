// Reads the value of a header line item by item. A value may go on over
// indented lines that follow, so the reader takes further lines from a
// LineSource (the downdump parser supplies one that reads on in its file).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "texts/header_codes.h"

namespace orvane::texts {

class LineSource {
  public:
    virtual ~LineSource() = default;
    // The next line, without its line end, or nullopt at the end of the
    // input. The line stays the next one until take_line; the view is valid
    // until then.
    virtual std::optional<std::string_view> peek_line() = 0;
    virtual void take_line() = 0;
};

// Where the parenthesis depth starts. Commas at depth 0 or below part the
// items of a value.
constexpr int kListDepth = 0;
constexpr int kWholeValueDepth = 0x4000;  // commas never part items (subjects, single values)
constexpr int kFileNameDepth = -0x4000;   // parentheses never protect a comma (file names)

// The starting depth for the value of a header: file names split at every
// comma, lists of receivers and links at commas outside parentheses and
// quotes, and single values (author, date, subject, kept fields) not at all.
int start_depth_for(HeaderCode code);

class HeaderValueReader {
  public:
    static constexpr size_t kMaxItemLength = 1023;

    // `rest_of_line` is the header line after its colon and must outlive the
    // reader; `more` supplies the lines after it and may be null for a value
    // that cannot continue.
    HeaderValueReader(std::string_view rest_of_line, LineSource* more, int start_depth);

    // The next item, with blanks and tabs collapsed into single blanks,
    // leading and trailing blanks removed, and at most kMaxItemLength
    // characters. nullopt when the value has no more items.
    std::optional<std::string> next_item();

  private:
    static constexpr int kEndOfValue = -1;

    // The next character of the value, a line end before a continuation line
    // read as a blank; kEndOfValue at the end.
    int next_char();

    std::string_view line_;
    std::string continuation_;  // the line being read once the value went on past the first
    size_t pos_ = 0;
    LineSource* more_;
    int depth_;
    bool quoted_ = false;
    bool ended_ = false;
};

}  // namespace orvane::texts
