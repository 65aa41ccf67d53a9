// Texts are stored in the code page that their charset byte names (DOS,
// Windows or Macintosh; west, east or cyrillic); people type and read UTF-8.
// These convert between the two with iconv.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::texts {

// The iconv name of the code page that `charset` (class and variant of a
// text record) names: DOS code pages for class D, Macintosh ones for
// class M, Windows ones for every other class.
const char* code_page_name(uint8_t charset);

// `text` converted from the code page of `charset` to UTF-8. Pure ASCII and
// charset 0 pass as they are; a byte the code page does not define becomes
// U+FFFD.
std::string to_utf8(std::string_view text, uint8_t charset);

// A character that had to be replaced by its nearest form in the code page.
struct Replacement {
    std::string typed;     // the character as typed, in UTF-8
    std::string replaced;  // what the code page holds instead
};

// Where a conversion from UTF-8 stopped.
struct ConversionProblem {
    enum class Kind { kNotUtf8, kNotInCodePage } kind = Kind::kNotUtf8;
    size_t line = 1;        // counted from 1
    size_t column = 1;      // in characters, counted from 1
    std::string character;  // the character the code page cannot hold
};

// `text` (UTF-8) in the code page of `charset`. Fails at the first byte
// sequence that is not UTF-8, and at the first character the code page
// cannot hold unless `transliterate` is set; then that character is
// replaced by its nearest form and listed in `replaced`. Pure ASCII passes
// as it is, whatever the charset.
std::optional<std::string> from_utf8(std::string_view text, uint8_t charset, bool transliterate,
                                     std::vector<Replacement>* replaced,
                                     ConversionProblem* problem);

}  // namespace orvane::texts
