#include "connection/telnet_protocol.h"

#include <algorithm>

namespace orvane::connection {

void append_telnet_data(std::vector<uint8_t>* out, std::span<const uint8_t> data) {
    const size_t doubled = static_cast<size_t>(std::count(data.begin(), data.end(), telnet::kIac));
    out->reserve(out->size() + data.size() + doubled);
    for (uint8_t byte : data) {
        out->push_back(byte);
        if (byte == telnet::kIac) out->push_back(telnet::kIac);
    }
}

void append_line_end(std::vector<uint8_t>* out, bool negotiated) {
    out->push_back(telnet::kCr);
    if (!negotiated) out->push_back(telnet::kNul);
}

void append_telnet_command(std::vector<uint8_t>* out, uint8_t verb, uint8_t option) {
    out->insert(out->end(), {telnet::kIac, verb, option});
}

}  // namespace orvane::connection
