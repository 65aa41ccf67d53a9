// One item of a receiver line, taken apart into the receiver's name, the
// bracketed number, the date and who sent it on.
//
// The server writes receiver items in two ways, matching the two forms of
// text headings:
//   colon form:  "Name Sender: Who -- posted: 15-Jan-99 10:20"
//   other form:  "Name [12] (posted: 15-Jan-99 10:20) (sender: Who)"
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "texts/calendar.h"
#include "texts/text_record.h"

namespace orvane::texts {

struct ReceiverItem {
    std::string name;    // as written, for the address lookup
    std::string sender;  // or empty
    uint32_t date = 0;   // stored date, or 0
    DateKind date_kind = DateKind::kSent;
    uint32_t number = 0;  // from a trailing "[n]" or "<n>", or 0
};

// `reference` is the day the input was written, for weekday words in dates.
ReceiverItem parse_receiver_item(std::string_view item, bool colon_form,
                                 const CivilDate& reference);

}  // namespace orvane::texts
