// Text headings: the line that starts a listed text, such as
//   "Text 1234 (12 lines) [W1] {CI3}"
//   "Letter CORVID:77: 15-Jan-99 10:20 / 3 lines / Ann Lee"   (colon form)
// Its word gives the kind of listing, then come the text's number (with
// an optional node), and either the date and author (colon form) or the
// character set in brackets and flags in braces.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "texts/calendar.h"
#include "texts/node_names.h"

namespace orvane::import {

// The kind of listing, from the heading's word.
enum class HeadingKind : uint8_t {
    kText = 0,      // "Text ", "Erased Text ", "Expired Text ", "(Text "
    kLetter = 1,    // "Letter "
    kAnswer = 2,    // "Answer "
    kComment = 3,   // "Comment "
    kNewText = 4,   // "New Text "
    kCommands = 5,  // "Commands "
};

struct Heading {
    HeadingKind kind = HeadingKind::kText;
    texts::NodeKey key = 0;  // the node the heading names; 0 when it names none
    uint32_t number = 0;
    std::string written_number;  // the number as written, node included
    bool colon_form = false;
    uint32_t date = 0;    // colon form
    std::string author;   // colon form, as written
    int char_class = -1;  // from "[W1]"; -1 when not given
    int variant = 0;
    // From the flag group "{...}".
    int kind_index = -1;  // 1 answer ('A'), 2 comment ('C'); -1 when not given
    std::optional<uint8_t> importance;
    std::optional<uint8_t> priority;
    bool unsent = false;
};

enum class HeadingMatch { kNone, kIgnored, kHeading };

// Reads a heading. "(Text " counts only while no echo is open
// (`paren_text_allowed`). A heading word with a number that is missing, 0
// or too large is kIgnored.
HeadingMatch parse_heading(std::string_view line, bool paren_text_allowed,
                           const texts::NodeNames& nodes, const texts::CivilDate& reference,
                           Heading* heading);

// The key under which a text of the colon form is kept: texts of node 'C'
// from before that node's numbers were taken over by 'K' belong to 'K'.
texts::NodeKey key_of_dated_text(texts::NodeKey key, uint32_t number, uint32_t date);

// The node key for a node name as section lines and headings write it: the
// node called so, or else the first letter upper-cased.
texts::NodeKey node_key_for_name(std::string_view name, const texts::NodeNames& nodes);

}  // namespace orvane::import
