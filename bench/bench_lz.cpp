// The block compression against zlib at level 1 and LZ4, in one run, on
// 10 MB of text that reads like English to a compressor: compress and expand
// rates, in pieces of the size the engine compresses (a block's record area
// of 16 KiB) and as one stream, and the size each makes. Each line: what,
// our figure, the peer's figure, ratio.
#include <lz4.h>
#include <zlib.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/english_text.h"
#include "store/lz.h"

namespace {

using namespace orvane::store;
using namespace orvane::bench;

constexpr size_t kTextSize = 10u << 20;
constexpr size_t kPiece = 16384;
constexpr int kRounds = 5;

struct Rates {
    double compress_mb_s = 0, expand_mb_s = 0;
    size_t packed = 0;
};

// A compressor: packs `length` bytes into `out` (room for the worst case)
// and gives the packed length; an expander gives back `length` bytes.
struct Codec {
    size_t (*pack)(const uint8_t* in, size_t length, uint8_t* out, size_t room);
    bool (*unpack)(const uint8_t* in, size_t packed, uint8_t* out, size_t length);
};

size_t ours_pack(const uint8_t* in, size_t length, uint8_t* out, size_t room) {
    static LzTable table;
    return LzCompress(table, in, length, out, room);
}
bool ours_unpack(const uint8_t* in, size_t packed, uint8_t* out, size_t length) {
    return LzExpand(in, packed, out, length) == LzResult::Exact;
}

size_t zlib_pack(const uint8_t* in, size_t length, uint8_t* out, size_t room) {
    uLongf packed = room;
    check(compress2(out, &packed, in, length, 1) == Z_OK, "zlib compress");
    return packed;
}
bool zlib_unpack(const uint8_t* in, size_t packed, uint8_t* out, size_t length) {
    uLongf made = length;
    return uncompress(out, &made, in, packed) == Z_OK && made == length;
}

size_t lz4_pack(const uint8_t* in, size_t length, uint8_t* out, size_t room) {
    return static_cast<size_t>(
        LZ4_compress_default(reinterpret_cast<const char*>(in), reinterpret_cast<char*>(out),
                             static_cast<int>(length), static_cast<int>(room)));
}
bool lz4_unpack(const uint8_t* in, size_t packed, uint8_t* out, size_t length) {
    return LZ4_decompress_safe(reinterpret_cast<const char*>(in), reinterpret_cast<char*>(out),
                               static_cast<int>(packed),
                               static_cast<int>(length)) == static_cast<int>(length);
}

// Compresses and expands `text` in pieces of `piece` bytes, best of a few
// rounds each.
Rates measure(const Codec& codec, const std::string& text, size_t piece) {
    const auto* in = reinterpret_cast<const uint8_t*>(text.data());
    const size_t room = piece + piece / 8 + 1024;
    const size_t pieces = (text.size() + piece - 1) / piece;
    std::vector<uint8_t> packed(pieces * room);
    std::vector<size_t> sizes(pieces);
    std::vector<uint8_t> back(text.size());
    Rates rates;
    double best_pack = 1e9, best_unpack = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        auto start = Clock::now();
        for (size_t i = 0; i < pieces; ++i) {
            const size_t length = std::min(piece, text.size() - i * piece);
            sizes[i] = codec.pack(in + i * piece, length, &packed[i * room], room);
        }
        best_pack = std::min(best_pack, seconds_since(start));
        start = Clock::now();
        for (size_t i = 0; i < pieces; ++i) {
            const size_t length = std::min(piece, text.size() - i * piece);
            check(codec.unpack(&packed[i * room], sizes[i], &back[i * piece], length), "expand");
        }
        best_unpack = std::min(best_unpack, seconds_since(start));
    }
    check(std::equal(back.begin(), back.end(), in), "round trip");
    rates.packed = 0;
    for (size_t size : sizes) rates.packed += size;
    rates.compress_mb_s = text.size() / best_pack / 1e6;
    rates.expand_mb_s = text.size() / best_unpack / 1e6;
    return rates;
}

}  // namespace

int main() {
    std::mt19937 rng(2026);
    const std::string text = english_like(rng, kTextSize);
    const Codec ours{ours_pack, ours_unpack}, zlib{zlib_pack, zlib_unpack},
        lz4{lz4_pack, lz4_unpack};
    for (size_t piece : {kPiece, kTextSize}) {
        const std::string in = piece == kPiece ? " (16 KiB pieces)" : " (one stream)";
        const Rates o = measure(ours, text, piece);
        const Rates z = measure(zlib, text, piece);
        const Rates l = measure(lz4, text, piece);
        ratio_line("compress MB/s" + in, o.compress_mb_s, "zlib-1", z.compress_mb_s, "MB/s");
        ratio_line("compress MB/s" + in, o.compress_mb_s, "lz4", l.compress_mb_s, "MB/s");
        ratio_line("expand MB/s" + in, o.expand_mb_s, "zlib-1", z.expand_mb_s, "MB/s");
        ratio_line("expand MB/s" + in, o.expand_mb_s, "lz4", l.expand_mb_s, "MB/s");
        const double ours_size = 100.0 * o.packed / text.size();
        ratio_line("compressed size % of the text" + in, ours_size, "zlib-1",
                   100.0 * z.packed / text.size(), "%");
        ratio_line("compressed size % of the text" + in, ours_size, "lz4",
                   100.0 * l.packed / text.size(), "%");
    }
    return 0;
}
