#include "commands/codes.h"

#include <algorithm>
#include <iterator>

namespace orvane::commands {

namespace {

using K = FieldKind;
namespace nk = name_kind;

constexpr CodeInfo kCodes[] = {
    {'A', K::kName, "&User Name or E-mail Address:", nk::kPersons | nk::kAddresses},
    {'B', K::kName, "S&ender:", nk::kPersons | nk::kAddresses},
    {'C', K::kName, "&Conference Name:", nk::kConferences},
    {'M', K::kName, "&Moderator:", nk::kPersons},
    {'O', K::kName, "Main &organizer:", nk::kPersons},
    {'P', K::kName, "&For:", nk::kPersons},
    {'R', K::kName, "&Receiver:", nk::kPersons | nk::kConferences | nk::kAddresses},
    {'S', K::kName, "S&ecretary:", nk::kPersons},
    {'T', K::kName, "&To conference or user:", nk::kPersons | nk::kConferences},
    {'U', K::kName, "&User Name:", nk::kPersons},
    {'W', K::kName, "&In conference:", nk::kConferences},
    {'1', K::kNewNameCopy, "&New Name:"},
    {'@', K::kText, "&Domain:"},
    {'L', K::kText, "&New Name:"},
    {'Z', K::kText, "&Text:"},
    {'f', K::kText, "&File Name:"},
    {'F', K::kFileName, "&File:"},
    {'u', K::kUpload, "&File name:"},
    {'E', K::kMultiLineText, "Text"},
    {'D', K::kCheckBox, "Default"},
    {'X', K::kExpiration, "Expiration"},
    {'H', K::kAddress, "&Address:"},
    {'K', K::kAliases, "&Aliases:"},
    {'N', K::kRealName, "Real &Name:"},
    {'a', K::kCheckBox, "All"},
    {'b', K::kCheckBox, "Check box"},
    {'c', K::kCharset, "&Character Set in mail packets"},
    {'d', K::kDate, "&Date:"},
    {'g', K::kPrivilege, "Pri&vilege"},
    {'j', K::kJoin, "Join"},
    {'k', K::kPassword, "&Password:"},
    {'l', K::kLineLimit, "&Max. Lines in received texts"},
    {'n', K::kCheckBox, "Remove the current note"},
    {'p', K::kCheckBox, "Remove the current presentation"},
    {'q', K::kConferenceType, "Conference type"},
    {'x', K::kWriteAccess, "Write access"},
    {'r', K::kNumber, "Unread &Texts:"},
    {'t', K::kNumber, "&Text Number:"},
    {'z', K::kNumber, "Number:"},
    {'y', K::kYear, "&Year:"},
    {'s', K::kSettings, "Settings"},
    {'v', K::kAttachmentLimit, "Forward &attached files"},
    {'V', K::kAttachmentLimit, "Forward &attached files in conferences"},
    {'w', K::kForwarding, "Forwarding"},
    {'3', K::kNote, "Note"},
    {'4', K::kNote, "Note"},
    {'5', K::kNote, "Note"},
    {'6', K::kNote, "Note"},
    {'7', K::kNote, "Note"},
    {'8', K::kNote, "Note"},
    {'9', K::kNote, "Note"},
    {'e', K::kNote, "Note"},
    {'h', K::kNote, "Command"},
    {'i', K::kNote, "&Inform users of name change"},
    {'o', K::kNote, "Note"},
};

}  // namespace

const CodeInfo* code_info(char code) {
    auto it = std::find_if(std::begin(kCodes), std::end(kCodes),
                           [code](const CodeInfo& info) { return info.code == code; });
    return it == std::end(kCodes) ? nullptr : &*it;
}

std::string field_label(char code, std::string_view prompt) {
    const CodeInfo* info = code_info(code);
    if (prompt.empty() && !info) return std::string("%") + code;
    std::string_view raw = prompt.empty() ? info->label : prompt;
    std::string label;
    for (size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '&') continue;
        if (raw[i] == '%' && i + 1 < raw.size()) ++i;
        label += raw[i];
    }
    while (!label.empty() && (label.back() == ':' || label.back() == ' ')) label.pop_back();
    return label;
}

}  // namespace orvane::commands
