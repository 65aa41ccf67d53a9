#include "platform/clock.h"

namespace orvane::platform {

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

}  // namespace orvane::platform
