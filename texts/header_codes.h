// The header fields of a text: their codes, the names the program writes,
// and the names it accepts when reading server output.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvane::texts {

enum class HeaderCode : uint8_t {
    kFrom = 0,
    kSubtract = 1,  // a receiver to be taken away; written, never read
    kFor = 2,
    kBcc = 3,
    kScc = 4,
    kCc = 5,
    kTo = 6,
    kNcc = 7,
    kDate = 8,
    kInternet = 9,
    kSubject = 10,
    kReference = 11,
    kComment = 12,
    kAttached = 13,
    kReplyTo = 14,
    kExpires = 15,
    kMsgId = 16,
    kRemark = 17,
    kAttach = 18,         // out-going texts: a file to attach
    kAttachRenamed = 19,  // out-going texts: a file to attach under a second name
    kBccFor = 20,
    kSccFor = 21,
    kCcFor = 22,
    kBy = 23,
    kUnused = 24,  // no field has this code
    kVersion = 25,
    kVia = 26,
};

constexpr int kHeaderCodeCount = 27;

// The name used when writing a header line; empty for codes without one.
std::string_view written_header_name(HeaderCode code);

// The header that a line starting with `name` and ':' belongs to, compared
// without regard to ASCII case; nullopt for names the program does not read.
std::optional<HeaderCode> find_header_name(std::string_view name);

// Receiver lines: For, Bcc, Scc, Cc, To, Ncc and the -For variants.
bool is_receiver_code(HeaderCode code);

// The code of the matching link on the other text: a Reference there for a
// Comment here, and the other way round.
HeaderCode opposite_link_code(HeaderCode code);

}  // namespace orvane::texts
