// The one object a typed name means, for a receiver, a member or a person in
// a command. A name is never guessed: when it fits several objects, only the
// one whose whole name it is (without regard to ASCII case) is taken, and
// otherwise the candidates are named in the refusal.
#pragma once

#include <string>

#include "addressbook/lookup.h"
#include "addressbook/visibility.h"

namespace orvane::addressbook {

// At most this many candidates are named when a name is ambiguous.
inline constexpr size_t kNamedCandidates = 10;

struct ResolvedName {
    AddressObject object;
};

// Objects `viewer` may not see do not count. Refusals: "No name in the
// address book matches ..." and "... may mean any of these: ...".
platform::Result<ResolvedName> resolve_name(const Books& books, const LookupRequest& request,
                                            const Viewer& viewer);

// "C:12" for an object, "@:3" for a personal one.
std::string object_reference(NodeKey node, uint16_t number);

}  // namespace orvane::addressbook
