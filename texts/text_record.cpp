#include "texts/text_record.h"

#include <algorithm>

namespace orvane::texts {

namespace {

constexpr int kNarrowestMargin = 20;
constexpr int kWidestText = 79;
constexpr int kTabStop = 8;
constexpr uint16_t kMax16 = UINT16_MAX;

}  // namespace

std::string_view date_kind_word(DateKind kind) {
    switch (kind) {
        case DateKind::kSent:
            return "sent:";
        case DateKind::kPosted:
            return "posted:";
        case DateKind::kForwarded:
            return "forwarded:";
        case DateKind::kReceived:
            return "received:";
    }
    return {};
}

TextKind text_kind(uint8_t flags) {
    return static_cast<TextKind>((flags & kind_flags::kKindMask) >> kind_flags::kKindShift);
}

uint8_t with_text_kind(uint8_t flags, TextKind kind) {
    return static_cast<uint8_t>((flags & ~kind_flags::kKindMask) | static_cast<int>(kind)
                                                                       << kind_flags::kKindShift);
}

uint8_t make_charset(int char_class, int variant) {
    return static_cast<uint8_t>((char_class & 0x07) << 5 | (variant & 0x1F));
}

int charset_class_of_letter(char letter) {
    const size_t at = charsets::kClassLetters.find(letter);
    return at == std::string_view::npos || letter == '\0' ? -1 : static_cast<int>(at);
}

bool has_non_ascii(std::string_view text) {
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
}

void TextRecord::release() {
    boxes.clear();
    author = {};
    by = {};
    receivers.clear();
    links.clear();
    fields.clear();
    subject.clear();
    body.clear();
    for_person.clear();
}

uint16_t TextRecord::line_count() const {
    const auto lines = std::count(body.begin(), body.end(), '\n');
    return static_cast<uint16_t>(std::min<decltype(lines)>(lines, kMax16));
}

uint16_t TextRecord::body_length() const {
    return body.empty() ? 0 : static_cast<uint16_t>(std::min<size_t>(body.size() + 1, kMax16));
}

void TextRecord::update_charset(int char_class, int variant) {
    charset = has_non_ascii(subject) || has_non_ascii(body) ? make_charset(char_class, variant) : 0;
}

bool TextRecord::add_field(HeaderCode code, std::string_view value) {
    for (const TextField& field : fields) {
        if (field.code == code && field.value == value) return false;
    }
    fields.push_back({code, std::string(value)});
    return true;
}

TextRecord new_local_text(TextId local_id, uint32_t now, KindedName author,
                          const NewTextOptions& options) {
    TextRecord text;
    text.id = local_id;
    text.date = now;
    text.author = std::move(author);
    if (options.fixed_pitch) text.kind_flags |= kind_flags::kFixedPitch;
    text.width = text_width({}, options.right_margin);
    return text;
}

int widest_line_columns(std::string_view body) {
    int widest = 0;
    int column = 0;
    for (char c : body) {
        if (c == '\n') {
            column = 0;
            continue;
        }
        column = c == '\t' ? (column / kTabStop + 1) * kTabStop : column + 1;
        widest = std::max(widest, column);
    }
    return widest;
}

uint8_t text_width(std::string_view body, int right_margin) {
    const int margin = std::clamp(right_margin, kNarrowestMargin, kWidestText);
    return static_cast<uint8_t>(std::clamp(widest_line_columns(body), margin, kWidestText));
}

}  // namespace orvane::texts
