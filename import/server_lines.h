// Recognising the single lines of server output that are not texts: echo
// markers, the count of errors in the uploaded packet, section lines that
// name the node, the server's number of a posted text, attached files.
// Markers and section lines are matched with exact case, as the server
// writes them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::import {

// An echo marker: "Orvane: C#12" (or the sibling reader's "Lumeth: C#12").
struct EchoMarker {
    char kind = 0;                   // 'C', 'E', 'T', 'M', 'R' or another character
    std::optional<uint32_t> number;  // the number after '#', when there is one
    std::string_view prefix;         // "Orvane: " or "Lumeth: ", for the matching end marker
};
std::optional<EchoMarker> parse_echo_marker(std::string_view line);

// "3 errors in updump." (or "1 error in updump."): the count.
std::optional<uint32_t> parse_error_count(std::string_view line);

// A line that names the node of the file: "Mail from NODE ...",
// "Letters from NODE", "Texts from NODE", "Processing updump to NODE".
struct SectionLine {
    std::string node;      // the word after the phrase
    bool sets_base_flags;  // all but "Processing updump to"
};
std::optional<SectionLine> parse_section_line(std::string_view line);

// The server's number of a posted text from one of the lines that give it
// ("(Text 1234)", "(Carbon ...", "(Single ...", "(Blind ...",
// "(No Carbon ..."), read at the fixed place the server's wording puts it.
std::optional<uint32_t> parse_posted_number(std::string_view line);

// "File NAME in ...": the name of a file attached to a posted text.
std::optional<std::string_view> parse_attached_file_line(std::string_view line);

// The decimal number at the start of `text`; nothing without digits or
// when it does not fit 32 bits.
std::optional<uint32_t> leading_number(std::string_view text);

// The rest of `line` after `prefix`, when the line starts with it.
std::optional<std::string_view> after_prefix(std::string_view line, std::string_view prefix);

}  // namespace orvane::import
