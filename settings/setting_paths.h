// Paths in settings files may start with an abbreviation: ":::" for the
// current user's directory, "::" for the program directory, ":" for the
// root. They are expanded on reading and produced again on writing, so that
// a whole setup can move to another place.
#pragma once

#include <string>
#include <string_view>

namespace orvane::settings {

struct PathBase {
    std::string program_directory;
    std::string user_directory;  // empty while no user is open
};

// Expands a stored path. A path without an abbreviation is returned as it is.
std::string expand_path(std::string_view stored, const PathBase& base);

// The stored form of `path`: the first of the user directory (only with
// `allow_user`, and only when it differs from the program directory), the
// program directory and the root that is a leading part of it is replaced by
// its abbreviation.
std::string abbreviate_path(std::string_view path, const PathBase& base, bool allow_user);

// A directory without a trailing separator, except for the root itself.
std::string without_trailing_separator(std::string path);

// True when `path` is `directory` or lies somewhere below it.
bool path_is_within(std::string_view path, std::string_view directory);

}  // namespace orvane::settings
