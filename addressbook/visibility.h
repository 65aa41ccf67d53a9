// Who looks at the address book, and which objects he may see: an object
// meant only for its own person or for the members of a conference is seen
// by those alone, and a removed one by nobody.
#pragma once

#include <cstdint>
#include <vector>

#include "addressbook/records.h"

namespace orvane::addressbook {

struct Viewer {
    NodeKey node = 0;                   // his home node
    uint16_t object = 0;                // his own object number there; 0 when unknown
    std::vector<uint32_t> memberships;  // conferences on his home node

    // His own person, or an alias of it.
    bool is_own(NodeKey node_key, uint16_t number, uint8_t type) const;
    bool is_member(NodeKey node_key, uint16_t number, uint8_t type) const;
    bool may_see(NodeKey node_key, uint16_t number, uint8_t type, uint32_t flags) const;
    bool may_see(const AddressObject& object) const {
        return may_see(object.node, object.number, object.type, object.flags);
    }
};

}  // namespace orvane::addressbook
