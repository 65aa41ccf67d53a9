#include "store/lz.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <vector>

#include "store/crc8.h"

namespace orvane::store {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes from_hex(const std::string& hex) {
    Bytes out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

Bytes compress(const Bytes& input, size_t capacity = 0) {
    LzTable table;
    Bytes out(capacity ? capacity : input.size() + 2);
    const size_t n = LzCompress(table, input.data(), input.size(), out.data(),
                                capacity ? capacity : input.size());
    out.resize(n);
    return out;
}

struct Item {
    bool match;
    size_t distance;
    size_t length;
};

// Lists the items of a stream, to see which matches the compressor chose.
std::vector<Item> items_of(const Bytes& stream) {
    std::vector<Item> items;
    size_t at = 0;
    uint16_t flags = 0;
    for (size_t count = 0; at < stream.size(); ++count) {
        if (count % 16 == 0) {
            flags = static_cast<uint16_t>(stream[at] | stream[at + 1] << 8);
            at += 2;
        }
        if (flags & 0x8000) {
            const uint16_t v = static_cast<uint16_t>(stream[at] | stream[at + 1] << 8);
            items.push_back({true, (v >> 4) + 1u, (v & 15u) + 3u});
            at += 2;
        } else {
            items.push_back({false, 0, 1});
            at += 1;
        }
        flags = static_cast<uint16_t>(flags << 1);
    }
    return items;
}

TEST(Crc8, KnownValues) {
    const std::string digits = "123456789", abc = "abc";
    EXPECT_EQ(crc8(reinterpret_cast<const uint8_t*>(digits.data()), digits.size()), 0x34);
    EXPECT_EQ(crc8(reinterpret_cast<const uint8_t*>(abc.data()), abc.size()), 0x52);
}

TEST(Lz, HundredEqualBytesGiveFifteen) {
    const Bytes packed = compress(Bytes(100, 'A'));
    EXPECT_EQ(packed, from_hex("007e410f001f011f011f011f011601"));
}

// Vectors from the independent model in tests/tools/lz_reference.py.
TEST(Lz, MatchesTheReferenceModelByteForByte) {
    std::ifstream in(std::string(ORVANE_TEST_DATA) + "/store/lz_vectors.txt");
    ASSERT_TRUE(in) << "missing vectors";
    std::string input_hex, output_hex;
    int checked = 0;
    while (in >> input_hex >> output_hex) {
        const Bytes input = from_hex(input_hex);
        const Bytes packed = compress(input);
        if (output_hex == "-") {
            EXPECT_EQ(packed.size(), input.size());
        } else {
            EXPECT_EQ(packed, from_hex(output_hex)) << "input of " << input.size() << " bytes";
            Bytes expanded(input.size());
            EXPECT_EQ(LzExpand(packed.data(), packed.size(), expanded.data(), expanded.size()),
                      LzResult::Exact);
            EXPECT_EQ(expanded, input);
        }
        ++checked;
    }
    EXPECT_EQ(checked, 6);
}

TEST(Lz, IncompressibleInputAndSmallCapacityGiveTheInputLength) {
    std::mt19937 rng(7);
    Bytes noise(2000);
    for (auto& b : noise) b = static_cast<uint8_t>(rng());
    EXPECT_EQ(compress(noise).size(), noise.size());
    // Compressible, but not into 10 bytes.
    EXPECT_EQ(compress(Bytes(100, 'A'), 10).size(), 100u);
    EXPECT_EQ(compress(Bytes(100, 'A'), 15).size(), 15u);
    EXPECT_EQ(compress(Bytes{}).size(), 0u);
}

TEST(Lz, WindowReachesExactly4096Back) {
    for (size_t gap : {4096u, 4097u}) {
        Bytes input(gap + 3, 0);
        input[0] = 'X', input[1] = 'Y', input[2] = 'Z';
        input[gap] = 'X', input[gap + 1] = 'Y', input[gap + 2] = 'Z';
        const Bytes packed = compress(input);
        const auto items = items_of(packed);
        ASSERT_FALSE(items.empty());
        if (gap == 4096) {
            EXPECT_TRUE(items.back().match);
            EXPECT_EQ(items.back().distance, 4096u);
        } else {
            EXPECT_FALSE(items.back().match);
        }
        Bytes expanded(input.size());
        EXPECT_EQ(LzExpand(packed.data(), packed.size(), expanded.data(), expanded.size()),
                  LzResult::Exact);
        EXPECT_EQ(expanded, input);
    }
}

TEST(Lz, NoFlagWordFollowsAFullLastGroup) {
    // 14 distinct literals, a match of 14 and a literal: 16 items in one group.
    Bytes input;
    for (char c = 'a'; c <= 'n'; ++c) input.push_back(static_cast<uint8_t>(c));
    input.insert(input.end(), input.begin(), input.end());
    input.push_back('q');
    const Bytes packed = compress(input);
    ASSERT_EQ(packed.size(), 2u + 14 + 2 + 1);
    EXPECT_EQ(packed[0], 0x02);
    EXPECT_EQ(packed[1], 0x00);
    Bytes expanded(input.size());
    EXPECT_EQ(LzExpand(packed.data(), packed.size(), expanded.data(), expanded.size()),
              LzResult::Exact);
    EXPECT_EQ(expanded, input);
}

TEST(Lz, ExpansionReportsEachOutcome) {
    const Bytes packed = from_hex("007e410f001f011f011f011f011601");
    Bytes out(200);
    EXPECT_EQ(LzExpand(packed.data(), packed.size(), out.data(), 100), LzResult::Exact);
    EXPECT_EQ(LzExpand(packed.data(), packed.size(), out.data(), 101), LzResult::Short);
    EXPECT_EQ(LzExpand(packed.data(), packed.size() - 2, out.data(), 100), LzResult::Short);
    EXPECT_EQ(LzExpand(packed.data(), packed.size(), out.data(), 95), LzResult::TooLong);
    EXPECT_EQ(LzExpand(packed.data(), packed.size(), out.data(), 91), LzResult::TooLong);
    // A match of distance 2 after a single literal.
    const Bytes bad = from_hex("0040411000");
    EXPECT_EQ(LzExpand(bad.data(), bad.size(), out.data(), 10), LzResult::BadDistance);
    // A match right at the start.
    const Bytes first = from_hex("00800000");
    EXPECT_EQ(LzExpand(first.data(), first.size(), out.data(), 10), LzResult::BadDistance);
}

TEST(Lz, RandomRoundTrips) {
    std::mt19937 rng(99);
    LzTable table;
    for (int round = 0; round < 200; ++round) {
        Bytes input(rng() % 9000);
        const unsigned alphabet = 1 + rng() % 20;
        for (auto& b : input) b = static_cast<uint8_t>(rng() % alphabet);
        Bytes packed(input.size() + 2);
        const size_t n = LzCompress(table, input.data(), input.size(), packed.data(), input.size());
        if (n == input.size()) continue;
        Bytes expanded(input.size());
        ASSERT_EQ(LzExpand(packed.data(), n, expanded.data(), expanded.size()), LzResult::Exact);
        ASSERT_EQ(expanded, input);
    }
}

}  // namespace
}  // namespace orvane::store

