#include "addressbook/internet_address.h"

#include "addressbook/records.h"

namespace orvane::addressbook {

size_t domain_index_of(uint8_t type) {
    return type == kConference ? 1 : 0;
}

std::string internet_address(std::string_view name, const settings::NodeEntry* node,
                             size_t domain_index) {
    std::string address;
    bool in_run = false;  // inside a run of blanks, periods and remarks
    for (size_t at = 0; at < name.size(); ++at) {
        const char c = name[at];
        if (c == '"') continue;
        if (c == ' ' || c == '.' || c == '(') {
            in_run = true;
            if (c == '(') {
                int depth = 1;
                while (depth > 0 && ++at < name.size()) {
                    if (name[at] == '(') ++depth;
                    if (name[at] == ')') --depth;
                }
            }
            continue;
        }
        if (in_run && !address.empty()) address.push_back('.');
        in_run = false;
        address.push_back(c);
    }
    if (!node) return address;
    std::string_view domain;
    if (domain_index < node->domains.size() && domain_index <= 7)
        domain = node->domains[domain_index];
    if (domain.empty() && !node->domains.empty()) domain = node->domains[0];
    if (!domain.empty()) {
        address.push_back('@');
        address.append(domain);
    }
    return address;
}

const settings::NodeEntry* node_of_address(const settings::NodeTable& nodes,
                                           std::string_view address) {
    const size_t at = address.find('@');
    if (at == std::string_view::npos) return nullptr;
    return nodes.by_domain(address.substr(at + 1));
}

}  // namespace orvane::addressbook
