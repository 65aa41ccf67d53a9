// Window positions in settings files: up to five comma-separated integers.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace orvane::settings {

struct WindowPosition {
    std::array<int, 5> values{};
    int count = 0;  // 0: no position stored
    bool operator==(const WindowPosition&) const = default;
};

WindowPosition parse_window_position(std::string_view text);
std::string format_window_position(const WindowPosition& position);

}  // namespace orvane::settings
