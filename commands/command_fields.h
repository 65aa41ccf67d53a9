// The fields of one command as the user filled them in, checked and turned
// into what each code of the template yields. Names are looked up first,
// so that the codes that depend on a conference (%j, %M, %q) know its type.
//
// Fields are named by their code; fields of several parts by code, "." and
// the part:
//   H.addr1 .. H.addr3, H.country, H.phone   the address lines
//   K, K.1 .. K.3                            the aliases
//   s.<setting>   (s.parent, s.encryptatt)   "on" or "off"
//   q.<box>, x.<box> (q.public, x.writeprot) "on" or "off"; q.private and
//                                            q.hidden name the first two
//                                            boxes the other way round
//   u (the file), u.description
//   w (the address or "none"), w.what, w.how, w.sharing, w.copy
// Check boxes (%a, %b, %D, %n, %p, and %i "Inform users of name change")
// are ticked; ticking %k makes a new password.
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "commands/forwarding.h"
#include "commands/name_directory.h"
#include "commands/template_language.h"
#include "platform/status.h"

namespace orvane::commands {

struct CommandInput {
    std::map<std::string, std::string> values;
    std::set<char> ticked;
};

// What the fields compare with: the user's settings and the status the node
// last reported.
struct CurrentState {
    std::string secretary;                 // "User"/"Secretary"
    Forwarding forwarding;                 // "Recent Settings"/"Forw"
    std::optional<int> privilege;          // of the person %g changes, when known
    std::optional<std::string> organizer;  // of the conference %O changes, when known
};

struct FieldContext {
    int privilege = 2;  // the user's own
    CurrentState current;
    NameDirectory* directory = nullptr;  // nullptr: names are taken as typed
    // The "another" button; the system's generator when empty.
    std::function<std::optional<std::string>()> new_password;
};

class CommandFields : public CodeSource {
  public:
    // Checks `input` against the fields of `template_text` and converts it;
    // fails with the message that names the first bad field (an unknown
    // field, a value the field does not take, a name the address book does
    // not know).
    static platform::Result<CommandFields> prepare(std::string_view template_text,
                                                   const CommandInput& input,
                                                   const FieldContext& context);

    CodeYield yield(const CodeUse& use, size_t round) override;
    size_t value_count(char code) override;

    // Whether the template holds the code.
    bool uses(char code) const { return used_.count(code) != 0; }
    bool ticked(char code) const { return ticked_.count(code) != 0; }
    // The text of a code of one value; nothing when it yields none.
    std::optional<std::string> text_of(char code) const;
    // The text typed for a field, before conversion.
    std::optional<std::string> typed(const std::string& key) const;
    // The multi-line text (%E) that follows the command lines.
    const std::string& following_text() const { return following_text_; }
    // A password made with "another", in plain text, for the user to note.
    const std::string& generated_password() const { return generated_password_; }

  private:
    struct Field {
        YieldKind kind = YieldKind::kAbsent;
        std::vector<std::string> values;
    };
    class Builder;

    std::map<char, Field> fields_;
    std::set<char> used_;
    std::set<char> ticked_;
    std::map<std::string, std::string> typed_;
    std::string following_text_;
    std::string generated_password_;
};

}  // namespace orvane::commands
