// Texts are stored in the code page of their charset byte; the console shows
// UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::ui {

// `text` converted from the code page that `charset` names (class and
// variant of a text record) to UTF-8. Pure ASCII and charset 0 pass as they
// are; bytes that cannot be converted become '?'.
std::string to_utf8(std::string_view text, uint8_t charset);

}  // namespace orvane::ui
