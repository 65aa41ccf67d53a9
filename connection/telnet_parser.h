// The receiving side of Telnet: a state machine applied byte by byte that
// keeps the data and takes out the protocol. Option requests (WILL, WONT, DO,
// DONT with their option) are handed to the caller one at a time, because
// the answer to one of them (DO START_TLS) changes what the bytes after it
// mean. Sub-negotiations are skipped without being stored, so a peer that
// never ends one costs no memory. Other commands (NOP, GA, ...) are dropped.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace orvane::connection {

struct OptionRequest {
    uint8_t verb = 0;  // telnet::kWill, kWont, kDo or kDont
    uint8_t option = 0;
    bool operator==(const OptionRequest&) const = default;
};

class TelnetParser {
  public:
    enum class State : uint8_t {
        kData = 0,
        kAfterIac = 255,
        kSubnegotiation = 250,
        kIacInSubnegotiation = 1,
        kWill = 251,
        kWont = 252,
        kDo = 253,
        kDont = 254,
    };

    // Parses `input`, appending data bytes to `*data`. Stops right after
    // the first option request, which it stores in `*request`; otherwise
    // parses everything and leaves `*request` empty. Returns the number of
    // bytes consumed. A command cut at the end of `input` continues with the
    // next call.
    size_t feed(std::span<const uint8_t> input, std::vector<uint8_t>* data,
                std::optional<OptionRequest>* request);

    State state() const { return state_; }

  private:
    State state_ = State::kData;
};

}  // namespace orvane::connection
