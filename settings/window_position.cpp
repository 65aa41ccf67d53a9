#include "settings/window_position.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>

namespace orvane::settings {

WindowPosition parse_window_position(std::string_view text) {
    WindowPosition position;
    while (!text.empty() && position.count < static_cast<int>(position.values.size())) {
        size_t comma = text.find(',');
        std::string field(text.substr(0, comma));
        long number =
            std::clamp(std::strtol(field.c_str(), nullptr, 10), long{INT_MIN}, long{INT_MAX});
        position.values[static_cast<size_t>(position.count++)] = static_cast<int>(number);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return position;
}

std::string format_window_position(const WindowPosition& position) {
    std::string text;
    for (int i = 0; i < position.count; ++i) {
        if (i) text += ',';
        text += std::to_string(position.values[static_cast<size_t>(i)]);
    }
    return text;
}

}  // namespace orvane::settings
