#include "settings/password_encoding.h"

#include <cstdint>
#include <optional>

namespace orvane::settings {

namespace {

constexpr char kMarker = '~';
constexpr char kHexDigits[] = "0123456789ABCDEF";

// Key stream: each byte depends on its position and on the byte before it,
// so that equal characters do not show as equal pairs of digits.
uint8_t key_byte(size_t position, uint8_t previous) {
    uint32_t x =
        static_cast<uint32_t>(position) * 0x9E3779B1u + 0x7F4A7C15u + previous * 0x85EBCA6Bu;
    x ^= x >> 15;
    x *= 0x2C1B3C6Du;
    x ^= x >> 12;
    return static_cast<uint8_t>(x);
}

int hex_value(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

std::optional<std::string> try_decode(std::string_view stored) {
    if (stored.size() < 3 || stored[0] != kMarker || stored.size() % 2 != 1) return std::nullopt;
    std::string password;
    uint8_t previous = 0;
    for (size_t i = 1; i < stored.size(); i += 2) {
        int high = hex_value(stored[i]), low = hex_value(stored[i + 1]);
        if (high < 0 || low < 0) return std::nullopt;
        uint8_t scrambled = static_cast<uint8_t>(high << 4 | low);
        uint8_t plain = scrambled ^ key_byte(password.size(), previous);
        password += static_cast<char>(plain);
        previous = plain;
    }
    return password;
}

}  // namespace

std::string encode_password(std::string_view password) {
    if (password.empty()) return {};
    std::string stored(1, kMarker);
    uint8_t previous = 0;
    for (size_t i = 0; i < password.size(); ++i) {
        auto plain = static_cast<uint8_t>(password[i]);
        uint8_t scrambled = plain ^ key_byte(i, previous);
        stored += kHexDigits[scrambled >> 4];
        stored += kHexDigits[scrambled & 15];
        previous = plain;
    }
    return stored;
}

std::string decode_password(std::string_view stored) {
    if (auto password = try_decode(stored)) return *password;
    return std::string(stored);
}

}  // namespace orvane::settings
