// The few MIME header lines the import follows: the multipart content type
// of a mail with its boundary, and the part headers that say a part is
// base64 and what its file is called. Names and keywords are matched
// without regard to case.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace orvane::import {

// The longest boundary parameter kept; a longer one is cut.
inline constexpr size_t kMaxBoundaryLength = 77;

// For a "Content-Type:" line: whether it is multipart, and the boundary
// with "--" in front when the line gives one.
struct ContentType {
    bool multipart = false;
    std::optional<std::string> boundary;
};
// Nothing when the line is not a "Content-Type:" line. A boundary given on
// a continuation line of a folded header is the caller's to find.
std::optional<ContentType> parse_content_type(std::string_view line);
// The boundary parameter of `text` (a content type or a continuation of
// one), with "--" in front.
std::optional<std::string> find_boundary(std::string_view text);

// What the headers of one part say.
struct PartHeaders {
    bool base64 = false;
    std::string name;  // the attachment's name, at most 255 characters
};
// Takes in one header line of a part.
void read_part_header(std::string_view line, PartHeaders& part);

// A "begin 644 name" line of a uuencoded block: true when the mode is an
// octal number other than 0.
bool is_uuencode_begin(std::string_view line);

}  // namespace orvane::import
