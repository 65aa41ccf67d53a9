// The program's message texts, looked up by number.
#pragma once

#include <string>

#include "platform/message_ids.h"

namespace orvane::platform {

inline constexpr const char* kProgramName = "Orvane";
inline constexpr const char* kVersionText = "Orvane 55D";
inline constexpr int kSettingsVersion = 55;

// The text of message `id` with "XxxQOR" replaced by the program name, or
// nothing when the table has no such message.
std::string resource_string(int id);
bool has_resource_string(int id);
inline std::string resource_string(MessageId id) {
    return resource_string(static_cast<int>(id));
}

}  // namespace orvane::platform
