// How the command fields turn a typed name into the name the server knows:
// through the address book, seen here only as a small lookup interface, so
// that the expansion can be tested with a fake and the address book can be
// plugged in by a thin adapter.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace orvane::commands {

// The conference type as the node last reported it: bit i stands for the
// i-th conference-type box (the order of WordGroup::kConferenceType).
struct ConferenceType {
    uint16_t boxes = 0;
    bool moderated = false;  // texts go to a moderator first
    bool ticked(size_t box) const { return (boxes >> box) & 1; }
    bool is_public() const { return ticked(0); }
};

struct NamedObject {
    std::string name;                    // as stored
    uint8_t kind = 0;                    // name_kind::kPersons or name_kind::kConferences
    std::optional<ConferenceType> type;  // conferences whose type was reported
};

class NameDirectory {
  public:
    virtual ~NameDirectory() = default;
    // The objects of the kinds in `kinds` (name_kind bits) that `typed` may
    // mean, best first; empty when there is none.
    virtual platform::Result<std::vector<NamedObject>> look_up(std::string_view typed,
                                                               uint8_t kinds) = 0;
};

// Whether a typed name is an e-mail address ("ann@example.org", or
// "Ann Lee <ann@example.org>").
bool is_email_address(std::string_view typed);

// An e-mail address in the notation the server reads in names: the address
// in angle brackets, after the display name when one was given.
std::string server_address(std::string_view typed);

struct ResolvedName {
    std::string text;                   // what the command carries
    std::optional<NamedObject> object;  // the object found, if looked up
    bool address = false;               // an e-mail address
};

// Resolves a typed name for a field labelled `label` that takes `kinds`.
// Without a directory the name is taken as typed. One object found gives
// its stored name; several give the one whose name is exactly the typed
// one (ASCII case ignored), or else a message listing them; none gives a
// message. An e-mail address is accepted only where the field takes one.
platform::Result<ResolvedName> resolve_name(NameDirectory* directory, std::string_view typed,
                                            uint8_t kinds, std::string_view label);

}  // namespace orvane::commands
