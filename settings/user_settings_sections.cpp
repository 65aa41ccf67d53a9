#include "settings/user_settings_sections.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>

#include "platform/resource_strings.h"
#include "settings/ini_values.h"

namespace orvane::settings {

const std::array<const char*, kWindowKinds> kWindowKeys = {
    "Cabinet",  "Store",  "Box", "TextFile", "Report", "Login",
    "Terminal", "Search", "Map", "Text",     "Reply",
};

const std::array<const char*, kColorElements> kColorKeys = {
    "Directory",          "Empty directory", "Box",           "Empty box",     "Sent text",
    "Received text",      "Replied text",    "Missing text",  "Terminal",      "Letter",
    "Quoted text",        "Found Words",     "Person",        "Absent Person", "Public Conference",
    "Private Conference", "Group",           "Command Topic", "Command",
};

const std::array<uint32_t, kColorElements> kBuiltinColors = {
    0x00804000, 0x00808080, 0x00800000, 0x00808080, 0x00008000, 0x00000000, 0x00800080,
    0x00808080, 0x00C0C0C0, 0x00000080, 0x00800000, 0x000000FF, 0x00000000, 0x00808080,
    0x00008000, 0x00000080, 0x00808000, 0x00800000, 0x00000000,
};

int macro_slot(char letter, int digit) {
    if (letter < 'A' || letter > 'Z' || digit < 1 || digit > 4) return -1;
    return (digit - 1) * 26 + (letter - 'A');
}

namespace {

constexpr size_t kTypefaceLength = 31;
constexpr int kDefaultFontHeight = -120;
constexpr int kMaxImportance = 7;
constexpr int kDefaultImportance = 4;
constexpr size_t kImportanceNameLength = 20;
constexpr size_t kMembershipLineLength = 69;
constexpr int kLastVersionWithOldMemberships = 40;
constexpr int kReceiptText = 240;
constexpr int kReceiptRequestText = 241;

constexpr const char* kImportanceNames[kImportanceLevels] = {
    "Ignore", "Very low", "Low", "Below normal", "Normal", "Above normal", "High", "Urgent",
};

// Splits at commas, leaving out empty fields.
std::vector<std::string> fields(std::string_view text) {
    std::vector<std::string> parts;
    while (!text.empty()) {
        size_t comma = text.find(',');
        std::string_view part = text.substr(0, comma);
        if (!part.empty()) parts.emplace_back(part);
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return parts;
}

ColorList read_colors(IniFile& file, size_t element) {
    uint32_t builtin = kBuiltinColors[element] | kBuiltinColorMark;
    ColorList list;
    if (!file.has_key("Colors", kColorKeys[element])) {
        list.colors[0] = builtin;
        list.count = 1;
        return list;
    }
    for (const auto& field : fields(file.get_string("Colors", kColorKeys[element]))) {
        if (list.count == static_cast<int>(kColorsPerElement)) break;
        auto color = static_cast<uint32_t>(std::strtoul(field.c_str(), nullptr, 16));
        list.colors[static_cast<size_t>(list.count++)] = (color & 0xFF000000) ? builtin : color;
    }
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

// "typeface,height,style"; the typeface may be in double quotes.
FontSetting read_font(IniFile& file, const char* key, const char* default_typeface) {
    FontSetting font;
    std::string text = file.get_string("Fonts", key);
    std::string_view rest = text;
    if (!rest.empty() && rest.front() == '"') {
        size_t close = rest.find('"', 1);
        font.typeface =
            std::string(rest.substr(1, close == std::string_view::npos ? rest.npos : close - 1));
        rest.remove_prefix(close == std::string_view::npos ? rest.size() : close + 1);
        if (!rest.empty() && rest.front() == ',') rest.remove_prefix(1);
    } else {
        size_t comma = rest.find(',');
        font.typeface = std::string(rest.substr(0, comma));
        rest.remove_prefix(comma == std::string_view::npos ? rest.size() : comma + 1);
    }
    if (font.typeface.size() > kTypefaceLength) font.typeface.resize(kTypefaceLength);
    if (font.typeface == "Menlo") font.typeface = "Consolas";
    if (font.typeface.empty()) font.typeface = default_typeface;
    std::string numbers(rest);
    for (char& c : numbers) {
        if (c == '"') c = ' ';
    }
    char* end = nullptr;
    font.height = static_cast<int>(std::strtol(numbers.c_str(), &end, 10));
    if (*end == ',') font.style = static_cast<int>(std::strtol(end + 1, nullptr, 10)) & 3;
    if (font.height == 0) font.height = kDefaultFontHeight;
    return font;
}

void write_font(IniFile& file, const char* key, const FontSetting& now, const FontSetting& old) {
    if (now == old) return;
    bool quote = now.typeface.find(',') != std::string::npos;
    std::string typeface = quote ? "\"" + now.typeface + "\"" : now.typeface;
    file.put_string("Fonts", key,
                    typeface + "," + std::to_string(now.height) + "," + std::to_string(now.style));
}

std::vector<uint32_t> parse_conferences(std::string_view text) {
    std::vector<uint32_t> conferences;
    for (const auto& field : fields(text))
        conferences.push_back(static_cast<uint32_t>(std::strtoul(field.c_str(), nullptr, 10)));
    return conferences;
}

// Keys "1", "2", … each holding ",%u" numbers; a line is ended once it
// passes its length.
void write_memberships(IniFile& file, const std::vector<uint32_t>& conferences) {
    file.delete_section("Membership");
    std::string line;
    int key = 1;
    for (uint32_t conference : conferences) {
        line += "," + std::to_string(conference);
        if (line.size() > kMembershipLineLength) {
            file.put_string("Membership", std::to_string(key++), line);
            line.clear();
        }
    }
    if (!line.empty()) file.put_string("Membership", std::to_string(key), line);
}

std::vector<uint32_t> read_memberships(IniFile& file, const char* section, const char* key_format) {
    std::vector<uint32_t> conferences;
    for (int key = 1;; ++key) {
        char name[16];
        std::snprintf(name, sizeof name, key_format, key);
        if (!file.has_key(section, name)) break;
        auto line = parse_conferences(file.get_string(section, name));
        conferences.insert(conferences.end(), line.begin(), line.end());
    }
    return conferences;
}

}  // namespace

void read_display_sections(IniFile& file, UserValues& values) {
    for (size_t i = 0; i < kWindowKinds; ++i) {
        values.windows[i] =
            parse_window_position(file.get_string("Windows", kWindowKeys[i], {}, 63));
    }
    for (size_t i = 0; i < kColorElements; ++i) values.colors[i] = read_colors(file, i);
    values.fixed_font = read_font(file, "Fixed", "Consolas");
    values.variable_font = read_font(file, "Variable", "Arial");
}

void write_display_sections(IniFile& file, const UserValues& now, const UserValues& old) {
    for (size_t i = 0; i < kWindowKinds; ++i) {
        if (now.windows[i] != old.windows[i]) {
            file.put_string("Windows", kWindowKeys[i], format_window_position(now.windows[i]));
        }
    }
    for (size_t i = 0; i < kColorElements; ++i) {
        if (now.colors[i] != old.colors[i])
            file.put_string("Colors", kColorKeys[i], format_colors(now.colors[i]));
    }
    write_font(file, "Fixed", now.fixed_font, old.fixed_font);
    write_font(file, "Variable", now.variable_font, old.variable_font);
}

void read_list_sections(IniFile& file, UserValues& values, int file_version) {
    for (const auto& key : file.keys("Macros")) {
        int slot = key.size() == 2 ? macro_slot(key[0], key[1] - '0') : -1;
        if (slot >= 0) values.macros[static_cast<size_t>(slot)] = get_text(file, "Macros", key, {});
    }
    values.receipt_text =
        get_text(file, "Texts", "Receipt", platform::resource_string(kReceiptText));
    values.receipt_request_text =
        get_text(file, "Texts", "Did you get it", platform::resource_string(kReceiptRequestText));
    values.importance = get_int(file, "Importance", "Importance", kDefaultImportance);
    if (values.importance < 0 || values.importance > kMaxImportance)
        values.importance = kDefaultImportance;
    for (size_t i = 0; i < kImportanceLevels; ++i) {
        values.importance_names[i] = file.get_string("Importance", std::to_string(i),
                                                     kImportanceNames[i], kImportanceNameLength);
    }
    if (file_version <= kLastVersionWithOldMemberships) {
        values.memberships = read_memberships(file, "Zedazor Membership", "Conf%02d");
        if (!values.memberships.empty()) write_memberships(file, values.memberships);
    } else {
        values.memberships = read_memberships(file, "Membership", "%d");
    }
}

std::vector<uint32_t> stored_memberships(IniFile& file) {
    return read_memberships(file, "Membership", "%d");
}

void write_list_sections(IniFile& file, const UserValues& now, const UserValues& old) {
    for (char letter = 'A'; letter <= 'Z'; ++letter) {
        for (int digit = 1; digit <= 4; ++digit) {
            auto slot = static_cast<size_t>(macro_slot(letter, digit));
            std::string key{letter, static_cast<char>('0' + digit)};
            put_text(file, "Macros", key, now.macros[slot], old.macros[slot], {});
        }
    }
    put_text(file, "Texts", "Receipt", now.receipt_text, old.receipt_text,
             platform::resource_string(kReceiptText));
    put_text(file, "Texts", "Did you get it", now.receipt_request_text, old.receipt_request_text,
             platform::resource_string(kReceiptRequestText));
    put_int(file, "Importance", "Importance", now.importance, old.importance);
    for (size_t i = 0; i < kImportanceLevels; ++i) {
        put_string_if_changed(file, "Importance", std::to_string(i), now.importance_names[i],
                              old.importance_names[i]);
    }
    if (now.memberships != old.memberships) write_memberships(file, now.memberships);
}

}  // namespace orvane::settings
