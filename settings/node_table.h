// The nodes of the network and the endpoints the program may connect to,
// loaded from "NodeInfo.ini" in the program directory. The table is filled
// once at start-up and read-only afterwards.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "texts/node_names.h"

namespace orvane::settings {

class IniCache;

inline constexpr const char* kNodeInfoFile = "NodeInfo.ini";
inline constexpr const char* kNodeInfoResource = "NODEINFO";
// The first version of the file in its present layout.
inline constexpr int kFirstNodeInfoVersion = 12;
inline constexpr size_t kMaxConnections = 7;
inline constexpr size_t kMaxDomains = 8;
// The node of a newly added user.
inline constexpr int kDefaultHomeNode = 'C';

struct NodeEntry {
    char letter = 0;  // 'A'..'Z'; 0 when the node's number is not a letter
    std::string name;
    std::string alias;
    bool active = false;
    std::string program;
    std::vector<std::string> domains;
};

// A connection endpoint: a host name or address with an optional port.
struct Endpoint {
    std::string host;
    int port = 23;
};
// Splits "host" or "host:port"; an IPv6 address is written "[address]" or
// "[address]:port", or bare on the default port. Nothing when the port is
// not a number in 1..65535 or the host is empty.
std::optional<Endpoint> parse_endpoint(std::string_view text);

class NodeTable : public texts::NodeNames {
  public:
    int version = 0;
    std::vector<NodeEntry> nodes;          // in file order
    std::vector<std::string> connections;  // endpoints in order, at most kMaxConnections
    int default_connection = 0;            // 1-based; 0 when there is none

    const NodeEntry* by_letter(char letter) const;
    // By name or alias, without regard to ASCII case.
    const NodeEntry* by_name(std::string_view name) const;
    // By one of its mail domains, without regard to ASCII case.
    const NodeEntry* by_domain(std::string_view domain) const;
    bool is_active(char letter) const;
    // Endpoint number `number` (1-based), or nothing.
    std::optional<std::string> connection(int number) const;

    std::string_view node_name(texts::NodeKey key) const override;
    texts::NodeKey node_key_by_name(std::string_view name) const override;
};

// Loads "NodeInfo.ini" from `program_directory`. A missing file, one of a
// version before the present layout, or one without nodes is replaced by
// the built-in copy first. When even that fails the table stays empty.
NodeTable load_node_information(IniCache& cache, const std::string& program_directory);

}  // namespace orvane::settings
