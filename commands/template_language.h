// The template language of the command catalogue. The expansion walks the
// template from left to right:
//   - "%" and a letter, a digit or "@" is a code, optionally followed by a
//     privilege digit (the code counts only for users of at least that
//     privilege) and a prompt in braces (the label of its field);
//   - "%" and any other character yields that character;
//   - "[...]" is an optional group, "(...)" a required one, nested at most
//     six deep (a seventh opening bracket is ignored, and so is its
//     closing one);
//   - "|" after a group that yielded text skips the alternative group that
//     follows;
//   - "{...}" is a prompt and yields nothing; ";" yields a line break;
//   - a code that yields nothing removes the text of its innermost group
//     and skips the rest of it; outside any group it empties the whole
//     command. A required group that ends empty does the same to its own
//     group;
//   - codes with several values (%H, %K, %s) repeat the outermost group
//     that holds them until every value is used;
//   - trailing blanks and control characters are removed at the end.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::commands {

// One code as it stands in a template.
struct CodeUse {
    char code = 0;
    int privilege = 0;        // the digit after the code; 0 when none
    std::string_view prompt;  // the text in braces right after it
    bool operator==(const CodeUse&) const = default;
};

// Every code of a template in order, each with its privilege digit and
// prompt. Never fails: malformed input simply yields fewer codes.
std::vector<CodeUse> scan_codes(std::string_view template_text);

enum class YieldKind {
    kText,    // the text is written
    kEmpty,   // nothing is written, and the group stays
    kAbsent,  // nothing: the group (or the command) is removed
    kVeto,    // the command may not be made at all
};

struct CodeYield {
    YieldKind kind = YieldKind::kAbsent;
    std::string text;
};

// The values that the codes of a template yield.
class CodeSource {
  public:
    virtual ~CodeSource() = default;
    // What `use` yields in `round` of the repetition of its outermost group
    // (0 for codes of one value).
    virtual CodeYield yield(const CodeUse& use, size_t round) = 0;
    // How many values a code of several values holds.
    virtual size_t value_count(char code) = 0;
};

// Whether `code` holds several values.
bool is_multi_value_code(char code);

struct Expansion {
    std::string text;  // lines separated by LF; empty when incomplete
    // The codes whose lack emptied the command (for "... is missing").
    std::vector<CodeUse> missing;
    // The code that forbade the command (0 when none).
    char veto = 0;
    bool complete() const { return !text.empty(); }
};

// Expands `template_text` for a user of `privilege`.
Expansion expand_template(std::string_view template_text, CodeSource& source, int privilege);

}  // namespace orvane::commands
