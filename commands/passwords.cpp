#include "commands/passwords.h"

#include <random>
#include <set>

namespace orvane::commands {

using platform::MessageId;
using platform::Status;

namespace {

constexpr const char* kConsonants[] = {"b", "c", "d", "f", "g", "h", "j", "k", "l", "m",
                                       "n", "p", "r", "s", "t", "v", "w", "x", "z"};
constexpr const char* kConsonantPairs[] = {"bl", "br", "ch", "cr", "dr", "fl", "fr",
                                           "gl", "gr", "kl", "kr", "pl", "pr", "sh",
                                           "sk", "sl", "sp", "st", "th", "tr"};
constexpr const char* kVowels[] = {"a", "e", "i", "o", "u"};
// With a working random source nearly every try passes.
constexpr int kTries = 100;

template <size_t N>
const char* pick(const char* const (&pieces)[N], const RandomBelow& random) {
    return pieces[random(N) % N];
}

std::string pronounceable(const RandomBelow& random) {
    std::string password;
    bool vowel = random(2) == 1;
    while (password.size() < kGeneratedPasswordLength) {
        if (vowel) {
            password += pick(kVowels, random);
        } else {
            // A pair now and then; never at the very end, where it reads badly.
            bool pair = random(4) == 0 && password.size() + 3 <= kGeneratedPasswordLength;
            password += pair ? pick(kConsonantPairs, random) : pick(kConsonants, random);
        }
        vowel = !vowel;
    }
    password.resize(kGeneratedPasswordLength);
    return password;
}

}  // namespace

Status check_password_rules(std::string_view password) {
    if (password.size() < kMinPasswordLength || password.size() > kMaxPasswordLength)
        return Status::message(MessageId::kPasswordLength, {static_cast<int>(kMinPasswordLength),
                                                            static_cast<int>(kMaxPasswordLength)});
    for (char c : password)
        if (c <= ' ' || c > '~') return Status::message(MessageId::kPasswordCharacters);
    for (size_t i = 2; i < password.size(); ++i)
        if (password[i] == password[i - 1] && password[i] == password[i - 2])
            return Status::message(MessageId::kPasswordRepeats);
    if (std::set<char>(password.begin(), password.end()).size() < kMinDistinctCharacters)
        return Status::message(MessageId::kPasswordVariety,
                               {static_cast<int>(kMinDistinctCharacters)});
    return Status();
}

std::optional<std::string> generate_password(const RandomBelow& random) {
    for (int i = 0; i < kTries; ++i) {
        std::string password = pronounceable(random);
        if (check_password_rules(password).ok()) return password;
    }
    return std::nullopt;
}

std::optional<std::string> generate_password() {
    std::random_device device;
    return generate_password([&device](uint32_t bound) {
        return std::uniform_int_distribution<uint32_t>(0, bound - 1)(device);
    });
}

}  // namespace orvane::commands
