// Comparing ticks of the wrapping millisecond counter (Env::tick_count), and
// the local time zone as the C library reports it.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace orvane::platform {

// True when `now` is at or past `deadline`, across a wrap-around.
inline bool tick_reached(uint32_t now, uint32_t deadline) {
    return static_cast<int32_t>(now - deadline) >= 0;
}

// Milliseconds from `now` to `deadline`, 0 when it has passed.
inline uint32_t ticks_until(uint32_t now, uint32_t deadline) {
    int32_t diff = static_cast<int32_t>(deadline - now);
    return diff > 0 ? static_cast<uint32_t>(diff) : 0;
}

// The local zone at a given instant.
struct LocalZone {
    int32_t utc_offset_seconds = 0;  // east of UTC is positive
    bool daylight_saving = false;
    std::string abbreviation;  // such as "CET" or "CEST"
};
LocalZone local_zone_at(std::time_t when);

}  // namespace orvane::platform
