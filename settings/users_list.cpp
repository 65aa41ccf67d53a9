#include "settings/users_list.h"

#include <algorithm>
#include <charconv>

#include "platform/file.h"
#include "settings/ini_values.h"
#include "settings/node_table.h"
#include "settings/setting_paths.h"
#include "settings/settings_version.h"

namespace orvane::settings {

namespace {

constexpr size_t kNameLength = 55;
constexpr int kFirstVersionWithBatchSession = 41;

PathBase common_paths(const std::string& program_directory) {
    return PathBase{program_directory, {}};
}

bool all_digits(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

std::string users_key_from_folder(const std::string& folder, const std::string& program_directory) {
    std::string key = abbreviate_path(folder, common_paths(program_directory), false);
    for (char& c : key) {
        if (c == '\\') c = '/';
        if (c == '=') c = '?';
    }
    return key;
}

std::string folder_from_users_key(std::string_view key, const std::string& program_directory) {
    std::string stored(key);
    for (char& c : stored) {
        if (c == '?') c = '=';
    }
    return without_trailing_separator(expand_path(stored, common_paths(program_directory)));
}

std::string format_users_line(const UserEntry& entry) {
    return std::to_string(entry.node) + "," + entry.name.substr(0, kNameLength) + "," +
           std::to_string(entry.batch_mode);
}

UserEntry parse_users_line(std::string_view line) {
    UserEntry entry;
    size_t first = line.find(',');
    std::string_view node = line.substr(0, first);
    std::from_chars(node.data(), node.data() + node.size(), entry.node);
    if (first == std::string_view::npos) return entry;
    std::string_view rest = line.substr(first + 1);
    size_t last = rest.rfind(',');
    if (last != std::string_view::npos && all_digits(rest.substr(last + 1))) {
        std::string_view mode = rest.substr(last + 1);
        std::from_chars(mode.data(), mode.data() + mode.size(), entry.batch_mode);
        rest = rest.substr(0, last);
    }
    entry.name = std::string(rest.substr(0, kNameLength));
    return entry;
}

UserEntry read_user_entry(IniCache& cache, const std::string& folder) {
    IniFile file = cache.open(folder, kSettingsFile);
    UserEntry entry;
    entry.folder = folder;
    entry.present = true;
    entry.name = file.get_string("User", "Name", {}, kNameLength);
    entry.name.erase(std::min(entry.name.find('@'), entry.name.size()));
    entry.node = get_int(file, "User", "Node", kDefaultHomeNode);
    int version = get_int(file, "Orvane", "Version", 0);
    entry.batch_mode =
        version >= kFirstVersionWithBatchSession
            ? static_cast<uint32_t>(get_int(file, "Login", "Batch Session", kDefaultBatchMode))
            : kDefaultBatchMode;
    if (entry.name.empty() || file.get_string("User", "Password").empty())
        entry.batch_mode &= ~kBatchModeNeedsLogin;
    return entry;
}

void UsersList::load(IniFile& common, IniCache& cache, const std::string& program_directory) {
    users.clear();
    default_index = -1;
    for (const auto& key : common.keys("Users")) {
        std::string folder = folder_from_users_key(key, program_directory);
        int listed = find_folder(folder);
        if (listed >= 0) {
            common.delete_key("Users", key);
            write_line(common, static_cast<size_t>(listed), program_directory);
            continue;
        }
        if (platform::directory_exists(folder)) {
            users.push_back(read_user_entry(cache, folder));
            write_line(common, users.size() - 1, program_directory);
        } else {
            UserEntry entry = parse_users_line(common.get_string("Users", key));
            entry.folder = folder;
            entry.present = false;
            users.push_back(entry);
        }
    }
    std::string default_user = common.get_string("Common", "Default User", {}, 255);
    if (default_user.empty()) return;
    default_index = find_folder(
        without_trailing_separator(expand_path(default_user, common_paths(program_directory))));
    if (default_index < 0) common.delete_key("Common", "Default User");
}

int UsersList::find_folder(std::string_view folder) const {
    std::string wanted = without_trailing_separator(std::string(folder));
    for (size_t i = 0; i < users.size(); ++i) {
        if (users[i].folder == wanted) return static_cast<int>(i);
    }
    return -1;
}

int UsersList::add(IniFile& common, const UserEntry& entry, const std::string& program_directory) {
    int index = find_folder(entry.folder);
    if (index < 0) {
        users.push_back(entry);
        index = static_cast<int>(users.size()) - 1;
    } else {
        users[static_cast<size_t>(index)] = entry;
    }
    write_line(common, static_cast<size_t>(index), program_directory);
    return index;
}

void UsersList::write_line(IniFile& common, size_t index,
                           const std::string& program_directory) const {
    const UserEntry& entry = users[index];
    common.put_string("Users", users_key_from_folder(entry.folder, program_directory),
                      format_users_line(entry));
    if (static_cast<int>(index) == default_index) {
        common.put_string("Common", "Default User",
                          abbreviate_path(entry.folder, common_paths(program_directory), false));
    }
}

void UsersList::remove(IniFile& common, size_t index, const std::string& program_directory) {
    if (index >= users.size()) return;
    common.delete_key("Users", users_key_from_folder(users[index].folder, program_directory));
    users.erase(users.begin() + static_cast<std::ptrdiff_t>(index));
    if (default_index == static_cast<int>(index)) {
        default_index = -1;
        common.delete_key("Common", "Default User");
    } else if (default_index > static_cast<int>(index)) {
        --default_index;
    }
}

void UsersList::set_default(IniFile& common, int index, const std::string& program_directory) {
    if (index < 0 || static_cast<size_t>(index) >= users.size()) {
        default_index = -1;
        common.delete_key("Common", "Default User");
        return;
    }
    default_index = index;
    write_line(common, static_cast<size_t>(index), program_directory);
}

}  // namespace orvane::settings
