// Stores the value of a header line read from server output in a text.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "texts/calendar.h"
#include "texts/header_value_reader.h"
#include "texts/node_names.h"
#include "texts/text_record.h"

namespace orvane::texts {

// The address lookup: turns a name as written into the name to keep and the
// kind of name it is. The address book implements it.
class NameLookup {
  public:
    struct Result {
        KindedName name;
        uint8_t name_type = 0;
    };
    virtual ~NameLookup() = default;
    virtual Result look_up(std::string_view written) const = 0;
};

// What the header values of one text are read against.
struct HeaderContext {
    const NodeNames& nodes;
    const NameLookup& names;
    NodeKey current_node = 0;   // added to linked ids that name no node
    bool colon_form = false;    // the text's heading was of the colon form
    CivilDate reference_day{};  // the day the input was written, for weekday words in dates
    int char_class = charsets::kWindowsClass;  // the character set of the text, for a
    int variant = charsets::kWestVariant;      // subject that is not pure ASCII
};

// A link that the reading text makes to another one: the other text gets the
// opposite link back to the reading text, with its id and author, when the
// reading text is filed.
struct ReverseLink {
    TextId linked_text = 0;
    HeaderCode code = HeaderCode::kComment;  // the code of the link to add there
};

// Reads the value of a header line with code `code`; `rest_of_line` is the
// line after its colon, `more` the lines after it (for continuation lines).
// Links to other texts are also appended to `reverse_links`.
void read_header_value(TextRecord& text, HeaderCode code, std::string_view rest_of_line,
                       LineSource* more, const HeaderContext& context,
                       std::vector<ReverseLink>& reverse_links);

// Reads a whole header line "Name: value". Returns false, leaving the text
// unchanged, when the line has no ':' or the name is not a header the
// program reads.
bool read_header_line(TextRecord& text, std::string_view line, LineSource* more,
                      const HeaderContext& context, std::vector<ReverseLink>& reverse_links);

}  // namespace orvane::texts
