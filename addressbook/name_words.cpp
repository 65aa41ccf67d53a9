#include "addressbook/name_words.h"

#include "texts/ascii.h"

namespace orvane::addressbook {

bool is_word_character(char c) {
    if (texts::is_alnum(c)) return true;
    const auto b = static_cast<uint8_t>(c);
    // Latin-1 letters, without the multiplication and division signs, and
    // the few letters Windows puts in 0x80..0x9F.
    if (b >= 0xC0) return b != 0xD7 && b != 0xF7;
    return b == 0x8A || b == 0x8C || b == 0x8E || b == 0x9A || b == 0x9C || b == 0x9E ||
           b == 0x9F || b == 0xAA || b == 0xB5 || b == 0xBA;
}

std::vector<NameWord> name_words(std::string_view text) {
    std::vector<NameWord> words;
    size_t at = 0;
    while (at < text.size() && words.size() < 255) {
        if (!is_word_character(text[at])) {
            ++at;
            continue;
        }
        const size_t start = at;
        while (at < text.size() && is_word_character(text[at])) ++at;
        NameWord word;
        word.position = static_cast<uint8_t>(words.size() + 1);
        for (char c : text.substr(start, std::min(at - start, kIndexedWordLength)))
            word.text.push_back(texts::to_lower(c));
        words.push_back(std::move(word));
    }
    return words;
}

}  // namespace orvane::addressbook
