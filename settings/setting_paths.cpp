#include "settings/setting_paths.h"

#include "platform/directories.h"

namespace orvane::settings {

namespace {

constexpr std::string_view kRoot = "/";

std::string expand_from(std::string_view directory, std::string_view rest) {
    while (!rest.empty() && rest.front() == '/') rest.remove_prefix(1);
    if (rest.empty()) return std::string(directory);
    return platform::join_path(std::string(directory), std::string(rest));
}

// The part of `path` after `directory`, without its leading separator, when
// `directory` is a leading part that ends at a separator or at the end.
bool strip_directory(std::string_view path, std::string_view directory, std::string_view* rest) {
    while (directory.size() > 1 && directory.back() == '/') directory.remove_suffix(1);
    if (directory.empty() || path.substr(0, directory.size()) != directory) return false;
    std::string_view after = path.substr(directory.size());
    if (!after.empty() && after.front() != '/' && directory != kRoot) return false;
    while (!after.empty() && after.front() == '/') after.remove_prefix(1);
    *rest = after;
    return true;
}

}  // namespace

std::string expand_path(std::string_view stored, const PathBase& base) {
    if (stored.substr(0, 3) == ":::") return expand_from(base.user_directory, stored.substr(3));
    if (stored.substr(0, 2) == "::") return expand_from(base.program_directory, stored.substr(2));
    if (stored.substr(0, 1) == ":") return expand_from(kRoot, stored.substr(1));
    return std::string(stored);
}

std::string abbreviate_path(std::string_view path, const PathBase& base, bool allow_user) {
    std::string_view rest;
    if (allow_user && !base.user_directory.empty() &&
        without_trailing_separator(base.user_directory) !=
            without_trailing_separator(base.program_directory) &&
        strip_directory(path, base.user_directory, &rest)) {
        return ":::" + std::string(rest);
    }
    if (strip_directory(path, base.program_directory, &rest)) return "::" + std::string(rest);
    if (strip_directory(path, kRoot, &rest)) return ":" + std::string(rest);
    return std::string(path);
}

std::string without_trailing_separator(std::string path) {
    while (path.size() > 1 && path.back() == '/') path.pop_back();
    return path;
}

bool path_is_within(std::string_view path, std::string_view directory) {
    std::string_view rest;
    return strip_directory(path, directory, &rest);
}

}  // namespace orvane::settings
