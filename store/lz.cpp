#include "store/lz.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/bytes.h"

namespace orvane::store {

using platform::load_le16;
using platform::store_le16;

namespace {

uint32_t hash3(const uint8_t* p) {
    uint32_t h = ((static_cast<uint32_t>(p[0]) * 16) ^ p[1]) * 16 ^ p[2];
    return (h * 40543u) >> 4 & 4095u;
}

uint64_t load64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return v;
}

// What 16 items can make at most, and what copy_match writes past a match.
constexpr size_t kGroupOutput = 16 * kLzMaxMatch + 8;

// Copies a match of `length` bytes from `distance` back, as if byte by byte
// (a short distance repeats a pattern). Eight bytes at a time when the
// distance allows, which may write up to 6 bytes past the match.
void copy_match(uint8_t* out, size_t distance, size_t length) {
    const uint8_t* from = out - distance;
    if (distance < 8) {
        for (size_t i = 0; i < length; ++i) out[i] = from[i];
        return;
    }
    // Each piece reads only bytes before the piece it writes.
    for (size_t i = 0; i < length; i += 8) std::memcpy(out + i, from + i, 8);
}

// How many leading bytes of `a` and `b` agree, up to `limit`; eight at a
// time where it can.
size_t common_length(const uint8_t* a, const uint8_t* b, size_t limit) {
    size_t n = 0;
    for (; n + 8 <= limit; n += 8) {
        const uint64_t differ = load64(a + n) ^ load64(b + n);
        if (differ) {
            const int bit = std::endian::native == std::endian::little ? std::countr_zero(differ)
                                                                       : std::countl_zero(differ);
            return n + static_cast<size_t>(bit) / 8;
        }
    }
    while (n < limit && a[n] == b[n]) ++n;
    return n;
}

}  // namespace

namespace {

// Items that start this close to the end of the input may see fewer than 18
// bytes ahead; the checkpoint lies before them.
constexpr size_t kCheckpointDistance = 2 * kLzMaxMatch;

struct CompressorState {
    size_t in = 0;
    size_t out = 2;
    size_t flag_at = 0;
    int bits_left = 16;
    uint16_t flags = 0;
};

// Where a resumable run keeps its checkpoint: the state and output at the
// first item that starts within kCheckpointDistance of the end, and the
// table entries changed after it, to be put back.
struct Snapshot {
    LzCheckpoint* checkpoint = nullptr;
    bool taken = false;
    std::vector<std::pair<uint32_t, int32_t>> changes;
};

void take_snapshot(Snapshot& snapshot, const CompressorState& state, size_t limit,
                   const uint8_t* input, const uint8_t* output) {
    LzCheckpoint& checkpoint = *snapshot.checkpoint;
    checkpoint.limit = limit;
    checkpoint.in = state.in;
    checkpoint.out = state.out;
    checkpoint.flag_at = state.flag_at;
    checkpoint.bits_left = state.bits_left;
    checkpoint.flags = state.flags;
    // An item reads at most two bytes past its start for the hash and one
    // past a match for the mismatch. The input before the old checkpoint's
    // end is known to be the same.
    const size_t known = checkpoint.input.size();
    checkpoint.input.insert(checkpoint.input.end(), input + known, input + state.in + 2);
    checkpoint.output.assign(output, output + state.out);
    snapshot.taken = true;
}

bool can_resume(const LzCheckpoint& checkpoint, size_t limit, const uint8_t* input, size_t length) {
    return checkpoint.valid && checkpoint.limit == limit && length >= checkpoint.in + kLzMaxMatch &&
           std::equal(checkpoint.input.begin(), checkpoint.input.end(), input);
}

// The table's earlier position for the three bytes at `in` (the table then
// holds `in` for them), and how far the bytes there and at `in` agree, up
// to `max_match`; 0 when the earlier position is none or out of the window.
struct Lookup {
    uint32_t hash = 0;
    int32_t previous = -1;
    size_t match = 0;
};

Lookup look_up(LzTable& table, const uint8_t* input, size_t in, size_t max_match) {
    Lookup found;
    found.hash = hash3(input + in);
    found.previous = table[found.hash];
    table[found.hash] = static_cast<int32_t>(in);
    if (found.previous >= 0 && in - static_cast<size_t>(found.previous) <= kLzWindow)
        found.match = common_length(input + found.previous, input + in, max_match);
    return found;
}

// Writes the item at `state.in`: the match when it is three bytes or longer
// (its flag bit set), else one literal.
void put_item(CompressorState& state, const Lookup& found, const uint8_t* input, uint8_t* output) {
    if (found.match >= 3) {
        state.flags |= 1;
        const size_t distance = state.in - static_cast<size_t>(found.previous);
        store_le16(output + state.out,
                   static_cast<uint16_t>((distance - 1) << 4 | (found.match - 3)));
        state.out += 2;
        state.in += found.match;
    } else {
        output[state.out++] = input[state.in++];
    }
}

// Whole groups of 16 items far from both ends, where no item can reach
// the end of the input or of the output, nor the checkpoint: the same
// items as the careful loop below, without its checks.
void compress_groups(LzTable& table, CompressorState& state, const uint8_t* input, size_t length,
                     uint8_t* output, size_t limit) {
    constexpr size_t kGroupInput = 16 * kLzMaxMatch;
    constexpr size_t kGroupOutputMax = 2 + 16 * 2;
    // A copy the compiler can keep in registers: the output bytes written
    // could otherwise alias it.
    CompressorState group = state;
    while (group.bits_left == 0 && group.out + kGroupOutputMax < limit &&
           group.in + kGroupInput + kCheckpointDistance < length) {
        store_le16(output + group.flag_at, group.flags);
        group.flag_at = group.out;
        group.out += 2;
        group.flags = 0;
        for (int item = 0; item < 16; ++item) {
            group.flags = static_cast<uint16_t>(group.flags << 1);
            put_item(group, look_up(table, input, group.in, kLzMaxMatch), input, output);
        }
    }
    state = group;
}

// The greedy pass from `state` on. With a snapshot, the state at the first
// item that starts within kCheckpointDistance of the end is kept in it.
size_t compress_from(LzTable& table, CompressorState state, const uint8_t* input, size_t length,
                     uint8_t* output, size_t limit, Snapshot* snapshot) {
    while (state.out < limit) {
        compress_groups(table, state, input, length, output, limit);
        if (snapshot && !snapshot->taken && state.in + kCheckpointDistance >= length &&
            state.in + kLzMaxMatch <= length)
            take_snapshot(*snapshot, state, limit, input, output);
        if (--state.bits_left < 0) {
            store_le16(output + state.flag_at, state.flags);
            state.flag_at = state.out;
            state.out += 2;
            if (state.out >= limit) return length;
            state.bits_left = 15;
            state.flags = 0;
        }
        state.flags = static_cast<uint16_t>(state.flags << 1);
        const size_t max_match = std::min(kLzMaxMatch, length - state.in);
        Lookup found;
        if (max_match >= 3) {
            found = look_up(table, input, state.in, max_match);
            if (snapshot && snapshot->taken)
                snapshot->changes.emplace_back(found.hash, found.previous);
        }
        if (found.match >= 3 && state.out + 1 >= limit) return length;
        put_item(state, found, input, output);
        if (state.in == length) {
            store_le16(output + state.flag_at,
                       static_cast<uint16_t>(state.flags << state.bits_left));
            return state.out;
        }
    }
    return length;
}

}  // namespace

