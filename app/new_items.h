// A new out-basket item from what the user typed, for every front end: the
// typed values are checked (no line breaks or other control characters in
// header values, no empty receivers or commands, attached files that can be
// read, a text the cabinet can hold whole), converted from UTF-8 into the
// code page the text is stored in, composed and filed.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cabinet/cabinet.h"
#include "platform/env.h"
#include "platform/policy.h"
#include "platform/status.h"
#include "settings/user_settings.h"
#include "texts/text_record.h"

namespace orvane::app {

enum class ItemKind { kLetter, kConferenceText, kAnswer, kComment, kCommand };

// The name to write for a typed receiver, and the kind of name it is (the
// address book's object type; 0 for a name taken as typed).
struct Receiver {
    std::string name;
    uint8_t kind = 0;
};
// Looks up a receiver as typed, in the text's code page; `conference` for
// the conference of a conference text. A refusal (an unknown or ambiguous
// name) stops the item.
using ReceiverLookup =
    std::function<platform::Result<Receiver>(const std::string& typed, bool conference)>;

// What the user typed, in UTF-8.
struct NewItem {
    ItemKind kind = ItemKind::kLetter;
    std::vector<std::string> to, cc;  // the conference of a text: to[0]
    std::string subject;
    std::string body;                        // lines end in LF or CR LF
    std::vector<std::string> attachments;    // paths, relative ones to `current_folder`
    std::vector<std::string> command_lines;  // for a command
    // The stored text an answer or comment replies to.
    std::optional<texts::TextRecord> original;
    // A stored text of the home node to link a letter or conference text to
    // as a comment.
    std::optional<texts::TextRecord> link_as_comment_to;
    // Characters the code page cannot hold are replaced by their nearest
    // form (and the policy told which) instead of being refused.
    bool transliterate = false;
    // When set, every receiver typed here is looked up and written as found.
    ReceiverLookup look_up_receiver;
};

// Checks, converts, composes and files the item into the Out-Basket; gives
// its identifier. The code page is the user's ("Character Set", Windows
// class), or for an answer or comment the replied text's when that holds
// every character.
platform::Result<texts::TextId> write_new_item(cabinet::Cabinet& cabinet,
                                               const settings::UserSettings& user,
                                               const NewItem& item,
                                               const std::string& current_folder,
                                               platform::Policy& policy,
                                               platform::Env& env = platform::system_env());

// `value` of `field`, typed in UTF-8, in the code page `charset`; fails
// with the message that names the field and the character. Characters
// replaced by transliteration are told to `policy`.
platform::Result<std::string> typed_in_code_page(const std::string& field, std::string_view value,
                                                 uint8_t charset, bool transliterate,
                                                 platform::Policy& policy);

}  // namespace orvane::app
