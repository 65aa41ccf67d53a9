#include "settings/display_values.h"

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "texts/ascii.h"

namespace orvane::settings {

namespace {

std::string_view trim(std::string_view text) {
    while (!text.empty() && texts::is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && texts::is_blank(text.back())) text.remove_suffix(1);
    return text;
}

// The fields between commas; a comma inside double quotes belongs to its
// field, and the quotes around a field are taken off.
std::vector<std::string> quoted_fields(std::string_view text) {
    std::vector<std::string> fields(1);
    bool quoted = false;
    for (char c : text) {
        if (c == '"') {
            quoted = !quoted;
        } else if (c == ',' && !quoted) {
            fields.emplace_back();
        } else {
            fields.back() += c;
        }
    }
    for (auto& field : fields) field = std::string(trim(field));
    return fields;
}

int leading_number(const std::string& field) {
    return static_cast<int>(std::strtol(field.c_str(), nullptr, 10));
}

// A field that is a whole number from `low` to `high` and nothing else.
std::optional<int> whole_number(const std::string& field, long low, long high) {
    if (field.empty()) return std::nullopt;
    char* end = nullptr;
    long number = std::strtol(field.c_str(), &end, 10);
    if (*end != '\0' || number < low || number > high) return std::nullopt;
    return static_cast<int>(number);
}

}  // namespace

ColorList parse_colors(std::string_view text, uint32_t builtin) {
    ColorList list;
    while (!text.empty() && list.count < static_cast<int>(kColorsPerElement)) {
        size_t comma = text.find(',');
        std::string field(text.substr(0, comma));
        if (!field.empty()) {
            auto color = static_cast<uint32_t>(std::strtoul(field.c_str(), nullptr, 16));
            list.colors[static_cast<size_t>(list.count++)] =
                (color & 0xFF000000) ? builtin | kBuiltinColorMark : color;
        }
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return list;
}

ColorList builtin_colors(uint32_t builtin) {
    ColorList list;
    list.colors[0] = builtin | kBuiltinColorMark;
    list.count = 1;
    return list;
}

std::string format_colors(const ColorList& list) {
    std::string text;
    for (int i = 0; i < list.count; ++i) {
        char field[12];
        std::snprintf(field, sizeof field, ",%08" PRIX32, list.colors[static_cast<size_t>(i)]);
        text += field;
    }
    return text;
}

FontSetting parse_font(std::string_view stored, std::string_view default_typeface) {
    std::vector<std::string> fields = quoted_fields(stored);
    FontSetting font;
    font.typeface = fields[0].substr(0, kTypefaceLength);
    if (font.typeface == "Menlo") font.typeface = "Consolas";
    if (font.typeface.empty()) font.typeface = default_typeface;
    if (fields.size() > 1) font.height = leading_number(fields[1]);
    if (fields.size() > 2) font.style = leading_number(fields[2]) & 3;
    if (font.height == 0) font.height = kDefaultFontHeight;
    return font;
}

std::optional<FontSetting> parse_typed_font(std::string_view text) {
    if (std::count(text.begin(), text.end(), '"') % 2 != 0) return std::nullopt;
    std::vector<std::string> fields = quoted_fields(text);
    if (fields.size() != 3 || fields[0].empty() || fields[0].size() > kTypefaceLength)
        return std::nullopt;
    auto height = whole_number(fields[1], INT16_MIN, INT16_MAX);
    auto style = whole_number(fields[2], 0, 3);
    if (!height || !style) return std::nullopt;
    return FontSetting{fields[0], *height, *style};
}

std::string format_font(const FontSetting& font) {
    bool quote = font.typeface.find(',') != std::string::npos;
    std::string typeface = quote ? "\"" + font.typeface + "\"" : font.typeface;
    return typeface + "," + std::to_string(font.height) + "," + std::to_string(font.style);
}

}  // namespace orvane::settings
