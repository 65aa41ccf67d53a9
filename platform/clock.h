// Time services: the wrapping millisecond tick counter, sleeping, and the
// local time zone as the C library reports it.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

namespace orvane::platform {

// Milliseconds since an arbitrary origin, wrapping at 2^32 (about 49.7 days).
// Compare ticks only through tick_reached / ticks_until, never with < or >.
uint32_t tick_count();

// True when `now` is at or past `deadline`, across a wrap-around.
inline bool tick_reached(uint32_t now, uint32_t deadline) {
    return static_cast<int32_t>(now - deadline) >= 0;
}

// Milliseconds from `now` to `deadline`, 0 when it has passed.
inline uint32_t ticks_until(uint32_t now, uint32_t deadline) {
    int32_t diff = static_cast<int32_t>(deadline - now);
    return diff > 0 ? static_cast<uint32_t>(diff) : 0;
}

// Test hook: shifts the counter so that it reads `value` now. Lets tests run
// the event loop across a wrap-around without waiting 49 days.
void set_tick_count_for_testing(uint32_t value);

void sleep_ms(uint32_t milliseconds);

// The local zone at a given instant.
struct LocalZone {
    int32_t utc_offset_seconds = 0;  // east of UTC is positive
    bool daylight_saving = false;
    std::string abbreviation;  // such as "CET" or "CEST"
};
LocalZone local_zone_at(std::time_t when);

// Current time as seconds since 1970-01-01 UTC.
std::time_t now_utc();

}  // namespace orvane::platform
