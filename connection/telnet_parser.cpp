#include "connection/telnet_parser.h"

#include "connection/telnet_protocol.h"

namespace orvane::connection {

size_t TelnetParser::feed(std::span<const uint8_t> input, std::vector<uint8_t>* data,
                          std::optional<OptionRequest>* request) {
    request->reset();
    size_t at = 0;
    while (at < input.size()) {
        const uint8_t byte = input[at++];
        switch (state_) {
            case State::kData:
                if (byte == telnet::kIac) {
                    state_ = State::kAfterIac;
                } else {
                    data->push_back(byte);
                }
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
            case State::kSubnegotiation:
                if (byte == telnet::kIac) state_ = State::kIacInSubnegotiation;
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
