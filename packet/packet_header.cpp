#include "packet/packet_header.h"

#include <cstdio>
#include <cstdlib>

namespace orvane::packet {

std::string version_line(uint32_t version_word) {
    unsigned major = version_word & 0xFF;
    unsigned minor = (version_word >> 8) & 0xFF;
    char line[32];
    std::snprintf(line, sizeof line, "@VERS 55 Win %04X", major << 8 | minor);
    return line;
}

std::string time_zone_line_for_offset(long offset_seconds) {
    long minutes = (offset_seconds / 60) % 1440;
    long magnitude = std::labs(minutes);
    char line[32];
    std::snprintf(line, sizeof line, "@TZ %c%02ld%02ld", minutes > 0 ? '+' : '-', magnitude / 60,
                  magnitude % 60);
    return line;
}

std::string time_zone_line(std::time_t now) {
    // The UTC clock reading taken as a local time without daylight saving:
    // the difference to now is the zone's standard offset.
    std::tm utc{};
    gmtime_r(&now, &utc);
    utc.tm_isdst = 0;
    std::time_t as_local = std::mktime(&utc);
    return time_zone_line_for_offset(static_cast<long>(now - as_local));
}

}  // namespace orvane::packet
