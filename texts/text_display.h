// The heading line and header lines of a text as shown to the user, and in
// the plain-text form used for saving, printing and quoting, which the
// import reads back.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "texts/dates.h"
#include "texts/node_names.h"
#include "texts/text_record.h"

namespace orvane::texts {

struct DisplayContext {
    const NodeNames& nodes;
    NodeKey context_node = 0;  // ids on this node are written without node name
    // Plain text carries the charset bracket, the flag braces and the zone
    // of dates, and puts header values in column 11.
    bool plain_text = false;
    TimeDisplay time_display = TimeDisplay::utc;
};

// "Text TELVA:1234 (12 lines)", "Unsent Comment 17 (3 lines) [W1] {UI3P5}".
std::string heading_line(const TextRecord& text, const DisplayContext& context);

// "Name:\tvalue", or in plain text "Name:" padded so that the value starts in
// column 11. An empty value gives "Name:" alone.
std::string header_line(std::string_view label, std::string_view value, bool plain_text);

// The header lines of a text: From, By or Via, receivers, Date, links,
// further fields, Subject.
std::vector<std::string> header_lines(const TextRecord& text, const DisplayContext& context);

// The subject for showing and sorting: with the option "Remove Re" on, any
// number of leading "Re:", "Fw:" and "Fwd:" are dropped, each with one blank
// or control character after it. The stored subject stays as it is.
std::string_view shown_subject(std::string_view subject, bool remove_re);

}  // namespace orvane::texts
