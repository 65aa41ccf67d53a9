// The stored forms of the display settings: colour lists and fonts.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::settings {

inline constexpr size_t kColorsPerElement = 8;
// Top byte of a colour that stands for the element's built-in colour.
inline constexpr uint32_t kBuiltinColorMark = 0xFF000000;
inline constexpr size_t kTypefaceLength = 31;
inline constexpr int kDefaultFontHeight = -120;

struct ColorList {
    std::array<uint32_t, kColorsPerElement> colors{};
    int count = 0;
    bool operator==(const ColorList&) const = default;
};

struct FontSetting {
    std::string typeface;
    int height = kDefaultFontHeight;
    int style = 0;  // two bits
    bool operator==(const FontSetting&) const = default;
};

// Up to eight colours ",%08X" (0x00BBGGRR). A colour whose top byte is not
// 0 stands for `builtin` (0x00BBGGRR), which is kept with the top byte 0xFF.
ColorList parse_colors(std::string_view text, uint32_t builtin);
// The list that holds only the built-in colour.
ColorList builtin_colors(uint32_t builtin);
std::string format_colors(const ColorList& list);

// "typeface,height,style" as stored, before the settings file takes off any
// quotes: every field may be in double quotes. An empty typeface gives
// `default_typeface`, "Menlo" gives "Consolas", height 0 gives the default
// height, and only the two low bits of the style are used.
FontSetting parse_font(std::string_view stored, std::string_view default_typeface);
// A font as a user types it: exactly the three fields, a typeface of at most
// kTypefaceLength characters (not empty), a height and a style of 0 to 3;
// nothing otherwise.
std::optional<FontSetting> parse_typed_font(std::string_view text);
// The stored form; a typeface holding a comma is quoted.
std::string format_font(const FontSetting& font);

}  // namespace orvane::settings
