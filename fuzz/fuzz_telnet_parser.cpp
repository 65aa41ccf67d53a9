// Arbitrary Telnet input, cut into arbitrary pieces: the parser must give the
// same data and the same option requests as for the whole input, never more
// data than input, and every request must get an answer from the option
// table without trouble. The first byte chooses the piece sizes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <span>
#include <vector>

#include "connection/telnet_options.h"
#include "connection/telnet_parser.h"

namespace {

struct Parsed {
    std::vector<uint8_t> data;
    std::vector<orvane::connection::OptionRequest> requests;
};

Parsed parse(std::span<const uint8_t> input, size_t piece_seed) {
    orvane::connection::TelnetParser parser;
    Parsed parsed;
    size_t at = 0;
    while (at < input.size()) {
        const size_t piece = piece_seed == 0 ? input.size() : 1 + (at * 31 + piece_seed) % 17;
        std::span<const uint8_t> slice = input.subspan(at, std::min(piece, input.size() - at));
        size_t used = 0;
        while (used < slice.size()) {
            std::optional<orvane::connection::OptionRequest> request;
            used += parser.feed(slice.subspan(used), &parsed.data, &request);
            if (request) {
                parsed.requests.push_back(*request);
                (void)orvane::connection::answer_option(*request, request->option & 1);
            }
        }
        at += slice.size();
    }
    return parsed;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const std::span<const uint8_t> input(data + 1, size - 1);
    const Parsed whole = parse(input, 0);
    const Parsed pieces = parse(input, data[0] + 1u);
    if (whole.data.size() > input.size()) std::abort();
    if (whole.data != pieces.data) std::abort();
    if (whole.requests.size() != pieces.requests.size()) std::abort();
    for (size_t i = 0; i < whole.requests.size(); ++i) {
        if (!(whole.requests[i] == pieces.requests[i])) std::abort();
    }
    return 0;
}
