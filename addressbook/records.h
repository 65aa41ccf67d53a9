// The stored form of the two address book files, "QORLists.dat" (the
// objects of the network's nodes) and "AddrBook.dat" (the user's personal
// entries and groups). Both are database files with blocks of 2048 bytes,
// index entries of 8 bytes and prefix-compressed keys. The first key byte
// tells the records apart:
//
//   1  object      key: 1, node key, object number (16 bits, little-endian)
//   2  node state  key: 2, node key
//   4  name word   key: 4, word (1 to 8 bytes), 0 [, part number 1..255]
//
// Object data. The first 169 bytes at most are the object as every reader
// takes it; the member list follows them. All numbers little-endian.
//
//   offset  size  field
//   0       1     type: 1 person, 2 conference, 250 personal entry, 255 group
//   1       4     object flags
//   5       4     0
//   9       1     name length n (at most 55)
//   10      2     the first number of the object's number list (0 for types
//                 250 and 255)
//   12      2     member count m
//   14      4     0
//   18      1     address length a (type 250 only, at most 63; else 0)
//   19      30    0
//   49      n     name
//   49+n    1     0
//   50+n    a+1   type 250 only: the address and a 0 byte
//   then    3m    members, each: node key, object number (16 bits)
//
// A person or conference keeps the further numbers of its number list as
// members on its own node; a group keeps the objects put into it. An alias
// of a person is an object of its own, numbered with bit 14 set.
//
// Node state data: the highest serial of the node's address lists (32 bits,
// signed), then 4 bytes 0.
//
// Name word data: a 4-byte head (entry count, 16 bits; then 2 bytes 0) and
// entries of 5 bytes: node key, object type, object number (16 bits), the
// position of the word in the object's name counted from 1. The entries are
// sorted by node key, object number, position and type, each at most once.
// A word of more than kWordPartEntries entries continues in records with a
// part number after the 0 byte; each part is sorted and the parts follow
// each other in that order.
#pragma once

#include <compare>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "texts/node_names.h"

namespace orvane::addressbook {

using texts::NodeKey;

inline constexpr uint8_t kObjectRecord = 1;
inline constexpr uint8_t kNodeStateRecord = 2;
inline constexpr uint8_t kWordRecord = 4;

// The node of the personal address book's entries and groups.
inline constexpr NodeKey kPersonalNode = '@';

enum ObjectType : uint8_t {
    kPerson = 1,
    kConference = 2,
    kPersonalEntry = 250,  // a name with an Internet address
    kGroup = 255,
};

namespace object_flags {
inline constexpr uint32_t kPrivilegeMask = 0x7;
inline constexpr uint32_t kEconomy = 1u << 4;
inline constexpr uint32_t kSuspended = 1u << 15;
inline constexpr uint32_t kAbsent = 1u << 27;
// Reported only to the object's own person or to the conference's members.
inline constexpr uint32_t kOwnOnly = 1u << 29;
inline constexpr uint32_t kMembersOnly = 1u << 30;
inline constexpr uint32_t kRemoved = 1u << 31;
}  // namespace object_flags

inline constexpr uint16_t kAliasBit = 0x4000;
inline constexpr uint16_t kObjectNumberMask = 0x3FFF;
inline constexpr size_t kMaxNameLength = 55;
inline constexpr size_t kMaxAddressLength = 63;
// The bytes of an object that every reader takes.
inline constexpr size_t kObjectReadLength = 169;
inline constexpr size_t kWordPartEntries = 40000;

struct Member {
    NodeKey node = 0;
    uint16_t number = 0;
    auto operator<=>(const Member&) const = default;
};

// An object in memory.
struct AddressObject {
    NodeKey node = 0;
    uint16_t number = 0;  // with kAliasBit for an alias
    uint8_t type = 0;
    std::string name;
    uint32_t flags = 0;
    uint16_t first_number = 0;
    std::vector<Member> members;
    std::string address;  // type 250

    bool is_alias() const { return (number & kAliasBit) != 0; }
    bool operator==(const AddressObject&) const = default;
};

// Flags as every reader takes them: an object whose flags masked with 0xC7
// equal 0xC3 is also reported to its own person only (bit 29).
uint32_t flags_as_read(uint32_t stored);

std::string object_key(NodeKey node, uint16_t number);
// The stored data; a longer name or address is cut to what is kept.
std::string encode_object(const AddressObject& object);
// The object from its stored data, its flags as read. Nothing when the data
// is too short for what its length fields claim.
std::optional<AddressObject> decode_object(NodeKey node, uint16_t number, std::string_view data);

struct WordEntry {
    NodeKey node = 0;
    uint8_t type = 0;
    uint16_t number = 0;
    uint8_t position = 0;
    // The stored order.
    auto operator<=>(const WordEntry& other) const {
        if (auto c = node <=> other.node; c != 0) return c;
        if (auto c = number <=> other.number; c != 0) return c;
        if (auto c = position <=> other.position; c != 0) return c;
        return type <=> other.type;
    }
    bool operator==(const WordEntry&) const = default;
};

inline constexpr size_t kWordHeadLength = 4;
inline constexpr size_t kWordEntryLength = 5;

// `word` is folded and at most 8 bytes; part 0 is the record without a part
// number.
std::string word_key(std::string_view word, uint8_t part = 0);
struct WordKey {
    std::string word;
    uint8_t part = 0;
};
// Nothing when `key` is not the key of a name word record.
std::optional<WordKey> parse_word_key(std::string_view key);
std::string encode_word_entries(std::span<const WordEntry> entries);
// (length - 4) / 5 entries, whatever the head says.
std::vector<WordEntry> decode_word_entries(std::string_view data);

std::string node_state_key(NodeKey node);
std::string encode_node_serial(int32_t serial);
std::optional<int32_t> decode_node_serial(std::string_view data);

}  // namespace orvane::addressbook
