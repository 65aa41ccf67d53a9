// What the text identifiers need to know about the nodes of the network:
// the names by which a node key is written and read. The node table of the
// settings implements it; texts stays free of the settings themselves.
#pragma once

#include <cstdint>
#include <string_view>

namespace orvane::texts {

// The upper-case letter code ('A'..'Z') that stands for a node; 0 for none.
using NodeKey = uint8_t;

class NodeNames {
  public:
    virtual ~NodeNames() = default;

    // The name of the node whose letter is `key` (as listed in the node
    // table, such as "TELVA"), or an empty view when no node has that letter.
    // The view must stay valid as long as the node table does.
    virtual std::string_view node_name(NodeKey key) const = 0;

    // The letter of the node whose name or second name (alias) equals
    // `name`, compared without regard to ASCII case; 0 when no node is
    // called so. An empty name matches no node.
    virtual NodeKey node_key_by_name(std::string_view name) const = 0;
};

}  // namespace orvane::texts
