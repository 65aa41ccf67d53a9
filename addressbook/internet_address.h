// The Internet address of a name on a node of the network: the name with
// its blanks, periods and parenthesised remarks turned into single periods,
// at the node's mail domain.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "settings/node_table.h"

namespace orvane::addressbook {

// Which of a node's domains serves a kind of object: persons the first,
// conferences the second (each falling back to the first when unset).
size_t domain_index_of(uint8_t type);

// "Ann Lee (guest)" on a node with domain "d.example" gives
// "Ann.Lee@d.example". Without a node, or a node without domains, the
// local part alone.
std::string internet_address(std::string_view name, const settings::NodeEntry* node,
                             size_t domain_index);

// The node whose domains include the part of `address` after its '@'.
const settings::NodeEntry* node_of_address(const settings::NodeTable& nodes,
                                           std::string_view address);

}  // namespace orvane::addressbook
