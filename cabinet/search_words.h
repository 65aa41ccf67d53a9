// The words of a text as the search index keeps them. Each word becomes a
// key: a prefix byte that names the field, then the word.
//
//   author "<", each receiver ">"   letters, digits, "." and "@"; up to 253
//   file names ";"                   the name with "." as a word character,
//                                    again with "." and "_", and its extension;
//                                    up to 253
//   subject ":" and without prefix   letters and digits; up to 31
//   body, without prefix             letters and digits; up to 31
//
// Letters are ASCII letters, folded to lower case, and in the subject and
// body the bytes 0x80-0xFF that the folding table of the text's character
// set makes word characters. In names every byte above 0x7F separates words.
// A word longer than its limit is not indexed at all.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "texts/text_record.h"

namespace orvane::cabinet {

inline constexpr char kAuthorPrefix = '<';
inline constexpr char kReceiverPrefix = '>';
inline constexpr char kFileNamePrefix = ';';
inline constexpr char kSubjectPrefix = ':';

inline constexpr size_t kMaxWordLength = 31;
inline constexpr size_t kMaxNameWordLength = 253;

// What each byte becomes inside a word, 0 for a byte that separates words.
class WordCharacters {
  public:
    // The subject and body of a text in `charset`.
    static WordCharacters for_text(uint8_t charset);
    // Names: ASCII letters and digits and the bytes of `extra`.
    static WordCharacters for_names(std::string_view extra);

    uint8_t operator[](uint8_t byte) const { return map_[byte]; }

  private:
    WordCharacters();
    std::array<uint8_t, 256> map_{};
};

// Calls `emit(std::string_view word)` for every word of `text` of at most
// `max_length` bytes, folded, in the order of the text.
template <typename Emit>
void for_each_word(std::string_view text, const WordCharacters& chars, size_t max_length,
                   Emit&& emit) {
    char word[256];
    size_t length = 0;
    bool too_long = false;
    auto finish = [&] {
        if (length > 0 && !too_long) emit(std::string_view(word, length));
        length = 0;
        too_long = false;
    };
    for (char c : text) {
        const uint8_t folded = chars[static_cast<uint8_t>(c)];
        if (folded == 0) {
            finish();
        } else if (length < max_length && !too_long) {
            word[length++] = static_cast<char>(folded);
        } else {
            too_long = true;
        }
    }
    finish();
}

// A key as the user would search for it: "from:anna" for "<anna".
std::string shown_key(std::string_view key);

// The extension of a file name: the word after its last ".", if any.
std::string_view file_extension(std::string_view name);

// Every key of `text`, sorted and each once. With `remove_re` a subject's
// leading "Re:", "Fw:" and "Fwd:" are left out.
std::vector<std::string> index_keys(const texts::TextRecord& text, bool remove_re);

}  // namespace orvane::cabinet
