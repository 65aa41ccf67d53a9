#include "texts/header_values.h"

#include <algorithm>

#include "texts/ascii.h"
#include "texts/dates.h"
#include "texts/receiver_item.h"

namespace orvane::texts {

namespace {

// The word and blank that come before the number of a linked text ("Text ").
constexpr size_t kLinkWordLength = 5;

void read_receivers(TextRecord& text, HeaderCode code, HeaderValueReader& value,
                    const HeaderContext& context) {
    while (auto item = value.next_item()) {
        ReceiverItem parsed = parse_receiver_item(*item, context.colon_form, context.reference_day);
        if (parsed.name.empty()) continue;
        NameLookup::Result found = context.names.look_up(parsed.name);
        ReceiverEntry entry;
        entry.name = std::move(found.name);
        entry.name_type = found.name_type;
        entry.sender = std::move(parsed.sender);
        entry.date = parsed.date;
        entry.date_kind = parsed.date_kind;
        entry.number = parsed.number;
        entry.code = code;
        entry.previous_code = code;
        text.receivers.push_back(std::move(entry));
    }
}

// A link value: "Text 1234 Author" or "Text NODE:1234 Author".
void read_link(TextRecord& text, HeaderCode code, std::string_view item,
               const HeaderContext& context, std::vector<ReverseLink>& reverse_links) {
    // "(Comment in Text 12)" leaves an unbalanced ')' at the end of the
    // value. That line follows texts of every heading form, so the ')' is
    // dropped whatever the form: kept, it would end the linked author's name.
    if (item.ends_with(')') &&
        std::count(item.begin(), item.end(), ')') > std::count(item.begin(), item.end(), '(')) {
        item.remove_suffix(1);
    }
    if (item.size() <= kLinkWordLength) return;
    const std::string_view rest = item.substr(kLinkWordLength);
    const auto parsed = parse_text_id(rest, context.nodes);
    if (!parsed) return;
    const NodeKey key = parsed->key != 0 ? parsed->key : context.current_node;
    if (!text_id_fits(key, parsed->number)) return;

    TextLink link;
    link.id = make_text_id(key, parsed->number);
    link.code = code;
    std::string_view author = rest.substr(parsed->length);
    while (!author.empty() && is_blank(author.front())) author.remove_prefix(1);
    link.author = author;
    reverse_links.push_back({link.id, opposite_link_code(code)});
    text.links.push_back(std::move(link));
}

// "2. name.zip" names the second attached file; the number is not part of
// the name. "2. (...)" is left as it is.
std::string_view attached_file_name(std::string_view item) {
    size_t digits = 0;
    while (digits < item.size() && is_digit(item[digits])) ++digits;
    if (digits == 0 || item.substr(digits, 2) != ". ") return item;
    const std::string_view name = item.substr(digits + 2);
    return name.starts_with('(') ? item : name;
}

}  // namespace

void read_header_value(TextRecord& text, HeaderCode code, std::string_view rest_of_line,
                       LineSource* more, const HeaderContext& context,
                       std::vector<ReverseLink>& reverse_links) {
    HeaderValueReader value(rest_of_line, more, start_depth_for(code));
    if (is_receiver_code(code)) {
        read_receivers(text, code, value, context);
        return;
    }
    if (code == HeaderCode::kReference || code == HeaderCode::kComment) {
        while (auto item = value.next_item()) read_link(text, code, *item, context, reverse_links);
        return;
    }
    if (code == HeaderCode::kAttached) {
        while (auto item = value.next_item()) {
            const std::string_view name = attached_file_name(*item);
            if (!name.empty()) text.add_field(code, name);
        }
        return;
    }

    // Everything else is one value, commas and all.
    const std::string whole = value.next_item().value_or(std::string());
    if (whole.empty()) return;
    switch (code) {
        case HeaderCode::kFrom:
            text.author = context.names.look_up(whole).name;
            break;
        case HeaderCode::kBy:
        case HeaderCode::kVia:
            text.by = context.names.look_up(whole).name;
            text.via = code == HeaderCode::kVia;
            break;
        case HeaderCode::kDate:
            // A date that cannot be read does not wipe out the heading's.
            if (uint32_t date = parse_date(whole, context.reference_day)) text.date = date;
            break;
        case HeaderCode::kSubject:
            text.subject = whole;
            if (has_non_ascii(whole))
                text.charset = make_charset(context.char_class, context.variant);
            break;
        case HeaderCode::kInternet:
        case HeaderCode::kReplyTo:
        case HeaderCode::kExpires:
        case HeaderCode::kMsgId:
        case HeaderCode::kRemark:
        case HeaderCode::kVersion:
            text.add_field(code, whole);
            break;
        default:
            // Codes that are written but never read from the server.
            break;
    }
}

bool read_header_line(TextRecord& text, std::string_view line, LineSource* more,
                      const HeaderContext& context, std::vector<ReverseLink>& reverse_links) {
    const size_t colon = line.find(':');
    if (colon == std::string_view::npos) return false;
    const auto code = find_header_name(line.substr(0, colon));
    if (!code) return false;
    read_header_value(text, *code, line.substr(colon + 1), more, context, reverse_links);
    return true;
}

}  // namespace orvane::texts
