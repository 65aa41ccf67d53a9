// Faults of a line, as tamper functions for one direction of a memory line.
// Each counts the bytes that pass through it, so a fault happens at a
// known place in the stream whatever the sizes of the writes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

#include "platform/memory_channel.h"

namespace orvane::connection::testing {

using Tamper = platform::MemoryChannel::Tamper;

// Inverts byte `start` and every `period`-th byte after it.
inline Tamper flip_every(size_t period, size_t start = 0) {
    auto passed = std::make_shared<size_t>(0);
    return [=](std::vector<uint8_t>& bytes) {
        for (auto& byte : bytes) {
            const size_t at = (*passed)++;
            if (at >= start && (at - start) % period == 0) byte = ~byte;
        }
    };
}

// Loses `count` bytes in every `period`.
inline Tamper drop_every(size_t period, size_t count) {
    auto passed = std::make_shared<size_t>(0);
    return [=](std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> kept;
        for (uint8_t byte : bytes)
            if ((*passed)++ % period >= count) kept.push_back(byte);
        bytes.swap(kept);
    };
}

// Adds `length` random bytes once, after byte `at`.
inline Tamper garbage_after(size_t at, size_t length, uint32_t seed) {
    auto passed = std::make_shared<size_t>(0);
    return [=](std::vector<uint8_t>& bytes) {
        const size_t before = *passed;
        *passed += bytes.size();
        if (before > at || *passed <= at) return;
        std::mt19937 random(seed);
        std::vector<uint8_t> burst(length);
        for (auto& byte : burst) byte = static_cast<uint8_t>(random());
        bytes.insert(bytes.begin() + static_cast<ptrdiff_t>(at - before), burst.begin(),
                     burst.end());
    };
}

// Lets the first `limit` bytes through and then nothing: a line gone dead.
inline Tamper silence_after(size_t limit) {
    auto passed = std::make_shared<size_t>(0);
    return [=](std::vector<uint8_t>& bytes) {
        const size_t room = *passed < limit ? limit - *passed : 0;
        if (bytes.size() > room) bytes.resize(room);
        *passed += bytes.size();
    };
}

// Counts what passes into `*total`, unchanged.
inline Tamper count_into(std::shared_ptr<size_t> total) {
    return [=](std::vector<uint8_t>& bytes) { *total += bytes.size(); };
}

// Random damage at about one fault in `period` bytes: flips, losses and
// short bursts of noise.
inline Tamper random_damage(size_t period, uint32_t seed) {
    auto random = std::make_shared<std::mt19937>(seed);
    return [=](std::vector<uint8_t>& bytes) {
        std::vector<uint8_t> out;
        for (uint8_t byte : bytes) {
            if ((*random)() % period != 0) {
                out.push_back(byte);
                continue;
            }
            switch ((*random)() % 3) {
                case 0:
                    out.push_back(static_cast<uint8_t>(byte ^ (1u << ((*random)() % 8))));
                    break;
                case 1:
                    break;  // lost
                default:
                    for (int i = (*random)() % 40; i >= 0; --i)
                        out.push_back(static_cast<uint8_t>((*random)()));
                    out.push_back(byte);
            }
        }
        bytes.swap(out);
    };
}

}  // namespace orvane::connection::testing
