#include "settings/common_keys.h"

#include "settings/node_table.h"

namespace orvane::settings {

namespace {

using K = KeyType;
using CommonField = FieldPtr (*)(CommonValues&, std::string_view);

template <auto Field>
constexpr CommonField common = &member<Field>;

// clang-format off
constexpr BoundKey<CommonValues> kCommonKeys[] = {
    {{.section = "Common", .key = "Version", .kept_by_program = true}},
    {{.section = "Common", .key = "Write Protect", .type = K::kSwitch}, common<&CommonValues::write_protect>},
    {{.section = "Common", .key = "Window Pos", .type = K::kWindowPosition}, common<&CommonValues::window_pos>},
    {{.section = "Common", .key = "Last Batch", .type = K::kDate}, common<&CommonValues::last_batch>},
    {{.section = "Common", .key = "Share Address Book", .type = K::kSwitch}, common<&CommonValues::share_address_book>},
    // 0: the default connection of the node information; a number that
    // names no endpoint gives the first.
    {{.section = "Common", .key = "Connection", .low = 0, .high = static_cast<long long>(kMaxConnections), .outside = OutOfRange::kLeave}, common<&CommonValues::connection>},
    // 0 (no window) stays; -1 stands for the largest window.
    {{.section = "Common", .key = "Zmodem Window Up", .fallback = kMaxZmodemWindow, .low = kMinZmodemWindow, .high = kMaxZmodemWindow, .zero_stays = true, .minus_one_is_fallback = true}, common<&CommonValues::zmodem_window_up>},
    {{.section = "Common", .key = "Zmodem Window Down", .fallback = kMaxZmodemWindow, .low = kMinZmodemWindow, .high = kMaxZmodemWindow, .zero_stays = true, .minus_one_is_fallback = true}, common<&CommonValues::zmodem_window_down>},
    {{.section = "Common", .key = "Fixed Costs"}, common<&CommonValues::fixed_costs>},
    {{.section = "Common", .key = "Costs per Hour"}, common<&CommonValues::costs_per_hour>},
    {{.section = "Common", .key = "Rounding of Costs", .fallback = 1, .low = 1}, common<&CommonValues::rounding_of_costs>},
    // Kept by the users list; "orvane user default" changes it.
    {{.section = "Common", .key = "Default User", .type = K::kPath, .kept_by_program = true}},
    {{.section = "Spell Check", .key = "Engine32", .type = K::kPath}, common<&CommonValues::spell_engine>},
    // The node information version the dates below belong to.
    {{.section = "Nodes", .key = "Version", .kept_by_program = true}},
    // Read for the active nodes of the node information only.
    {{.section = "Nodes", .key = "Changes Downloaded", .type = K::kDate, .family = KeyFamily::kNodeLetter}},
    {{.section = "Users", .key = "user folder", .type = K::kUsersLine, .family = KeyFamily::kFolder, .kept_by_program = true}},
};
// clang-format on

}  // namespace

std::span<const BoundKey<CommonValues>> common_keys() {
    return kCommonKeys;
}

}  // namespace orvane::settings
