#include "commands/name_directory.h"

#include "commands/codes.h"
#include "texts/ascii.h"

namespace orvane::commands {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

// Candidates named in a message about an ambiguous name.
constexpr size_t kCandidatesShown = 8;

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && texts::is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && texts::is_blank(text.back())) text.remove_suffix(1);
    return text;
}

// "local@domain" with something on both sides and no blank.
bool is_bare_address(std::string_view text) {
    size_t at = text.find('@');
    return at != std::string_view::npos && at > 0 && at + 1 < text.size() &&
           text.find_first_of(" \t<>", 0) == std::string_view::npos &&
           text.find('@', at + 1) == std::string_view::npos;
}

}  // namespace

bool is_email_address(std::string_view typed) {
    typed = trimmed(typed);
    if (!typed.empty() && typed.back() == '>') {
        size_t open = typed.rfind('<');
        return open != std::string_view::npos &&
               is_bare_address(typed.substr(open + 1, typed.size() - open - 2));
    }
    return is_bare_address(typed);
}

std::string server_address(std::string_view typed) {
    typed = trimmed(typed);
    if (!typed.empty() && typed.back() == '>') return std::string(typed);
    return "<" + std::string(typed) + ">";
}

Result<ResolvedName> resolve_name(NameDirectory* directory, std::string_view typed, uint8_t kinds,
                                  std::string_view label) {
    typed = trimmed(typed);
    ResolvedName resolved;
    if (is_email_address(typed)) {
        if (!(kinds & name_kind::kAddresses))
            return Status::message(MessageId::kIsInvalid, {std::string(label)});
        resolved.text = server_address(typed);
        resolved.address = true;
        return resolved;
    }
    if (!directory) {
        resolved.text = std::string(typed);
        return resolved;
    }
    Result<std::vector<NamedObject>> found = directory->look_up(typed, kinds);
    if (!found.ok()) return found.take_status();
    const NamedObject* chosen = found->size() == 1 ? &found->front() : nullptr;
    for (size_t i = 0; !chosen && i < found->size(); ++i)
        if (texts::equals_ignoring_case((*found)[i].name, typed)) chosen = &(*found)[i];
    if (found->empty()) return Status::message(MessageId::kNameNotFound, {std::string(typed)});
    if (!chosen) {
        std::string names;
        for (size_t i = 0; i < found->size() && i < kCandidatesShown; ++i)
            names += (i ? ", " : "") + (*found)[i].name;
        if (found->size() > kCandidatesShown) names += ", ...";
        return Status::message(MessageId::kNameAmbiguous, {std::string(typed), names});
    }
    resolved.text = chosen->name;
    resolved.object = *chosen;
    return resolved;
}

}  // namespace orvane::commands
