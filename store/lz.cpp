#include "store/lz.h"

#include <algorithm>

#include "platform/bytes.h"

namespace orvane::store {

using platform::load_le16;
using platform::store_le16;

namespace {

uint32_t hash3(const uint8_t* p) {
    uint32_t h = ((static_cast<uint32_t>(p[0]) * 16) ^ p[1]) * 16 ^ p[2];
    return (h * 40543u) >> 4 & 4095u;
}

}  // namespace

size_t LzCompress(LzTable& table, const uint8_t* input, size_t length, uint8_t* output,
                  size_t capacity) {
    table.fill(-1);
    const size_t limit = std::min(capacity, length);
    if (limit < 2) return length;
    size_t flag_at = 0;
    size_t out = 2;
    int bits_left = 16;
    uint16_t flags = 0;
    size_t in = 0;
    while (out < limit) {
        if (--bits_left < 0) {
            store_le16(output + flag_at, flags);
            flag_at = out;
            out += 2;
            if (out >= limit) return length;
            bits_left = 15;
            flags = 0;
        }
        flags = static_cast<uint16_t>(flags << 1);
        const size_t max_match = std::min(kLzMaxMatch, length - in);
        size_t match = 0;
        size_t distance = 0;
        if (max_match >= 3) {
            uint32_t h = hash3(input + in);
            int32_t previous = table[h];
            table[h] = static_cast<int32_t>(in);
            if (previous >= 0 && in - static_cast<size_t>(previous) <= kLzWindow) {
                const uint8_t* source = input + previous;
                while (match < max_match && source[match] == input[in + match]) ++match;
                distance = in - static_cast<size_t>(previous);
            }
        }
        if (match >= 3) {
            if (out + 1 >= limit) return length;
            flags |= 1;
            store_le16(output + out, static_cast<uint16_t>((distance - 1) << 4 | (match - 3)));
            out += 2;
            in += match;
        } else {
            output[out++] = input[in++];
        }
        if (in == length) {
            store_le16(output + flag_at, static_cast<uint16_t>(flags << bits_left));
            return out;
        }
    }
    return length;
}

LzResult LzExpand(const uint8_t* input, size_t length, uint8_t* output, size_t expected,
                  size_t* produced) {
    size_t in = 0;
    size_t out = 0;
    unsigned items = 0;
    uint16_t flags = 0;
    LzResult result = LzResult::Exact;
    while (in < length && out < expected) {
        if (items++ % 16 == 0) {
            if (length - in < 2) {
                in = length;
                break;
            }
            flags = load_le16(input + in);
            in += 2;
            if (in == length) break;
        }
        const bool is_match = flags & 0x8000;
        flags = static_cast<uint16_t>(flags << 1);
        if (!is_match) {
            output[out++] = input[in++];
            continue;
        }
        if (length - in < 2) {
            in = length;
            break;
        }
        const uint16_t item = load_le16(input + in);
        in += 2;
        const size_t distance = (item >> 4) + 1u;
        const size_t match = (item & 15u) + 3u;
        if (distance > out) {
            result = LzResult::BadDistance;
            break;
        }
        const size_t room = expected - out;
        const size_t count = std::min(match, room);
        for (size_t i = 0; i < count; ++i, ++out) output[out] = output[out - distance];
        if (match > room) {
            result = LzResult::TooLong;
            break;
        }
    }
    if (produced) *produced = out;
    if (result != LzResult::Exact) return result;
    if (in < length) return LzResult::TooLong;
    if (out < expected) return LzResult::Short;
    return LzResult::Exact;
}

}  // namespace orvane::store
