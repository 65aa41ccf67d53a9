// The words of a name, as the word index keeps them and as typed names are
// looked up: runs of letters and digits (ASCII, and the letters of the
// Windows Latin-1 code page the server writes), everything else parting
// them; each word cut to its first 8 bytes, ASCII capitals folded to small
// letters.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::addressbook {

inline constexpr size_t kIndexedWordLength = 8;

bool is_word_character(char c);

struct NameWord {
    std::string text;      // folded, at most 8 bytes
    uint8_t position = 0;  // from 1
};

// The words of `text` in order. Words after the 255th are left out, as a
// position is kept in one byte.
std::vector<NameWord> name_words(std::string_view text);

}  // namespace orvane::addressbook
