#include "cabinet/search_terms.h"

#include <iconv.h>

#include <algorithm>

#include "cabinet/search_folding.h"
#include "cabinet/search_words.h"
#include "texts/text_record.h"

namespace orvane::cabinet {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

// Body words that are too long for the index still count as words when a
// phrase is checked.
constexpr size_t kLongestWord = 255;

char key_prefix(QueryField field) {
    switch (field) {
        case QueryField::kAuthor:
            return kAuthorPrefix;
        case QueryField::kReceiver:
            return kReceiverPrefix;
        case QueryField::kSubject:
            return kSubjectPrefix;
        case QueryField::kFileName:
            return kFileNamePrefix;
        case QueryField::kText:
            break;
    }
    return 0;
}

bool is_name_field(QueryField field) {
    return field == QueryField::kAuthor || field == QueryField::kReceiver ||
           field == QueryField::kFileName;
}

WordCharacters characters_of(QueryField field, uint8_t charset) {
    switch (field) {
        case QueryField::kAuthor:
        case QueryField::kReceiver:
            return WordCharacters::for_names(".@");
        case QueryField::kFileName:
            return WordCharacters::for_names("._");
        default:
            return WordCharacters::for_text(charset);
    }
}

// `text` in the code page of `table`; nothing when the page lacks a
// character of it.
std::optional<std::string> in_code_page(std::string_view text, const FoldingTable& table) {
    iconv_t converter = iconv_open(table.code_page, "UTF-8");
    if (converter == reinterpret_cast<iconv_t>(-1)) return std::nullopt;
    std::string out(text.size(), '\0');  // a code page never needs more bytes than UTF-8
    auto* in = const_cast<char*>(text.data());
    size_t in_left = text.size();
    char* to = out.data();
    size_t to_left = out.size();
    const size_t result = iconv(converter, &in, &in_left, &to, &to_left);
    iconv_close(converter);
    if (result == static_cast<size_t>(-1) || in_left != 0) return std::nullopt;
    out.resize(out.size() - to_left);
    return out;
}

bool is_ascii(std::string_view text) {
    return std::all_of(text.begin(), text.end(),
                       [](char c) { return static_cast<uint8_t>(c) < 0x80; });
}

std::vector<std::string> split(std::string_view text, const WordCharacters& chars) {
    std::vector<std::string> words;
    for_each_word(text, chars, kLongestWord,
                  [&](std::string_view word) { words.emplace_back(word); });
    return words;
}

}  // namespace

Result<ResolvedTerm> resolve_term(const QueryTerm& term) {
    ResolvedTerm resolved;
    resolved.term = term;
    resolved.prefix = term.prefix;
    const bool names = is_name_field(term.field);
    const size_t limit = names ? kMaxNameWordLength : kMaxWordLength;
    const char prefix = key_prefix(term.field);

    std::vector<std::pair<uint8_t, std::string>> spellings;  // charset, bytes
    if (names || is_ascii(term.text)) {
        spellings.emplace_back(0, term.text);
    } else {
        for (const FoldingTable& table : kFoldingTables) {
            std::optional<std::string> bytes = in_code_page(term.text, table);
            if (!bytes) continue;
            const int char_class =
                static_cast<int>(texts::charsets::kClassLetters.find(table.class_letter));
            spellings.emplace_back(texts::make_charset(char_class, table.variant),
                                   std::move(*bytes));
        }
    }
    for (auto& [charset, bytes] : spellings) {
        TermForm form;
        form.charset = charset;
        form.words = split(bytes, characters_of(term.field, charset));
        if (form.words.empty()) continue;
        const bool same =
            std::any_of(resolved.forms.begin(), resolved.forms.end(),
                        [&](const TermForm& other) { return other.words == form.words; });
        if (!same) resolved.forms.push_back(std::move(form));
    }
    if (resolved.forms.empty()) return Status::message(MessageId::kSearchNoWord, {term.text});
    // A phrase, or a typed word that falls into several ("e-mail"), must
    // stand together in the body; in a field the words need only be there.
    resolved.phrase = term.field == QueryField::kText && resolved.forms[0].words.size() > 1;

    for (TermForm& form : resolved.forms) {
        for (const std::string& word : form.words) {
            if (word.size() > limit) {
                if (resolved.phrase) continue;
                return Status::message(MessageId::kSearchWordTooLong,
                                       {word, static_cast<int>(limit)});
            }
            form.keys.push_back(prefix ? std::string(1, prefix) + word : word);
        }
        if (form.keys.empty())
            return Status::message(MessageId::kSearchWordTooLong,
                                   {form.words.front(), static_cast<int>(limit)});
        form.last_key_is_prefix = term.prefix && form.words.back().size() <= limit;
    }
    return resolved;
}

std::optional<std::vector<std::string>> phrase_words(const ResolvedTerm& term, uint8_t charset) {
    if (is_ascii(term.term.text)) return split(term.term.text, WordCharacters::for_text(charset));
    const FoldingTable* table = folding_table(charset);
    if (!table) return std::nullopt;
    std::optional<std::string> bytes = in_code_page(term.term.text, *table);
    if (!bytes) return std::nullopt;
    return split(*bytes, WordCharacters::for_text(charset));
}

bool body_has_phrase(std::string_view body, uint8_t charset, const std::vector<std::string>& words,
                     bool last_is_prefix) {
    if (words.empty()) return false;
    // The body's words in a ring of the phrase's length, compared after each.
    std::vector<std::string> recent(words.size());
    size_t seen = 0;
    bool found = false;
    for_each_word(body, WordCharacters::for_text(charset), kLongestWord, [&](std::string_view w) {
        if (found) return;
        recent[seen % words.size()] = w;
        ++seen;
        if (seen < words.size()) return;
        for (size_t i = 0; i < words.size(); ++i) {
            const std::string& got = recent[(seen - words.size() + i) % words.size()];
            const bool last = i + 1 == words.size();
            const bool same = last && last_is_prefix ? got.starts_with(words[i]) : got == words[i];
            if (!same) return;
        }
        found = true;
    });
    return found;
}

}  // namespace orvane::cabinet
