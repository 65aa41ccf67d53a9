#include "settings/key_binding.h"

namespace orvane::settings {

SettingValue field_value(const FieldPtr& field) {
    if (const auto* number = std::get_if<int*>(&field)) return static_cast<long long>(**number);
    if (const auto* number = std::get_if<uint32_t*>(&field))
        return static_cast<long long>(**number);
    if (const auto* text = std::get_if<std::string*>(&field)) return **text;
    if (const auto* position = std::get_if<WindowPosition*>(&field)) return **position;
    if (const auto* colors = std::get_if<ColorList*>(&field)) return **colors;
    if (const auto* font = std::get_if<FontSetting*>(&field)) return **font;
    return SettingValue();
}

void set_field(const FieldPtr& field, const SettingValue& value) {
    if (const auto* number = std::get_if<int*>(&field)) {
        **number = static_cast<int>(std::get<long long>(value));
    } else if (const auto* unsigned_number = std::get_if<uint32_t*>(&field)) {
        **unsigned_number = static_cast<uint32_t>(std::get<long long>(value));
    } else if (const auto* text = std::get_if<std::string*>(&field)) {
        **text = std::get<std::string>(value);
    } else if (const auto* position = std::get_if<WindowPosition*>(&field)) {
        **position = std::get<WindowPosition>(value);
    } else if (const auto* colors = std::get_if<ColorList*>(&field)) {
        **colors = std::get<ColorList>(value);
    } else if (const auto* font = std::get_if<FontSetting*>(&field)) {
        **font = std::get<FontSetting>(value);
    }
}

}  // namespace orvane::settings
