// The cabinet password, scrambled into 32 header bytes: two random bytes,
// the password and its NUL, random bytes to the end, run through a 16-bit
// feedback register.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/env.h"

namespace orvane::cabinet {

using ScrambledPassword = std::array<uint8_t, 32>;
// Longest password that fits beside the two leading bytes and the NUL.
inline constexpr size_t kMaxPasswordLength = 29;

// Scrambles `password` (at most kMaxPasswordLength bytes, no NUL); the
// filler bytes come from `random_byte`.
std::optional<ScrambledPassword> scramble_password(std::string_view password,
                                                   const std::function<uint8_t()>& random_byte);
// The password kept in `scrambled`: the NUL-terminated string from byte 2.
std::string unscramble_password(const ScrambledPassword& scrambled);

// A password the user gave a moment ago, tried first when the next cabinet
// asks for one, so that opening a second cabinet with the same password does
// not ask again.
class RecentPassword {
  public:
    explicit RecentPassword(platform::Env& env = platform::system_env()) : env_(&env) {}
    void remember(std::string password);
    // The password when it was given less than five seconds ago.
    std::optional<std::string> get() const;

  private:
    platform::Env* env_;
    std::string password_;
    uint32_t given_at_ = 0;
    bool present_ = false;
};

}  // namespace orvane::cabinet
