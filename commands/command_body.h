// A command as it goes into the out-basket: the lines of the "Command"
// field, each behind the prefix ("@", or a schedule prefix), and its
// subject.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"

namespace orvane::commands {

inline constexpr size_t kMaxCommandBody = 61440;
inline constexpr size_t kMaxSubject = 70;
inline constexpr std::string_view kPlainPrefix = "@";

// A local file that an upload line ("+path "description"") sends along.
struct UploadFile {
    std::string path;
    std::string remainder;  // what followed the path: the quoted description
    bool operator==(const UploadFile&) const = default;
};

struct CommandBody {
    std::vector<std::string> lines;  // the command lines, then any text that follows them
    std::vector<UploadFile> uploads;
    // The lines, each ending with LF.
    std::string text() const;
};

// The name under which the mail packet delivers a local file (when empty:
// the last component of its path).
using ServerFileName = std::function<std::string(std::string_view path)>;

// Builds the body from the text of the "Command" field:
//   - blanks around each line are dropped, empty lines left out;
//   - each line gets the prefix; an "@" typed at its start is not doubled;
//   - a line that begins with "+" uploads the file it names: the file is
//     remembered and the line names it as the packet delivers it;
//   - a line that begins with "." ends the commands: `following_text`
//     comes after them, as the text of the last command, with an "@" at
//     the start of one of its lines doubled so that the server never takes
//     it for a command.
// Fails when no command line is left, or the body passes kMaxCommandBody.
platform::Result<CommandBody> build_command_body(std::string_view command_text,
                                                 std::string_view following_text,
                                                 std::string_view prefix,
                                                 const ServerFileName& server_file_name);

// The subject that follows the command text: its first line, or "Upload "
// and the file's name when it uploads a file; at most 69 characters, cut at
// the last blank. A scheduled command's subject begins with "Schedule ".
std::string command_subject(std::string_view command_text, bool scheduled);

// Whether `existing` (a command text's body) holds the lines of `body` one
// after the other.
bool body_contains(std::string_view existing, const CommandBody& body);

// The path and the rest of an upload line's text after the "+".
UploadFile parse_upload(std::string_view after_plus);

}  // namespace orvane::commands
