#include "addressbook/name_resolution.h"

#include "texts/ascii.h"

namespace orvane::addressbook {

std::string object_reference(NodeKey node, uint16_t number) {
    return std::string(1, static_cast<char>(node)) + ":" + std::to_string(number);
}

platform::Result<ResolvedName> resolve_name(const Books& books, const LookupRequest& request,
                                            const Viewer& viewer) {
    auto found = look_up(books, request);
    if (!found.ok()) return found.take_status();
    std::vector<AddressObject> candidates;
    for (const Found& f : found->found) {
        BookFile* book = f.node == kPersonalNode ? books.personal : books.lists;
        auto object = book->read_object(f.node, f.number);
        if (!object.ok()) return object.take_status();
        if (*object && viewer.may_see(**object)) candidates.push_back(std::move(**object));
    }
    if (candidates.empty())
        return platform::Status::message(platform::MessageId::kNoAddressFound, {request.text});
    if (candidates.size() == 1) return ResolvedName{std::move(candidates[0])};

    const AddressObject* whole = nullptr;
    for (const AddressObject& candidate : candidates) {
        if (!texts::equals_ignoring_case(candidate.name, request.text)) continue;
        if (whole) {
            whole = nullptr;  // two of that very name
            break;
        }
        whole = &candidate;
    }
    if (whole) return ResolvedName{*whole};
    std::string named;
    for (size_t i = 0; i < candidates.size() && i < kNamedCandidates; ++i)
        named += "  " + candidates[i].name + " (" +
                 object_reference(candidates[i].node, candidates[i].number) + ")\n";
    if (candidates.size() > kNamedCandidates)
        named += "  and " + std::to_string(candidates.size() - kNamedCandidates) + " more\n";
    return platform::Status::message(platform::MessageId::kAddressAmbiguous, {request.text, named});
}

}  // namespace orvane::addressbook
