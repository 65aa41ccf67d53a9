// MS-DOS packed date and time, as ZIP archives and mail packets carry them.
#pragma once

#include <cstdint>
#include <ctime>

namespace orvane::packet {

struct DosDateTime {
    uint16_t time = 0;  // hour << 11 | minute << 5 | second / 2
    uint16_t date = 0;  // (year - 1980) << 9 | month << 5 | day
};

// The local date and time of `when`; years before 1980 clamp to 1980-01-01.
DosDateTime dos_date_time(std::time_t when);

}  // namespace orvane::packet
