#include "addressbook/records.h"

#include <algorithm>

#include "platform/bytes.h"

namespace orvane::addressbook {

namespace {

constexpr size_t kTypeAt = 0;
constexpr size_t kFlagsAt = 1;
constexpr size_t kNameLengthAt = 9;
constexpr size_t kFirstNumberAt = 10;
constexpr size_t kMemberCountAt = 12;
constexpr size_t kAddressLengthAt = 18;
constexpr size_t kNameAt = 49;
constexpr size_t kMemberLength = 3;

const uint8_t* bytes_of(std::string_view data) {
    return reinterpret_cast<const uint8_t*>(data.data());
}

uint8_t* bytes_of(std::string& data) {
    return reinterpret_cast<uint8_t*>(data.data());
}

}  // namespace

uint32_t flags_as_read(uint32_t stored) {
    return (stored & 0xC7) == 0xC3 ? stored | object_flags::kOwnOnly : stored;
}

std::string object_key(NodeKey node, uint16_t number) {
    std::string key(4, '\0');
    key[0] = static_cast<char>(kObjectRecord);
    key[1] = static_cast<char>(node);
    platform::store_le16(bytes_of(key) + 2, number);
    return key;
}

std::string encode_object(const AddressObject& object) {
    const std::string_view name = std::string_view(object.name).substr(0, kMaxNameLength);
    const bool has_address = object.type == kPersonalEntry;
    const std::string_view address =
        has_address ? std::string_view(object.address).substr(0, kMaxAddressLength) : "";
    const size_t members = std::min<size_t>(object.members.size(), 0xFFFF);
    const size_t members_at = kNameAt + name.size() + 1 + (has_address ? address.size() + 1 : 0);

    std::string data(members_at + members * kMemberLength, '\0');
    uint8_t* p = bytes_of(data);
    p[kTypeAt] = object.type;
    platform::store_le32(p + kFlagsAt, object.flags);
    p[kNameLengthAt] = static_cast<uint8_t>(name.size());
    platform::store_le16(p + kFirstNumberAt, object.first_number);
    platform::store_le16(p + kMemberCountAt, static_cast<uint16_t>(members));
    p[kAddressLengthAt] = static_cast<uint8_t>(address.size());
    std::copy(name.begin(), name.end(), data.begin() + kNameAt);
    std::copy(address.begin(), address.end(), data.begin() + kNameAt + name.size() + 1);
    for (size_t i = 0; i < members; ++i) {
        uint8_t* member = p + members_at + i * kMemberLength;
        member[0] = object.members[i].node;
        platform::store_le16(member + 1, object.members[i].number);
    }
    return data;
}

std::optional<AddressObject> decode_object(NodeKey node, uint16_t number, std::string_view data) {
    if (data.size() < kNameAt + 1) return std::nullopt;
    const uint8_t* p = bytes_of(data);
    AddressObject object;
    object.node = node;
    object.number = number;
    object.type = p[kTypeAt];
    object.flags = platform::load_le32(p + kFlagsAt);
    object.first_number = platform::load_le16(p + kFirstNumberAt);
    const size_t stored_name = p[kNameLengthAt];
    if (data.size() < kNameAt + stored_name + 1) return std::nullopt;
    object.name = std::string(data.substr(kNameAt, std::min(stored_name, kMaxNameLength)));
    size_t members_at = kNameAt + stored_name + 1;
    if (object.type == kPersonalEntry) {
        const size_t stored_address = p[kAddressLengthAt];
        if (data.size() < members_at + stored_address) return std::nullopt;
        object.address =
            std::string(data.substr(members_at, std::min(stored_address, kMaxAddressLength)));
        members_at += stored_address + 1;
    }
    const size_t members = platform::load_le16(p + kMemberCountAt);
    if (members > 0 && data.size() < members_at + members * kMemberLength) return std::nullopt;
    object.members.reserve(members);
    for (size_t i = 0; i < members; ++i) {
        const uint8_t* member = p + members_at + i * kMemberLength;
        object.members.push_back({member[0], platform::load_le16(member + 1)});
    }
    object.flags = flags_as_read(object.flags);
    return object;
}

std::string word_key(std::string_view word, uint8_t part) {
    std::string key;
    key.reserve(word.size() + 3);
    key.push_back(static_cast<char>(kWordRecord));
    key.append(word);
    key.push_back('\0');
    if (part != 0) key.push_back(static_cast<char>(part));
    return key;
}

std::optional<WordKey> parse_word_key(std::string_view key) {
    if (key.size() < 3 || static_cast<uint8_t>(key[0]) != kWordRecord) return std::nullopt;
    const size_t end = key.find('\0', 1);
    if (end == std::string_view::npos || end == 1 || end > 9) return std::nullopt;
    WordKey parsed{std::string(key.substr(1, end - 1)), 0};
    if (key.size() == end + 2) {
        parsed.part = static_cast<uint8_t>(key[end + 1]);
        if (parsed.part == 0) return std::nullopt;
    } else if (key.size() != end + 1) {
        return std::nullopt;
    }
    return parsed;
}

std::string encode_word_entries(std::span<const WordEntry> entries) {
    std::string data(kWordHeadLength + entries.size() * kWordEntryLength, '\0');
    uint8_t* p = bytes_of(data);
    platform::store_le16(p, static_cast<uint16_t>(entries.size()));
    for (size_t i = 0; i < entries.size(); ++i) {
        uint8_t* entry = p + kWordHeadLength + i * kWordEntryLength;
        entry[0] = entries[i].node;
        entry[1] = entries[i].type;
        platform::store_le16(entry + 2, entries[i].number);
        entry[4] = entries[i].position;
    }
    return data;
}

std::vector<WordEntry> decode_word_entries(std::string_view data) {
    std::vector<WordEntry> entries;
    if (data.size() < kWordHeadLength) return entries;
    const size_t count = (data.size() - kWordHeadLength) / kWordEntryLength;
    entries.reserve(count);
    const uint8_t* p = bytes_of(data) + kWordHeadLength;
    for (size_t i = 0; i < count; ++i, p += kWordEntryLength)
        entries.push_back({p[0], p[1], platform::load_le16(p + 2), p[4]});
    return entries;
}

std::string node_state_key(NodeKey node) {
    return {static_cast<char>(kNodeStateRecord), static_cast<char>(node)};
}

std::string encode_node_serial(int32_t serial) {
    std::string data(8, '\0');
    platform::store_le32(bytes_of(data), static_cast<uint32_t>(serial));
    return data;
}

std::optional<int32_t> decode_node_serial(std::string_view data) {
    if (data.size() < 4) return std::nullopt;
    return static_cast<int32_t>(platform::load_le32(bytes_of(data)));
}

}  // namespace orvane::addressbook
