#include "platform/clock.h"

#include <atomic>
#include <cerrno>

namespace orvane::platform {

namespace {

std::atomic<uint32_t> g_tick_shift{0};

uint32_t raw_ticks() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    uint64_t ms =
        static_cast<uint64_t>(ts.tv_sec) * 1000u + static_cast<uint64_t>(ts.tv_nsec) / 1000000u;
    return static_cast<uint32_t>(ms);
}

}  // namespace

uint32_t tick_count() {
    return raw_ticks() + g_tick_shift.load(std::memory_order_relaxed);
}

void set_tick_count_for_testing(uint32_t value) {
    g_tick_shift.store(value - raw_ticks(), std::memory_order_relaxed);
}

void sleep_ms(uint32_t milliseconds) {
    timespec ts{static_cast<time_t>(milliseconds / 1000),
                static_cast<long>(milliseconds % 1000) * 1000000L};
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

LocalZone local_zone_at(std::time_t when) {
    tzset();
    std::tm local{};
    localtime_r(&when, &local);
    LocalZone zone;
    zone.utc_offset_seconds = static_cast<int32_t>(local.tm_gmtoff);
    zone.daylight_saving = local.tm_isdst > 0;
    if (local.tm_zone) zone.abbreviation = local.tm_zone;
    return zone;
}

std::time_t now_utc() {
    return std::time(nullptr);
}

}  // namespace orvane::platform
