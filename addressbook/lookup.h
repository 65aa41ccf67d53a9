// Turning a typed name (a receiver, a member, a person in a command) into
// the objects it may mean. Every typed word must begin a word of the
// object's name: "jo sm" finds John Smith. A typed "#12" is the object
// numbered 12 itself.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/book_file.h"

namespace orvane::addressbook {

// The kinds of object a lookup takes.
namespace type_mask {
inline constexpr uint8_t kPersonal = 0x01;  // personal entries, and the personal book itself
inline constexpr uint8_t kPersons = 0x02;
inline constexpr uint8_t kConferences = 0x04;
inline constexpr uint8_t kGroups = 0x10;
}  // namespace type_mask

// The mask bit of an object type; 0 for a type no mask takes.
uint8_t type_mask_of(uint8_t type);

// How a typed word's position must relate to the position of the name's word.
enum class PositionRule {
    kSame = 0,      // the same position: "jo sm" finds John Smith, not Smith John
    kAtLeast = 1,   // the same or a later one
    kAnywhere = 2,  // any position
};

// The files a lookup reads; either may be missing.
struct Books {
    BookFile* lists = nullptr;
    BookFile* personal = nullptr;
};

struct LookupRequest {
    std::string text;
    NodeKey node = 0;  // 0: the nodes of search_nodes
    uint8_t mask = type_mask::kPersons | type_mask::kConferences;
    PositionRule rule = PositionRule::kSame;
    // The node letters to search when no node is given, "@" for the
    // personal book (the "Search Addresses" setting); empty: every node.
    std::string search_nodes;
};

struct Found {
    NodeKey node = 0;
    uint16_t number = 0;
    uint8_t type = 0;
    // How many typed words matched a whole word of the name (a word of up
    // to 8 characters typed in full).
    int whole_words = 0;
    bool operator==(const Found&) const = default;
};

struct LookupResult {
    std::vector<Found> found;  // by node key, then number
    bool any_whole_word = false;
};

platform::Result<LookupResult> look_up(const Books& books, const LookupRequest& request);

// The node letters (and "@") of a "Search Addresses" value such as "C,M,@".
std::string search_nodes_of(std::string_view setting);

}  // namespace orvane::addressbook
