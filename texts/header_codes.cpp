#include "texts/header_codes.h"

#include <algorithm>
#include <iterator>

#include "texts/ascii.h"

namespace orvane::texts {

namespace {

constexpr std::string_view kWrittenNames[kHeaderCodeCount] = {
    "From",     "Subtract", "For",      "Bcc",     "Scc",       "Cc",      "To",
    "Ncc",      "Date",     "Internet", "Subject", "Reference", "Comment", "Attached",
    "Reply-To", "Expires",  "Msg-ID",   "Remark",  "Attach",    "",        "Bcc-For",
    "Scc-For",  "Cc-For",   "By",       "",        "Version",   "Via",
};

struct ReadName {
    std::string_view name;
    HeaderCode code;
};

// Sorted for binary search. The server's misspellings and the forms of the
// trailing header lines ("(Comment in", "(Attached") are read as well.
constexpr ReadName kReadNames[] = {
    {"(Attached", HeaderCode::kAttached},
    {"(Comment in", HeaderCode::kComment},
    {"Attached", HeaderCode::kAttached},
    {"Attchmnt", HeaderCode::kAttached},
    {"Bcc", HeaderCode::kBcc},
    {"Bcc-For", HeaderCode::kBccFor},
    {"By", HeaderCode::kBy},
    {"Cc", HeaderCode::kCc},
    {"Cc-For", HeaderCode::kCcFor},
    {"Comment", HeaderCode::kComment},
    {"Comment on", HeaderCode::kReference},
    {"Comments", HeaderCode::kComment},
    {"Date", HeaderCode::kDate},
    {"Expires", HeaderCode::kExpires},
    {"For", HeaderCode::kFor},
    {"From", HeaderCode::kFrom},
    {"Internet", HeaderCode::kInternet},
    {"Msg-ID", HeaderCode::kMsgId},
    {"Ncc", HeaderCode::kNcc},
    {"Receiver", HeaderCode::kTo},
    {"Reference", HeaderCode::kReference},
    {"Refernce", HeaderCode::kReference},
    {"Remark", HeaderCode::kRemark},
    {"Reply-To", HeaderCode::kReplyTo},
    {"Scc", HeaderCode::kScc},
    {"Scc-For", HeaderCode::kSccFor},
    {"Single Copy", HeaderCode::kScc},
    {"Subject", HeaderCode::kSubject},
    {"To", HeaderCode::kTo},
    {"Version", HeaderCode::kVersion},
    {"Via", HeaderCode::kVia},
};
static_assert(std::size(kReadNames) == 31);

// Orders names as the lookup compares them: ASCII case folded.
constexpr bool less_ignoring_case(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                        [](char x, char y) { return to_lower(x) < to_lower(y); });
}

constexpr bool read_names_sorted() {
    for (size_t i = 1; i < std::size(kReadNames); ++i) {
        if (!less_ignoring_case(kReadNames[i - 1].name, kReadNames[i].name)) return false;
    }
    return true;
}
static_assert(read_names_sorted(), "header names must stay sorted for the binary search");

}  // namespace

std::string_view written_header_name(HeaderCode code) {
    const auto index = static_cast<size_t>(code);
    return index < std::size(kWrittenNames) ? kWrittenNames[index] : std::string_view{};
}

std::optional<HeaderCode> find_header_name(std::string_view name) {
    auto it = std::lower_bound(std::begin(kReadNames), std::end(kReadNames), name,
                               [](const ReadName& entry, std::string_view wanted) {
                                   return less_ignoring_case(entry.name, wanted);
                               });
    if (it == std::end(kReadNames) || !equals_ignoring_case(it->name, name)) return std::nullopt;
    return it->code;
}

bool is_receiver_code(HeaderCode code) {
    return (code >= HeaderCode::kFor && code <= HeaderCode::kNcc) ||
           (code >= HeaderCode::kBccFor && code <= HeaderCode::kCcFor);
}

HeaderCode opposite_link_code(HeaderCode code) {
    return code == HeaderCode::kReference ? HeaderCode::kComment : HeaderCode::kReference;
}

}  // namespace orvane::texts
