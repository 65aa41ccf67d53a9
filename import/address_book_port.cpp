#include "import/address_book_port.h"

#include "texts/ascii.h"

namespace orvane::import {

texts::NameLookup::Result NoAddressBook::look_up(std::string_view written) const {
    return Result{{0, std::string(written)}, 0};
}

platform::Status NoAddressBook::import_address_list(const std::string& path) {
    return platform::Status::message(platform::MessageId::kAddressListNotImported, {path});
}

std::string NoAddressBook::comparable_name(std::string_view name) const {
    std::string out;
    for (char c : name) {
        if (texts::is_blank(c)) {
            if (!out.empty() && out.back() != ' ') out.push_back(' ');
            continue;
        }
        out.push_back(texts::to_lower(c));
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

}  // namespace orvane::import
