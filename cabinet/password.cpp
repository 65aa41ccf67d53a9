#include "cabinet/password.h"

namespace orvane::cabinet {

namespace {

constexpr uint16_t kSeed = 28841;
constexpr uint16_t kMultiplier = 52845;
constexpr uint16_t kIncrement = 22719;
constexpr uint32_t kRecentMilliseconds = 5000;

uint16_t advance(uint16_t r, uint8_t cipher) {
    return static_cast<uint16_t>((uint32_t{r} + cipher) * kMultiplier + kIncrement);
}

}  // namespace

std::optional<ScrambledPassword> scramble_password(std::string_view password,
                                                   const std::function<uint8_t()>& random_byte) {
    if (password.size() > kMaxPasswordLength || password.find('\0') != std::string_view::npos)
        return std::nullopt;
    ScrambledPassword plain;
    for (auto& byte : plain) byte = random_byte();
    for (size_t i = 0; i < password.size(); ++i) plain[2 + i] = static_cast<uint8_t>(password[i]);
    plain[2 + password.size()] = 0;

    ScrambledPassword out;
    uint16_t r = kSeed;
    for (size_t i = 0; i < plain.size(); ++i) {
        out[i] = static_cast<uint8_t>(plain[i] ^ (r >> 8));
        r = advance(r, out[i]);
    }
    return out;
}

std::string unscramble_password(const ScrambledPassword& scrambled) {
    ScrambledPassword plain;
    uint16_t r = kSeed;
    for (size_t i = 0; i < scrambled.size(); ++i) {
        plain[i] = static_cast<uint8_t>(scrambled[i] ^ (r >> 8));
        r = advance(r, scrambled[i]);
    }
    std::string password;
    for (size_t i = 2; i < plain.size() && plain[i] != 0; ++i)
        password.push_back(static_cast<char>(plain[i]));
    return password;
}

void RecentPassword::remember(std::string password) {
    password_ = std::move(password);
    given_at_ = env_->tick_count();
    present_ = true;
}

std::optional<std::string> RecentPassword::get() const {
    if (!present_ || env_->tick_count() - given_at_ >= kRecentMilliseconds) return std::nullopt;
    return password_;
}

}  // namespace orvane::cabinet
