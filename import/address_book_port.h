// What the import needs of the address book. The address book implements
// it; the import only calls through it, so that it can run (and be tested)
// without one: names then stay as written and no notice author is known.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/status.h"
#include "texts/header_values.h"
#include "texts/node_names.h"

namespace orvane::import {

class AddressBookPort : public texts::NameLookup {
  public:
    // Imports an address list file of a node (its name says which node and
    // whether complete); the file is the address book's to keep or delete.
    virtual platform::Status import_address_list(const std::string& path) = 0;

    // The object number of the person called `name` on node `node`, when
    // the address book knows him.
    virtual std::optional<uint16_t> object_number(texts::NodeKey node,
                                                  std::string_view name) const = 0;

    // Whether the Internet address `address` is kept in the address book.
    virtual bool knows_address(std::string_view address) const = 0;

    // `name` as the address book compares names.
    virtual std::string comparable_name(std::string_view name) const = 0;
};

// The import's stand-in while no address book is open: names stay as
// written, compared without regard to case and runs of blanks; address
// lists cannot be imported.
class NoAddressBook : public AddressBookPort {
  public:
    Result look_up(std::string_view written) const override;
    platform::Status import_address_list(const std::string& path) override;
    std::optional<uint16_t> object_number(texts::NodeKey, std::string_view) const override {
        return std::nullopt;
    }
    bool knows_address(std::string_view) const override { return false; }
    std::string comparable_name(std::string_view name) const override;
};

}  // namespace orvane::import
