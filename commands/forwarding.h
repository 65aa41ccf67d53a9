// The user's mail forwarding as the node last reported it, kept in "Recent
// Settings"/"Forw" as the words of a forwarding command: the address (or
// "none"), then the choice words ("letters zip shared copy"), then
// optionally "attachments" and the largest attached file forwarded ("0",
// "no limit" or a number of KB).
#pragma once

#include <string>
#include <string_view>

namespace orvane::commands {

struct Forwarding {
    std::string address;                   // empty: mail is not forwarded, or nothing is known
    std::string what, how, sharing, copy;  // the choice words; empty when unknown
    std::string attachments;               // empty when unknown
    bool operator==(const Forwarding&) const = default;
};

// Unknown words are passed over.
Forwarding parse_forwarding(std::string_view text);

}  // namespace orvane::commands
