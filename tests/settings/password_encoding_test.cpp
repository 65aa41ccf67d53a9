#include "settings/password_encoding.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvane::settings {
namespace {

TEST(PasswordEncodingTest, RoundTripsAndHidesThePassword) {
    for (const std::string& password : std::vector<std::string>{
             "secret", "aaaa", "with space", "\xe4\xf6\xfc", std::string(30, 'z')}) {
        std::string stored = encode_password(password);
        EXPECT_EQ(stored.find(password), std::string::npos) << stored;
        EXPECT_EQ(stored.find_first_of("\n\r\"="), std::string::npos);
        EXPECT_EQ(decode_password(stored), password);
    }
    EXPECT_NE(encode_password("aaaa").substr(1, 2), encode_password("aaaa").substr(3, 2));
    EXPECT_EQ(encode_password(""), "");
    EXPECT_EQ(decode_password(""), "");
}

TEST(PasswordEncodingTest, AHandTypedValueIsTakenAsItStands) {
    EXPECT_EQ(decode_password("plain"), "plain");
    EXPECT_EQ(decode_password("~zz"), "~zz");
}

}  // namespace
}  // namespace orvane::settings
