#include "cabinet/search_query.h"

#include <array>
#include <utility>

#include "texts/ascii.h"

namespace orvane::cabinet {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

constexpr std::array<std::pair<std::string_view, QueryField>, 4> kFields = {{
    {"from", QueryField::kAuthor},
    {"to", QueryField::kReceiver},
    {"subject", QueryField::kSubject},
    {"file", QueryField::kFileName},
}};

bool is_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// A field name is letters before a colon at the start of the term.
std::string_view field_name(std::string_view term) {
    size_t end = 0;
    while (end < term.size() && texts::is_alpha(term[end])) ++end;
    return end > 0 && end < term.size() && term[end] == ':' ? term.substr(0, end)
                                                            : std::string_view();
}

}  // namespace

Result<Query> parse_query(std::string_view text) {
    Query query;
    size_t at = 0;
    for (;;) {
        while (at < text.size() && is_space(text[at])) ++at;
        if (at == text.size()) break;
        size_t end = at;
        bool in_quotes = false;
        while (end < text.size() && (in_quotes || !is_space(text[end]))) {
            if (text[end] == '"') in_quotes = !in_quotes;
            ++end;
        }
        if (in_quotes) return Status::message(MessageId::kSearchUnclosedQuote);
        std::string_view raw = text.substr(at, end - at);
        at = end;

        QueryTerm term;
        if (const std::string_view name = field_name(raw); !name.empty()) {
            bool known = false;
            for (const auto& [field_word, field] : kFields) {
                if (texts::equals_ignoring_case(name, field_word)) {
                    term.field = field;
                    known = true;
                }
            }
            if (!known) return Status::message(MessageId::kSearchUnknownField, {raw});
            raw.remove_prefix(name.size() + 1);
        }
        if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
            term.quoted = true;
            raw = raw.substr(1, raw.size() - 2);
        }
        if (!raw.empty() && raw.back() == '*') {
            term.prefix = true;
            raw.remove_suffix(1);
            if (raw.empty()) return Status::message(MessageId::kSearchPrefixTooShort, {"*"});
        }
        for (char c : raw)
            if (c != '"') term.text.push_back(c);
        query.terms.push_back(std::move(term));
    }
    if (query.terms.empty()) return Status::message(MessageId::kSearchNothingToFind);
    return query;
}

std::string query_of_arguments(const std::vector<std::string>& arguments) {
    std::string query;
    for (const std::string& argument : arguments) {
        if (!query.empty()) query.push_back(' ');
        bool blank = false, quote = false;
        for (char c : argument) {
            blank = blank || is_space(c);
            quote = quote || c == '"';
        }
        if (blank && !quote && field_name(argument).empty()) {
            query += '"' + argument + '"';
        } else if (blank && !quote) {
            // from:Anna Berg, quoted in the shell: the field's words.
            const size_t colon = field_name(argument).size();
            query += argument.substr(0, colon + 1) + '"' + argument.substr(colon + 1) + '"';
        } else {
            query += argument;
        }
    }
    return query;
}

}  // namespace orvane::cabinet
