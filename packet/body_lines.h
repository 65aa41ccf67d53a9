// The lines of a text or command body as the mail packet carries them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orvane::packet {

enum class BodyRules {
    // Re-wrapped at the text's width, and a line starting with "@" gets a
    // second "@" so the server never takes a text line for a directive.
    kText,
    // Lines as they are: commands are directives.
    kCommand,
};

// Splits `body` at line feeds, drops trailing blanks and control characters
// of each line, and applies the rules. `width` below 20 counts as 20.
std::vector<std::string> body_lines(std::string_view body, BodyRules rules, int width);

}  // namespace orvane::packet
