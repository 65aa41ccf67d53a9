// TextId: the 32-bit identifier of a text, a node key in the top byte and
// the text's number on that node below it.
//
// Values up to 0x07FFFFFF carry no node key (local texts and numbers whose
// node comes from the context). Key 'C' may use 27 bits for its number, so
// a top byte from 'D' to 'J' always reads as key 'C'; no node can have a key
// from 'D' to 'J'. Every other key has 24 bits of number.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "texts/node_names.h"

namespace orvane::texts {

using TextId = uint32_t;

constexpr TextId kLargestIdWithoutKey = 0x07FFFFFF;
constexpr NodeKey kWideNumberKey = 'C';

NodeKey node_key_of(TextId id);
uint32_t number_of(TextId id);

// True when `number` can be kept under `key` and read back unchanged.
bool text_id_fits(NodeKey key, uint32_t number);

// key × 0x1000000 + number; only meaningful when text_id_fits(key, number).
constexpr TextId make_text_id(NodeKey key, uint32_t number) {
    return static_cast<TextId>(key) * 0x1000000u + number;
}

// The written form: "%d" when the text is local or on the context's node,
// "%s:%d" with the node's name when the node table knows its key, "%c:%d"
// with the bare key letter when it does not.
std::string format_text_id(TextId id, NodeKey context_node, const NodeNames& nodes);

struct ParsedTextId {
    NodeKey key = 0;  // 0 when the text gave no node; the caller supplies the context's
    uint32_t number = 0;
    size_t length = 0;  // characters of the text taken
};

// Reads "[letters:]digits" from the start of `text`. The letters name a node
// by its name or second name, without regard to case; an unknown name stands
// for the node whose key is its first letter upper-cased. Fails on anything
// else, and on a number that does not fit the key (for a text without node
// key: 0x07FFFFFF).
std::optional<ParsedTextId> parse_text_id(std::string_view text, const NodeNames& nodes);

}  // namespace orvane::texts
