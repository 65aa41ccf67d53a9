#include "texts/text_id.h"

#include "texts/ascii.h"

namespace orvane::texts {

namespace {

constexpr TextId kFirstWideId = make_text_id(kWideNumberKey, 0);     // 0x43000000
constexpr TextId kLastWideId = kFirstWideId + kLargestIdWithoutKey;  // 0x4AFFFFFF
constexpr uint32_t kNarrowNumberMask = 0x00FFFFFF;

// A node name in an identifier: ASCII letters, and bytes of national
// letters in the text's code page.
bool is_name_byte(char c) {
    return is_alpha(c) || static_cast<unsigned char>(c) >= 0x80;
}

// The key that an unknown node name stands for. Only 'A'..'Z' outside the
// range that key 'C' uses can be read back; anything else is '?'.
NodeKey fallback_key(char first) {
    const char letter = to_upper(first);
    if (letter < 'A' || letter > 'Z') return '?';
    if (letter > kWideNumberKey && letter <= static_cast<char>(kLastWideId >> 24)) return '?';
    return static_cast<NodeKey>(letter);
}

}  // namespace

NodeKey node_key_of(TextId id) {
    if (id <= kLargestIdWithoutKey) return 0;
    if (id >= kFirstWideId && id <= kLastWideId) return kWideNumberKey;
    return static_cast<NodeKey>(id >> 24);
}

uint32_t number_of(TextId id) {
    if (id <= kLargestIdWithoutKey) return id;
    if (id >= kFirstWideId && id <= kLastWideId) return id - kFirstWideId;
    return id & kNarrowNumberMask;
}

bool text_id_fits(NodeKey key, uint32_t number) {
    if (key == 0 || key == kWideNumberKey) return number <= kLargestIdWithoutKey;
    const TextId id = make_text_id(key, number);
    return number <= kNarrowNumberMask && node_key_of(id) == key;
}

std::string format_text_id(TextId id, NodeKey context_node, const NodeNames& nodes) {
    const NodeKey key = node_key_of(id);
    const std::string number = std::to_string(number_of(id));
    if (key == 0 || key == context_node) return number;
    const std::string_view name = nodes.node_name(key);
    if (!name.empty()) return std::string(name) + ":" + number;
    return std::string(1, static_cast<char>(key)) + ":" + number;
}

std::optional<ParsedTextId> parse_text_id(std::string_view text, const NodeNames& nodes) {
    ParsedTextId parsed;
    size_t at = 0;
    while (at < text.size() && is_name_byte(text[at])) ++at;
    if (at > 0) {
        if (at >= text.size() || text[at] != ':') return std::nullopt;
        const std::string_view name = text.substr(0, at);
        parsed.key = nodes.node_key_by_name(name);
        if (parsed.key == 0) parsed.key = fallback_key(name[0]);
        ++at;
    }
    const size_t digits_start = at;
    uint64_t number = 0;
    while (at < text.size() && is_digit(text[at])) {
        number = number * 10 + static_cast<uint64_t>(text[at] - '0');
        if (number > UINT32_MAX) return std::nullopt;
        ++at;
    }
    if (at == digits_start) return std::nullopt;
    parsed.number = static_cast<uint32_t>(number);
    if (!text_id_fits(parsed.key, parsed.number)) return std::nullopt;
    parsed.length = at;
    return parsed;
}

}  // namespace orvane::texts
