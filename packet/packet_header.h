// The two lines that open every mail packet.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace orvane::packet {

// "@VERS 55 Win XXXX": the system's major version in the high byte and its
// minor version in the low byte of the four hexadecimal digits. `version_word`
// is packed as platform::pack_version_word does.
std::string version_line(uint32_t version_word);

// "@TZ +hhmm" or "@TZ -hhmm": the local zone's standard offset from UTC at
// `now` ("@TZ -0000" for UTC itself). Daylight saving is left out, as the
// server applies it from the dates itself.
std::string time_zone_line(std::time_t now);

// The same from an offset in seconds east of UTC.
std::string time_zone_line_for_offset(long offset_seconds);

}  // namespace orvane::packet
