#include "texts/time_zones.h"

#include <iterator>

namespace orvane::texts {

namespace {

struct ZoneEntry {
    std::string_view name;
    int half_hours_west;
    bool daylight_saving;
};

// Searched in this order. Some words are ambiguous ("ist", "sst", "cst" mean
// different zones in different places); the first entry is the one the server
// means. "wet" and "swt" are one hour east of UTC, as the server uses them.
constexpr ZoneEntry kZones[] = {
    {"gmt", 0, false},    {"bst", 0, true},     {"wet", -2, false},   {"west", -2, true},
    {"swt", -2, false},   {"sst", -2, true},    {"eet", -4, false},   {"eest", -4, true},
    {"bt", -6, false},    {"msk", -6, false},   {"msd", -6, true},    {"it", -7, false},
    {"zp4", -8, false},   {"zp5", -10, false},  {"ist", -11, false},  {"zp6", -12, false},
    {"wast", -14, false}, {"wadt", -14, true},  {"jt", -15, false},   {"cct", -16, false},
    {"awst", -16, false}, {"jst", -18, false},  {"cast", -19, false}, {"cadt", -19, true},
    {"east", -20, false}, {"eadt", -20, true},  {"gst", -20, false},  {"nzst", -24, false},
    {"nzdt", -24, true},  {"idle", -24, false}, {"wat", 2, false},    {"sat", 4, false},
    {"sast", 4, false},   {"nst", 7, false},    {"ndt", 7, true},     {"ast", 8, false},
    {"adt", 8, true},     {"est", 10, false},   {"edt", 10, true},    {"cst", 12, false},
    {"cdt", 12, true},    {"mst", 14, false},   {"mdt", 14, true},    {"pst", 16, false},
    {"pdt", 16, true},    {"yst", 18, false},   {"ydt", 18, true},    {"hst", 20, false},
    {"hdt", 20, true},    {"cat", 20, false},   {"ahst", 20, false},  {"nt", 22, false},
    {"idlw", 24, false},
};
static_assert(std::size(kZones) == 53);

}  // namespace

ZoneOffset find_zone(std::string_view lower_case_name) {
    for (const ZoneEntry& zone : kZones) {
        if (zone.name == lower_case_name) return {zone.half_hours_west, zone.daylight_saving, true};
    }
    return {0, false, false};
}

}  // namespace orvane::texts
