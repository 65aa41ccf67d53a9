#include "cabinet/search_words.h"

#include <algorithm>

#include "cabinet/search_folding.h"
#include "texts/text_display.h"

namespace orvane::cabinet {

using texts::HeaderCode;

WordCharacters::WordCharacters() {
    for (int c = '0'; c <= '9'; ++c) map_[c] = static_cast<uint8_t>(c);
    for (int c = 'a'; c <= 'z'; ++c) {
        map_[c] = static_cast<uint8_t>(c);
        map_[c - 'a' + 'A'] = static_cast<uint8_t>(c);
    }
}

WordCharacters WordCharacters::for_text(uint8_t charset) {
    WordCharacters chars;
    if (const FoldingTable* table = folding_table(charset)) {
        for (int i = 0; i < 128; ++i) {
            const uint8_t folded = table->fold[i];
            chars.map_[0x80 + i] = folded > kLastSeparator ? folded : 0;
        }
    }
    return chars;
}

WordCharacters WordCharacters::for_names(std::string_view extra) {
    WordCharacters chars;
    for (char c : extra) chars.map_[static_cast<uint8_t>(c)] = static_cast<uint8_t>(c);
    return chars;
}

std::string shown_key(std::string_view key) {
    if (key.empty()) return {};
    const std::string word(key.substr(1));
    switch (key[0]) {
        case kAuthorPrefix:
            return "from:" + word;
        case kReceiverPrefix:
            return "to:" + word;
        case kFileNamePrefix:
            return "file:" + word;
        case kSubjectPrefix:
            return "subject:" + word;
        default:
            return std::string(key);
    }
}

std::string_view file_extension(std::string_view name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string_view::npos) return {};
    static const WordCharacters kPlain = WordCharacters::for_names("");
    size_t end = dot + 1;
    while (end < name.size() && kPlain[static_cast<uint8_t>(name[end])] != 0) ++end;
    return name.substr(dot + 1, end - dot - 1);
}

namespace {

bool is_file_field(HeaderCode code) {
    return code == HeaderCode::kAttached || code == HeaderCode::kAttach ||
           code == HeaderCode::kAttachRenamed;
}

class KeyCollector {
  public:
    void add(char prefix, std::string_view word) {
        std::string& key = keys_.emplace_back();
        key.reserve(word.size() + 1);
        key.push_back(prefix);
        key.append(word);
    }
    void add(std::string_view word) { keys_.emplace_back(word); }

    // The field's words with `prefix` (0: none).
    void add_words(std::string_view text, const WordCharacters& chars, size_t max_length,
                   char prefix) {
        for_each_word(text, chars, max_length,
                      [&](std::string_view word) { prefix ? add(prefix, word) : add(word); });
    }

    std::vector<std::string> take() {
        std::sort(keys_.begin(), keys_.end());
        keys_.erase(std::unique(keys_.begin(), keys_.end()), keys_.end());
        return std::move(keys_);
    }

  private:
    std::vector<std::string> keys_;
};

}  // namespace

std::vector<std::string> index_keys(const texts::TextRecord& text, bool remove_re) {
    static const WordCharacters kNames = WordCharacters::for_names(".@");
    static const WordCharacters kDottedFile = WordCharacters::for_names(".");
    static const WordCharacters kWholeFile = WordCharacters::for_names("._");
    static const WordCharacters kPlain = WordCharacters::for_names("");
    const WordCharacters chars = WordCharacters::for_text(text.charset);

    KeyCollector keys;
    keys.add_words(text.author.text, kNames, kMaxNameWordLength, kAuthorPrefix);
    for (const texts::ReceiverEntry& receiver : text.receivers)
        keys.add_words(receiver.name.text, kNames, kMaxNameWordLength, kReceiverPrefix);
    for (const texts::TextField& field : text.fields) {
        if (!is_file_field(field.code)) continue;
        keys.add_words(field.value, kDottedFile, kMaxNameWordLength, kFileNamePrefix);
        keys.add_words(field.value, kWholeFile, kMaxNameWordLength, kFileNamePrefix);
        keys.add_words(file_extension(field.value), kPlain, kMaxNameWordLength, kFileNamePrefix);
    }
    const std::string_view subject = texts::shown_subject(text.subject, remove_re);
    keys.add_words(subject, chars, kMaxWordLength, kSubjectPrefix);
    keys.add_words(subject, chars, kMaxWordLength, 0);
    keys.add_words(text.body, chars, kMaxWordLength, 0);
    return keys.take();
}

}  // namespace orvane::cabinet
