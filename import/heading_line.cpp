#include "import/heading_line.h"

#include <algorithm>
#include <array>

#include "import/server_lines.h"
#include "texts/ascii.h"
#include "texts/dates.h"
#include "texts/text_id.h"
#include "texts/text_record.h"

namespace orvane::import {

namespace {

struct HeadingWord {
    std::string_view word;
    HeadingKind kind;
};
constexpr std::array<HeadingWord, 9> kHeadingWords = {{
    {"Text ", HeadingKind::kText},
    {"Letter ", HeadingKind::kLetter},
    {"Answer ", HeadingKind::kAnswer},
    {"Comment ", HeadingKind::kComment},
    {"New Text ", HeadingKind::kNewText},
    {"Commands ", HeadingKind::kCommands},
    {"Erased Text ", HeadingKind::kText},
    {"Expired Text ", HeadingKind::kText},
    {"(Text ", HeadingKind::kText},
}};

// Texts of node 'C' from before the network renumbered them belong to 'K'.
constexpr uint32_t kRenumberingDate = 771120000;  // 1994-06-09 00:00 UTC
constexpr uint32_t kOldNumbersDate = 739584000;   // 1993-06-09 00:00 UTC
constexpr uint32_t kOldNumbersFrom = 30000;

void read_colon_form(std::string_view rest, const texts::CivilDate& reference, Heading* heading) {
    heading->colon_form = true;
    heading->date = texts::parse_date(rest, reference);
    const size_t first = rest.find('/');
    const size_t second = first == std::string_view::npos ? first : rest.find('/', first + 1);
    if (second == std::string_view::npos) return;
    std::string_view author = rest.substr(second + 1);
    if (!author.empty() && author.front() == ' ') author.remove_prefix(1);
    heading->author = author;
}

void read_charset(std::string_view rest, Heading* heading) {
    for (size_t at = rest.find('['); at != std::string_view::npos; at = rest.find('[', at + 1)) {
        if (at + 1 >= rest.size()) return;
        const int char_class = texts::charset_class_of_letter(rest[at + 1]);
        const std::optional<uint32_t> variant = leading_number(rest.substr(at + 2));
        if (char_class < 0 || !variant) continue;
        heading->char_class = char_class;
        heading->variant = static_cast<int>(std::min<uint32_t>(*variant, 31));
        return;
    }
}

void read_flags(std::string_view rest, Heading* heading) {
    const size_t open = rest.find('{');
    if (open == std::string_view::npos) return;
    const size_t close = rest.find('}', open);
    const std::string_view group =
        rest.substr(open + 1, close == std::string_view::npos ? close : close - open - 1);
    for (size_t at = 0; at < group.size();) {
        const char letter = group[at++];
        size_t digits = 0;
        while (at + digits < group.size() && texts::is_digit(group[at + digits])) ++digits;
        const uint32_t value =
            leading_number(group.substr(at, digits)).value_or(digits > 0 ? UINT32_MAX : 0);
        at += digits;
        switch (letter) {
            case 'C':
                heading->kind_index = 2;
                break;
            case 'A':
                heading->kind_index = 1;
                break;
            case 'I':
                heading->importance = static_cast<uint8_t>(std::min<uint32_t>(value, 7));
                break;
            case 'U':
                heading->unsent = true;
                break;
            case 'P':
                heading->priority = static_cast<uint8_t>(std::min<uint32_t>(value, 255));
                break;
            default:
                break;
        }
    }
}

}  // namespace

texts::NodeKey node_key_for_name(std::string_view name, const texts::NodeNames& nodes) {
    if (name.empty()) return 0;
    if (const texts::NodeKey key = nodes.node_key_by_name(name)) return key;
    const char first = texts::to_upper(name.front());
    return texts::is_alpha(first) ? static_cast<texts::NodeKey>(first) : '?';
}

HeadingMatch parse_heading(std::string_view line, bool paren_text_allowed,
                           const texts::NodeNames& nodes, const texts::CivilDate& reference,
                           Heading* heading) {
    const HeadingWord* found = nullptr;
    for (const HeadingWord& word : kHeadingWords) {
        if (!line.starts_with(word.word)) continue;
        if (word.word == "(Text " && !paren_text_allowed) continue;
        found = &word;
        break;
    }
    if (!found) return HeadingMatch::kNone;
    *heading = Heading{};
    heading->kind = found->kind;
    const std::string_view after_word = line.substr(found->word.size());
    const std::optional<texts::ParsedTextId> id = texts::parse_text_id(after_word, nodes);
    if (!id || id->number == 0) return HeadingMatch::kIgnored;
    heading->key = id->key;
    heading->number = id->number;
    heading->written_number = after_word.substr(0, id->length);

    const std::string_view rest = after_word.substr(id->length);
    if (rest.starts_with(':')) {
        read_colon_form(rest.substr(1), reference, heading);
    } else {
        read_charset(rest, heading);
        read_flags(rest, heading);
    }
    return HeadingMatch::kHeading;
}

texts::NodeKey key_of_dated_text(texts::NodeKey key, uint32_t number, uint32_t date) {
    if (key == 'C' && date != 0 && date < kRenumberingDate &&
        (number > kOldNumbersFrom || date < kOldNumbersDate))
        return 'K';
    return key;
}

}  // namespace orvane::import
