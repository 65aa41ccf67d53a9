#include "addressbook/visibility.h"

#include <algorithm>

namespace orvane::addressbook {

bool Viewer::is_own(NodeKey node_key, uint16_t number, uint8_t type) const {
    return object != 0 && node_key == node && type == kPerson &&
           (number & kObjectNumberMask) == object;
}

bool Viewer::is_member(NodeKey node_key, uint16_t number, uint8_t type) const {
    return node_key == node && type == kConference &&
           std::find(memberships.begin(), memberships.end(), number) != memberships.end();
}

bool Viewer::may_see(NodeKey node_key, uint16_t number, uint8_t type, uint32_t flags) const {
    using namespace object_flags;
    if (flags & kRemoved) return false;
    if (!(flags & (kOwnOnly | kMembersOnly))) return true;
    return is_own(node_key, number, type) || is_member(node_key, number, type);
}

}  // namespace orvane::addressbook
