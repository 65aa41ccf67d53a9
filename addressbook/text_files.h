// Appending to the local text files of the address book (reports, CSV
// exports): the file is created when missing, and the bytes go at its end.
#pragma once

#include <string>
#include <string_view>

#include "platform/env.h"
#include "platform/status.h"

namespace orvane::addressbook {

struct AppendMode {
    // An LF goes first when the file is not empty and does not end with one.
    bool new_line_first = false;
    // Goes first when the file is missing or empty.
    std::string_view first_line;
};

// Appends `text` to `path`. Errors name the file with "Cannot write the
// file '%s'".
platform::Status append_text(const std::string& path, std::string_view text, platform::Env& env,
                             const AppendMode& mode = {});

}  // namespace orvane::addressbook