namespace orvane::store {
namespace {

// Compressing a growing input from the last checkpoint gives exactly the
// bytes of a full run, whether or not the beginning changed in between.
TEST(LzResuming, GivesTheBytesOfAFullRun) {
    std::mt19937 rng(5);
    LzResumingCompressor resuming;
    LzTable table;
    std::vector<uint8_t> input;
    for (int step = 0; step < 1500; ++step) {
        if (rng() % 25 == 0 || input.size() > 12000) input.resize(rng() % (input.size() + 1));
        if (rng() % 30 == 0 && !input.empty()) input[rng() % input.size()] ^= 1;
        const size_t grow = 1 + rng() % 400;
        for (size_t i = 0; i < grow; ++i)
            input.push_back(static_cast<uint8_t>("abcdefgh  \n"[rng() % 11]));
        // Blocks are compressed with a fixed capacity smaller than their area.
        const size_t capacity = rng() % 10 == 0 ? 1 + rng() % (input.size() + 10) : 3000;
        std::vector<uint8_t> full(capacity + 2), resumed(capacity + 2);
        const size_t a = LzCompress(table, input.data(), input.size(), full.data(), capacity);
        const size_t b = resuming.compress(input.data(), input.size(), resumed.data(), capacity);
        ASSERT_EQ(a, b) << "step " << step;
        if (a < input.size()) {
            ASSERT_TRUE(
                std::equal(full.begin(), full.begin() + static_cast<long>(a), resumed.begin()))
                << step;
        }
    }
}

}  // namespace
}  // namespace orvane::store
