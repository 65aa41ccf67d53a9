#include "settings/setting_dates.h"

#include "texts/dates.h"

namespace orvane::settings {

uint32_t date_from_setting(std::string_view text) {
    return texts::parse_date(text);
}

// In the date's own zone with the zone named, so that reading it back gives
// the same value to the second.
std::string date_to_setting(uint32_t date) {
    return texts::format_date(date, texts::DateRequest::own_zone);
}

}  // namespace orvane::settings
