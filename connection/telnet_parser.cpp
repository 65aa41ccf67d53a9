#include "connection/telnet_parser.h"

#include <cstring>

#include "connection/telnet_protocol.h"

namespace orvane::connection {

size_t TelnetParser::feed(std::span<const uint8_t> input, std::vector<uint8_t>* data,
                          std::optional<OptionRequest>* request) {
    request->reset();
    size_t at = 0;
    while (at < input.size()) {
        if (state_ == State::kData || state_ == State::kSubnegotiation) {
            // Runs up to the next IAC are taken (data) or skipped
            // (sub-negotiation) whole.
            const auto* start = input.data() + at;
            const auto* iac =
                static_cast<const uint8_t*>(std::memchr(start, telnet::kIac, input.size() - at));
            const size_t run = iac ? static_cast<size_t>(iac - start) : input.size() - at;
            if (state_ == State::kData) data->insert(data->end(), start, start + run);
            at += run;
            if (!iac) break;
        }
        const uint8_t byte = input[at++];
        switch (state_) {
            case State::kData:  // the IAC found above
                state_ = State::kAfterIac;
                break;
            case State::kAfterIac:
                if (byte == telnet::kIac) {
                    data->push_back(byte);
                    state_ = State::kData;
                } else if (byte >= telnet::kSb) {
                    state_ = static_cast<State>(byte);
                } else {
                    state_ = State::kData;  // a command without option: nothing to do
                }
                break;
            case State::kWill:
            case State::kWont:
            case State::kDo:
            case State::kDont:
                *request = OptionRequest{static_cast<uint8_t>(state_), byte};
                state_ = State::kData;
                return at;
            case State::kSubnegotiation:  // the IAC found above
                state_ = State::kIacInSubnegotiation;
                break;
            case State::kIacInSubnegotiation:
                // Only IAC SE ends a sub-negotiation. After any other IAC
                // pair (IAC IAC is an escaped 255) it goes on, so that a
                // later byte 240 inside it is not taken for its end.
                state_ = byte == telnet::kSe ? State::kData : State::kSubnegotiation;
                break;
        }
    }
    return at;
}

}  // namespace orvane::connection
