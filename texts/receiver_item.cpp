#include "texts/receiver_item.h"

#include <optional>

#include "texts/ascii.h"
#include "texts/dates.h"

namespace orvane::texts {

namespace {

constexpr DateKind kDateKinds[] = {DateKind::kSent, DateKind::kPosted, DateKind::kForwarded,
                                   DateKind::kReceived};

std::string_view trim_end(std::string_view text) {
    while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
    return text;
}

std::string_view trim(std::string_view text) {
    while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
    return trim_end(text);
}

// The date kind whose word starts `text`, in any case.
std::optional<DateKind> date_kind_at(std::string_view text) {
    for (DateKind kind : kDateKinds) {
        if (starts_with_ignoring_case(text, date_kind_word(kind))) return kind;
    }
    return std::nullopt;
}

// Takes the date after the date kind's word at the start of `text`.
void read_dated(ReceiverItem& item, DateKind kind, std::string_view text,
                const CivilDate& reference) {
    item.date_kind = kind;
    item.date = parse_date(text.substr(date_kind_word(kind).size()), reference);
}

// Colon form: "Name Sender: Who" and "Name -- posted: date".
std::string_view take_colon_form_parts(ReceiverItem& item, std::string_view rest,
                                       const CivilDate& reference) {
    constexpr std::string_view kSender = " Sender: ";
    if (size_t at = rest.find(kSender); at != std::string_view::npos) {
        item.sender = trim(rest.substr(at + kSender.size()));
        rest = rest.substr(0, at);
    }
    constexpr std::string_view kDash = " -- ";
    for (size_t at = rest.find(kDash); at != std::string_view::npos;
         at = rest.find(kDash, at + 1)) {
        const std::string_view after = rest.substr(at + kDash.size());
        if (auto kind = date_kind_at(after)) {
            read_dated(item, *kind, after, reference);
            return rest.substr(0, at);
        }
    }
    return rest;
}

// Where the parenthesised group that closes at the end of `text` opens;
// npos when the parentheses do not match.
size_t opening_of_last_group(std::string_view text) {
    int depth = 0;
    for (size_t at = text.size(); at-- > 0;) {
        if (text[at] == ')') ++depth;
        if (text[at] == '(' && --depth == 0) return at;
    }
    return std::string_view::npos;
}

// The parenthesised group that closes at the end of `text`, without its
// parentheses, when it starts with `prefix`. Cuts the group off `text`.
std::optional<std::string_view> take_last_group(std::string_view& text, std::string_view prefix) {
    if (!text.ends_with(')')) return std::nullopt;
    const size_t open = opening_of_last_group(text);
    if (open == std::string_view::npos) return std::nullopt;
    const std::string_view inside = text.substr(open + 1, text.size() - open - 2);
    if (!inside.starts_with(prefix)) return std::nullopt;
    text = trim_end(text.substr(0, open));
    return inside;
}

// Other form: trailing "(sender: Who)" and "(posted: date)" groups.
std::string_view take_group_parts(ReceiverItem& item, std::string_view rest,
                                  const CivilDate& reference) {
    constexpr std::string_view kSender = "sender: ";
    if (auto sender = take_last_group(rest, kSender))
        item.sender = trim(sender->substr(kSender.size()));
    for (DateKind kind : kDateKinds) {
        if (auto dated = take_last_group(rest, date_kind_word(kind))) {
            read_dated(item, kind, *dated, reference);
            break;
        }
    }
    return rest;
}

// A trailing "[12]" or "<12>" holding nothing but a decimal number.
std::string_view take_number(ReceiverItem& item, std::string_view rest) {
    if (rest.empty() || (rest.back() != ']' && rest.back() != '>')) return rest;
    const char open = rest.back() == ']' ? '[' : '<';
    const size_t at = rest.rfind(open);
    if (at == std::string_view::npos) return rest;
    const std::string_view digits = rest.substr(at + 1, rest.size() - at - 2);
    if (digits.empty() || digits.size() > 10) return rest;
    uint64_t number = 0;
    for (char c : digits) {
        if (!is_digit(c)) return rest;
        number = number * 10 + static_cast<uint64_t>(c - '0');
    }
    if (number > UINT32_MAX) return rest;
    item.number = static_cast<uint32_t>(number);
    return rest.substr(0, at);
}

}  // namespace

ReceiverItem parse_receiver_item(std::string_view text, bool colon_form,
                                 const CivilDate& reference) {
    ReceiverItem item;
    std::string_view rest = trim(text);
    rest = trim_end(colon_form ? take_colon_form_parts(item, rest, reference)
                               : take_group_parts(item, rest, reference));
    rest = trim_end(take_number(item, rest));
    item.name = rest;
    return item;
}

}  // namespace orvane::texts
