// Feeds arbitrary bytes to the INI reader as a settings file, then reads and
// changes values in it the way the settings code does.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "settings/ini_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvane::settings;
    std::string text =
        normalise_ini_text(std::string_view(reinterpret_cast<const char*>(data), size));
    for (const char* section : {"Users", "General", "Nodes", "Options"}) {
        for (const auto& key : ini_keys(text, section)) (void)ini_value(text, section, key, 255);
    }
    (void)ini_value(text, "Options", "Right Margin", 15);
    (void)ini_set(&text, "Options", "Right Margin", "70");
    (void)ini_set(&text, "New Section", "Key", "value");
    (void)ini_delete_key(&text, "Users", "x");
    (void)ini_delete_section(&text, "Nodes");
    if (!text.empty() && text.back() != '\n') __builtin_trap();
    if (ini_value(text, "Options", "Right Margin", 15) != "70") __builtin_trap();
    return 0;
}
