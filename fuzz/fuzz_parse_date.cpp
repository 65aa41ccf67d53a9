// Dates from server output: any text must parse without fault, and a stored
// date must read back from its own-zone text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "texts/dates.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvane::texts;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const uint32_t stored = parse_date(text, CivilDate{2024, 2, 29});

    const DateFormatOptions plain{TimeDisplay::own_zone, true};
    const std::string shown = format_date(stored, DateRequest::own_zone, plain);
    format_date(stored, DateRequest::local_time, plain);
    format_duration(stored);

    // Two-digit years read back within 1970..2069; leave a day at each end
    // for the zone shift.
    constexpr uint32_t kFirst = 86400;
    constexpr uint32_t kLast = 3124137600;  // 2068-12-31 00:00 UTC
    if (stored > kFirst && stored < kLast && parse_date(shown) != stored) std::abort();
    return 0;
}
