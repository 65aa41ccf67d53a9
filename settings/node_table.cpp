#include "settings/node_table.h"

#include <charconv>

#include "platform/builtin_files.h"
#include "platform/directories.h"
#include "settings/ini_file.h"
#include "settings/ini_values.h"
#include "texts/ascii.h"

namespace orvane::settings {

namespace {

constexpr size_t kNameLength = 8;
constexpr size_t kEndpointLength = 31;
constexpr size_t kDomainLength = 31;
// In files before the present layout, the endpoint of the node that was the
// default then; it chooses the default connection after the file is replaced.
constexpr const char* kOldDefaultSection = "Node.TELVA";

std::string domain_key(size_t index) {
    return index == 0 ? "Domain" : "Domain" + std::to_string(index + 1);
}

NodeEntry read_node(IniFile& file, const std::string& listed_name) {
    NodeEntry node;
    node.name = listed_name.substr(0, kNameLength);
    std::string section = "Node." + listed_name;
    node.alias = file.get_string(section, "Alias", {}, kNameLength);
    int number = get_int(file, "Nodes", listed_name, 0);
    if (number < 'A' || number > 'Z') return node;
    node.letter = static_cast<char>(number);
    node.active = get_int(file, section, "Active", 0) != 0;
    for (size_t i = 0; i < kMaxDomains; ++i) {
        std::string domain = file.get_string(section, domain_key(i), {}, kDomainLength);
        if (!domain.empty()) node.domains.push_back(domain);
    }
    node.program = file.get_string(section, "Program", "qor", kNameLength);
    return node;
}

}  // namespace

std::optional<Endpoint> parse_endpoint(std::string_view text) {
    Endpoint endpoint;
    std::string_view host = text;
    std::string_view port;
    if (text.starts_with('[')) {
        // "[2001:db8::1]" or "[2001:db8::1]:2323": an IPv6 address with a port.
        size_t close = text.find(']');
        if (close == std::string_view::npos) return std::nullopt;
        host = text.substr(1, close - 1);
        std::string_view rest = text.substr(close + 1);
        if (!rest.empty()) {
            if (rest.front() != ':') return std::nullopt;
            port = rest.substr(1);
            if (port.empty()) return std::nullopt;
        }
    } else if (size_t colon = text.find(':'); colon != std::string_view::npos) {
        // A second colon makes the whole text a bare IPv6 address on the
        // default port; otherwise the text after the colon is the port.
        if (text.find(':', colon + 1) == std::string_view::npos) {
            host = text.substr(0, colon);
            port = text.substr(colon + 1);
            if (port.empty()) return std::nullopt;
        }
    }
    if (!port.empty()) {
        auto result = std::from_chars(port.data(), port.data() + port.size(), endpoint.port);
        if (result.ec != std::errc() || result.ptr != port.data() + port.size() ||
            endpoint.port < 1 || endpoint.port > 65535) {
            return std::nullopt;
        }
    }
    if (host.empty()) return std::nullopt;
    endpoint.host = std::string(host);
    return endpoint;
}

const NodeEntry* NodeTable::by_letter(char letter) const {
    if (letter == 0) return nullptr;
    for (const auto& node : nodes) {
        if (node.letter == letter) return &node;
    }
    return nullptr;
}

const NodeEntry* NodeTable::by_name(std::string_view name) const {
    if (name.empty()) return nullptr;
    for (const auto& node : nodes) {
        if (texts::equals_ignoring_case(node.name, name) ||
            texts::equals_ignoring_case(node.alias, name))
            return &node;
    }
    return nullptr;
}

const NodeEntry* NodeTable::by_domain(std::string_view domain) const {
    if (domain.empty()) return nullptr;
    for (const auto& node : nodes) {
        for (const auto& own : node.domains) {
            if (texts::equals_ignoring_case(own, domain)) return &node;
        }
    }
    return nullptr;
}

bool NodeTable::is_active(char letter) const {
    const NodeEntry* node = by_letter(letter);
    return node && node->active;
}

std::optional<std::string> NodeTable::connection(int number) const {
    if (number < 1 || static_cast<size_t>(number) > connections.size()) return std::nullopt;
    return connections[static_cast<size_t>(number) - 1];
}

std::string_view NodeTable::node_name(texts::NodeKey key) const {
    const NodeEntry* node = by_letter(static_cast<char>(key));
    return node ? std::string_view(node->name) : std::string_view();
}

texts::NodeKey NodeTable::node_key_by_name(std::string_view name) const {
    const NodeEntry* node = by_name(name);
    return node ? static_cast<texts::NodeKey>(node->letter) : 0;
}

NodeTable load_node_information(IniCache& cache, const std::string& program_directory) {
    NodeTable table;
    std::string path = platform::join_path(program_directory, kNodeInfoFile);
    IniFile file = cache.open(program_directory, kNodeInfoFile);
    table.version = get_int(file, "General", "Version", 0);
    std::string old_default;
    if (table.version < kFirstNodeInfoVersion) {
        old_default = file.get_string(kOldDefaultSection, "Telnet", {}, kEndpointLength);
    }

    std::vector<std::string> names;
    for (int pass = 0; pass < 2 && names.empty(); ++pass) {
        if (table.version < kFirstNodeInfoVersion || pass == 1) {
            file.close();
            // A failure leaves the old file (or none): the table then stays empty.
            (void)platform::write_builtin_file(kNodeInfoResource, path, true);
            file = cache.open(program_directory, kNodeInfoFile);
            table.version = get_int(file, "General", "Version", 0);
        }
        names = file.keys("Nodes");
    }

    for (size_t i = 1; i <= kMaxConnections; ++i) {
        std::string endpoint =
            file.get_string("General", "Telnet" + std::to_string(i), {}, kEndpointLength);
        if (!endpoint.empty()) table.connections.push_back(endpoint);
    }
    for (const auto& name : names) table.nodes.push_back(read_node(file, name));
    if (!old_default.empty()) {
        for (size_t i = 0; i < table.connections.size(); ++i) {
            if (table.connections[i] == old_default) {
                table.default_connection = static_cast<int>(i) + 1;
                break;
            }
        }
    }
    return table;
}

}  // namespace orvane::settings