size_t LzCompress(LzTable& table, const uint8_t* input, size_t length, uint8_t* output,
                  size_t capacity) {
    table.fill(-1);
    const size_t limit = std::min(capacity, length);
    if (limit < 2) return length;
    return compress_from(table, CompressorState{}, input, length, output, limit, nullptr);
}

size_t LzResumingCompressor::compress(const uint8_t* input, size_t length, uint8_t* output,
                                      size_t capacity) {
    LzCheckpoint& checkpoint = *checkpoint_;
    const size_t limit = std::min(capacity, length);
    if (limit < 2) return length;
    CompressorState state;
    if (can_resume(checkpoint, limit, input, length)) {
        state.in = checkpoint.in;
        state.out = checkpoint.out;
        state.flag_at = checkpoint.flag_at;
        state.bits_left = checkpoint.bits_left;
        state.flags = checkpoint.flags;
        std::copy(checkpoint.output.begin(), checkpoint.output.end(), output);
        // The bytes the old checkpoint depended on stay; the new one adds.
        checkpoint.input.resize(std::min(checkpoint.input.size(), checkpoint.in + 2));
    } else {
        checkpoint.table.fill(-1);
        checkpoint.input.clear();
    }
    // The table is changed from here on: it is a checkpoint again only
    // once a new one is taken and the later changes are put back.
    checkpoint.valid = false;
    Snapshot snapshot;
    snapshot.checkpoint = &checkpoint;
    const size_t result =
        compress_from(checkpoint.table, state, input, length, output, limit, &snapshot);
    if (snapshot.taken) {
        for (auto change = snapshot.changes.rbegin(); change != snapshot.changes.rend(); ++change)
            checkpoint.table[change->first] = change->second;
        checkpoint.valid = true;
    }
    return result;
}

LzResult LzExpand(const uint8_t* input, size_t length, uint8_t* output, size_t expected,
                  size_t* produced) {
    size_t in = 0;
    size_t out = 0;
    LzResult result = LzResult::Exact;
    while (in < length && out < expected) {
        if (length - in < 2) {
            in = length;
            break;
        }
        unsigned flags = load_le16(input + in);
        in += 2;
        if (in == length) break;
        // A group whose 16 items cannot reach the end of the input or of
        // the output is expanded without looking for either.
        const bool roomy = length - in >= 32 && expected - out >= kGroupOutput;
        for (int item = 0; item < 16; ++item, flags <<= 1) {
            if (!roomy && (in >= length || out >= expected)) goto done;
            if (!(flags & 0x8000)) {
                output[out++] = input[in++];
                continue;
            }
            if (!roomy && length - in < 2) {
                in = length;
                goto done;
            }
            const uint16_t code = load_le16(input + in);
            in += 2;
            const size_t distance = (code >> 4) + 1u;
            const size_t match = (code & 15u) + 3u;
            if (distance > out) {
                result = LzResult::BadDistance;
                goto done;
            }
            if (roomy) {
                copy_match(output + out, distance, match);
                out += match;
                continue;
            }
            const size_t room = expected - out;
            const size_t count = std::min(match, room);
            for (size_t i = 0; i < count; ++i, ++out) output[out] = output[out - distance];
            if (match > room) {
                result = LzResult::TooLong;
                goto done;
            }
        }
    }
done:
    if (produced) *produced = out;
    if (result != LzResult::Exact) return result;
    if (in < length) return LzResult::TooLong;
    if (out < expected) return LzResult::Short;
    return LzResult::Exact;
}

}  // namespace orvane::store
