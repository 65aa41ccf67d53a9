// Loads arbitrary bytes as "NodeInfo.ini" and uses the table built from it.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file.h"
#include "settings/ini_file.h"
#include "settings/node_table.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvane;
    static std::string directory = [] {
        char pattern[] = "/tmp/fuzz-node-info-XXXXXX";
        return std::string(mkdtemp(pattern) ? pattern : "/tmp");
    }();
    std::string path = directory + "/" + settings::kNodeInfoFile;
    if (platform::write_whole_file(path, data, size) != 0) return 0;
    settings::IniCache cache;
    settings::NodeTable table = settings::load_node_information(cache, directory);
    for (const auto& node : table.nodes) {
        (void)table.by_name(node.name);
        for (const auto& domain : node.domains) (void)table.by_domain(domain);
        (void)table.node_key_by_name(node.alias);
        (void)table.node_name(static_cast<texts::NodeKey>(node.letter));
    }
    for (int i = 0; i <= static_cast<int>(table.connections.size()); ++i) {
        if (auto endpoint = table.connection(i)) (void)settings::parse_endpoint(*endpoint);
    }
    return 0;
}
