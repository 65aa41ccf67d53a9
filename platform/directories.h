// Where the program keeps its files, and environment access.
#pragma once

#include <optional>
#include <string>

namespace orvane::platform {

// The value of an environment variable, or nothing when it is unset.
std::optional<std::string> environment(const char* name);

// The program directory: $ORVANE_HOME, else $XDG_DATA_HOME/orvane, else
// ~/.local/share/orvane. It is created when missing; on failure the error
// code is returned and `*path` still names the directory.
[[nodiscard]] int program_directory(std::string* path);

// The application data directory: $APPDATA, else $XDG_CONFIG_HOME or
// ~/.config, else the current directory. Not created here.
std::string application_data_directory();

std::string current_directory();
[[nodiscard]] int change_directory(const std::string& path);

// Joins two path pieces with exactly one '/' between them.
std::string join_path(const std::string& directory, const std::string& name);

}  // namespace orvane::platform
