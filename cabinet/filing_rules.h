// Where a text is filed when it arrives or leaves the In-Basket: the user's
// filing options decide between the In-Basket, the box of a correspondent or
// of a conference, and the Letters box.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cabinet/cabinet.h"
#include "settings/user_settings.h"
#include "texts/text_record.h"

namespace orvane::cabinet {

struct FilingOptions {
    bool auto_file = true;      // "AutoFile": file texts at all, else all stay in the In-Basket
    bool file_letters = false;  // "File Letters": letters go to their correspondent's box
    bool file_to_all = false;   // "File To All": a box for every correspondent or conference
    bool create_boxes = true;   // "Create Boxes": make a box that is missing
    bool separate_dir = false;  // "Separate Dir": new boxes under Letters and Conferences
    bool boxes_in_in_basket =
        false;  // "Boxes in In-Basket": otherwise new boxes go in the In-Basket
};

FilingOptions filing_options(const settings::OptionKeys& options);

struct FilingContext {
    // The user's own names (name and aliases): never a correspondent or a
    // conference of his own texts.
    std::vector<std::string> own_names;
    // The conference box an import is filing into, or -1.
    int conference_box = -1;
};

// The box called `name` wherever the user put it, or else a new one where
// the options put new boxes (`separate_parent` with "Separate Dir"); nothing
// when the options make no boxes or it cannot be made (the policy hears why).
std::optional<uint16_t> box_for(Cabinet& cabinet, const std::string& name, uint16_t separate_parent,
                                const FilingOptions& options);

// The boxes `text` belongs in, creating correspondent and conference boxes
// as the options ask. Never empty: when nothing else applies, or a box
// cannot be made, the In-Basket.
std::vector<uint16_t> choose_boxes(Cabinet& cabinet, const texts::TextRecord& text,
                                   const FilingOptions& options, const FilingContext& context);

}  // namespace orvane::cabinet
