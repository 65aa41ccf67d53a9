#include "cabinet/password.h"
#include "platform/virtual_clock.h"

#include <gtest/gtest.h>

#include "platform/clock.h"

namespace orvane::cabinet {
namespace {

std::string hex(const ScrambledPassword& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (uint8_t b : bytes) {
        out.push_back(digits[b >> 4]);
        out.push_back(digits[b & 15]);
    }
    return out;
}

TEST(Password, ScramblesLikeTheIndependentReference) {
    // tests/tools/cabinet_password_reference.py secret 11
    const auto scrambled = scramble_password("secret", [] { return uint8_t{0x11}; });
    ASSERT_TRUE(scrambled);
    EXPECT_EQ(hex(*scrambled), "6197848d596a52e917c1c32d3ce7bc0d2631571f6d4849342691572053bc2541");
    EXPECT_EQ(unscramble_password(*scrambled), "secret");
}

TEST(Password, RoundTripsAnyLengthThatFitsAndRefusesLonger) {
    uint8_t next = 0;
    for (size_t length = 0; length <= kMaxPasswordLength; ++length) {
        const std::string password(length, static_cast<char>('a' + length % 26));
        const auto scrambled = scramble_password(password, [&] { return next += 37; });
        ASSERT_TRUE(scrambled) << length;
        EXPECT_EQ(unscramble_password(*scrambled), password);
    }
    EXPECT_FALSE(
        scramble_password(std::string(kMaxPasswordLength + 1, 'x'), [] { return uint8_t{0}; }));
}

TEST(Password, RecentPasswordLastsFiveSeconds) {
    platform::VirtualClockEnv clock(platform::system_env(), 0xFFFFF000);  // across the tick wrap
    RecentPassword recent(clock);
    EXPECT_FALSE(recent.get());
    recent.remember("pw");
    clock.advance(4999);
    EXPECT_EQ(recent.get(), "pw");
    clock.advance(1);
    EXPECT_FALSE(recent.get());
}

}  // namespace
}  // namespace orvane::cabinet
