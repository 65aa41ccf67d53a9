#include "packet/dos_time.h"

namespace orvane::packet {

DosDateTime dos_date_time(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    if (local.tm_year < 80) return {0, static_cast<uint16_t>(1 << 5 | 1)};
    DosDateTime packed;
    packed.time = static_cast<uint16_t>(local.tm_hour << 11 | local.tm_min << 5 | local.tm_sec / 2);
    packed.date =
        static_cast<uint16_t>((local.tm_year - 80) << 9 | (local.tm_mon + 1) << 5 | local.tm_mday);
    return packed;
}

}  // namespace orvane::packet
