#include "platform/directories.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>

#include "platform/file.h"

namespace orvane::platform {

std::optional<std::string> environment(const char* name) {
    const char* value = std::getenv(name);
    if (!value) return std::nullopt;
    return std::string(value);
}

namespace {

std::optional<std::string> nonempty_environment(const char* name) {
    auto value = environment(name);
    if (value && value->empty()) return std::nullopt;
    return value;
}

}  // namespace

int program_directory(std::string* path) {
    if (auto home = nonempty_environment("ORVANE_HOME")) {
        *path = *home;
    } else if (auto data = nonempty_environment("XDG_DATA_HOME")) {
        *path = join_path(*data, "orvane");
    } else if (auto user_home = nonempty_environment("HOME")) {
        *path = join_path(*user_home, ".local/share/orvane");
    } else {
        *path = join_path(current_directory(), "orvane");
    }
    return make_directories(*path);
}

std::string application_data_directory() {
    if (auto appdata = nonempty_environment("APPDATA")) return *appdata;
    if (auto config = nonempty_environment("XDG_CONFIG_HOME")) return *config;
    if (auto home = nonempty_environment("HOME")) return join_path(*home, ".config");
    return current_directory();
}

std::string current_directory() {
    char buffer[PATH_MAX];
    if (!::getcwd(buffer, sizeof buffer)) return ".";
    return buffer;
}

int change_directory(const std::string& path) {
    return ::chdir(path.c_str()) == 0 ? 0 : errno;
}

std::string join_path(const std::string& directory, const std::string& name) {
    if (directory.empty()) return name;
    if (name.empty()) return directory;
    bool dir_slash = directory.back() == '/';
    bool name_slash = name.front() == '/';
    if (dir_slash && name_slash) return directory + name.substr(1);
    if (dir_slash || name_slash) return directory + name;
    return directory + "/" + name;
}

}  // namespace orvane::platform
