// Address list files as the server sends them: the file name tells the
// node and whether the list is complete, and each line describes one object.
//
// File name: the node's letter (either case), 'O' (either case), five
// digits, then '$' for a complete list or '#' for a list of changes; then
// nothing, ".", or ".zip" for a zipped list.
//
// Line: serial (decimal, may be negative), type (decimal: 1 person,
// 2 conference), object number (decimal; bits 0-13 the number, bit 14 an
// alias), flags (hexadecimal), each followed by blanks; then the name, up
// to two blanks in a row or the end of the line; then after those blanks
// the number list: decimal numbers, each followed by one separator.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/records.h"

namespace orvane::addressbook {

struct ListFileName {
    NodeKey node = 0;
    bool complete = false;  // '$'; a list of changes is '#'
    bool zipped = false;
};

// Nothing when `name` (without directory) is not the name of an address list.
std::optional<ListFileName> parse_list_file_name(std::string_view name);

// Lines shorter than this are passed over without a word.
inline constexpr size_t kShortestListLine = 16;
// Longer lines are no address list lines.
inline constexpr size_t kLongestListLine = 65536;

struct ListLine {
    int32_t serial = 0;
    uint32_t type = 0;
    uint16_t number = 0;  // with kAliasBit
    // The number could be read, even when a later field could not: a
    // complete list still holds that object.
    bool number_known = false;
    uint32_t flags = 0;
    std::string name;  // at most 55 characters
    uint16_t first_number = 0;
    std::vector<uint16_t> more_numbers;
};

enum class LineVerdict {
    kRead,
    kShort,  // passed over as the server's filler
    kBad,    // a field is missing, malformed or out of range
};

// Reads one line, without its line end.
LineVerdict parse_list_line(std::string_view line, ListLine* parsed);

}  // namespace orvane::addressbook
