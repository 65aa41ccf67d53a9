// Tables that tie INI keys to fields of a settings block, so that loading
// and saving a section is one loop over its table. Saving writes only the
// fields that differ from the block as it was loaded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "settings/ini_file.h"
#include "settings/ini_values.h"

namespace orvane::settings {

template <class Block>
struct IntKey {
    const char* name;
    int Block::*field;
    int fallback;
};

template <class Block>
struct UnsignedKey {
    const char* name;
    uint32_t Block::*field;
    uint32_t fallback;
};

template <class Block>
struct DateKey {
    const char* name;
    uint32_t Block::*field;
};

template <class Block>
struct StringKey {
    const char* name;
    std::string Block::*field;
    size_t length;  // characters kept on reading
};

template <class Block, size_t N>
void read_keys(IniFile& file, std::string_view section, const IntKey<Block> (&keys)[N],
               Block& block) {
    for (const auto& key : keys) block.*key.field = get_int(file, section, key.name, key.fallback);
}
template <class Block, size_t N>
void read_keys(IniFile& file, std::string_view section, const UnsignedKey<Block> (&keys)[N],
               Block& block) {
    for (const auto& key : keys)
        block.*key.field = get_unsigned(file, section, key.name, key.fallback);
}
template <class Block, size_t N>
void read_keys(IniFile& file, std::string_view section, const DateKey<Block> (&keys)[N],
               Block& block) {
    for (const auto& key : keys) block.*key.field = get_date(file, section, key.name, 0);
}
template <class Block, size_t N>
void read_keys(IniFile& file, std::string_view section, const StringKey<Block> (&keys)[N],
               Block& block) {
    for (const auto& key : keys)
        block.*key.field = file.get_string(section, key.name, {}, key.length);
}

template <class Block, size_t N>
void write_keys(IniFile& file, std::string_view section, const IntKey<Block> (&keys)[N],
                const Block& now, const Block& old) {
    for (const auto& key : keys) put_int(file, section, key.name, now.*key.field, old.*key.field);
}
template <class Block, size_t N>
void write_keys(IniFile& file, std::string_view section, const UnsignedKey<Block> (&keys)[N],
                const Block& now, const Block& old) {
    for (const auto& key : keys) put_int(file, section, key.name, now.*key.field, old.*key.field);
}
template <class Block, size_t N>
void write_keys(IniFile& file, std::string_view section, const DateKey<Block> (&keys)[N],
                const Block& now, const Block& old) {
    for (const auto& key : keys) put_date(file, section, key.name, now.*key.field, old.*key.field);
}
template <class Block, size_t N>
void write_keys(IniFile& file, std::string_view section, const StringKey<Block> (&keys)[N],
                const Block& now, const Block& old) {
    for (const auto& key : keys)
        put_string_if_changed(file, section, key.name, now.*key.field, old.*key.field);
}

}  // namespace orvane::settings
