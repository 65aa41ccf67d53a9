// The codes of the template language: what field of the command each one
// stands for and how it is filled.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace orvane::commands {

enum class FieldKind {
    kName,             // a person or conference, looked up in the address book
    kNewNameCopy,      // %1: the "New Name" again
    kText,             // as typed
    kFileName,         // %F: a local file, yielding its name without directory
    kUpload,           // %u: a local file and its description, as an upload line
    kMultiLineText,    // %E: the text that follows the commands
    kCheckBox,         // %a, %b, %D, %n, %p: ticked or not
    kExpiration,       // %X: a number and a unit
    kAddress,          // %H: five address fields
    kAliases,          // %K: three aliases
    kRealName,         // %N: only with an e-mail address in %A
    kCharset,          // %c
    kDate,             // %d
    kPrivilege,        // %g
    kJoin,             // %j: refuses to join a private conference
    kPassword,         // %k
    kLineLimit,        // %l
    kConferenceType,   // %q: the thirteen conference-type boxes
    kWriteAccess,      // %x: the last two of them
    kNumber,           // %r, %t, %z
    kYear,             // %y
    kSettings,         // %s: the eleven settings
    kAttachmentLimit,  // %v, %V
    kForwarding,       // %w
    kNote,             // %3..%9, %e, %h, %i, %o: part of the window, yield nothing
};

// Kinds of names a name field takes.
namespace name_kind {
inline constexpr uint8_t kPersons = 0x01;
inline constexpr uint8_t kConferences = 0x02;
// An e-mail address may be typed instead of a name.
inline constexpr uint8_t kAddresses = 0x04;
}  // namespace name_kind

struct CodeInfo {
    char code;
    FieldKind kind;
    std::string_view label;  // as in the window, with "&" before the access key
    uint8_t names = 0;       // for kName: the kinds it takes
};

// The code's entry; nullptr for a code the language does not know.
const CodeInfo* code_info(char code);

// The label of a field for messages: the prompt when there is one, else the
// code's own label, without "&", escapes and a final ":". Unknown codes
// are named by their code ("%G").
std::string field_label(char code, std::string_view prompt);

}  // namespace orvane::commands
