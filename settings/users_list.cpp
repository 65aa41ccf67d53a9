#include "settings/users_list.h"

#include <algorithm>
#include <charconv>
#include <filesystem>
#include <optional>
#include <utility>

#include "platform/directories.h"
#include "platform/file.h"
#include "settings/ini_values.h"
#include "settings/key_catalog.h"
#include "settings/node_table.h"
#include "settings/setting_paths.h"
#include "settings/setting_value.h"
#include "settings/settings_version.h"
#include "settings/user_settings.h"
#include "texts/ascii.h"

namespace orvane::settings {

namespace {

constexpr int kFirstVersionWithBatchSession = 41;

using platform::MessageId;
using platform::Status;

PathBase common_paths(const std::string& program_directory) {
    return PathBase{program_directory, {}};
}

// A key of a user's settings file, read by its rule.
SettingValue user_key(IniFile& file, std::string_view section, std::string_view key) {
    const KeyRule* rule = find_key_rule(SettingsFileKind::kUser, section, key);
    return read_setting(file, *rule, key, PathBase{}, 0).value;
}

// A folder as the list keeps them: absolute, without ".", ".." or a
// trailing separator.
std::string normal_folder(std::string_view folder) {
    std::string path(folder);
    if (path.empty() || path[0] != '/')
        path = platform::join_path(platform::current_directory(), path);
    return without_trailing_separator(std::filesystem::path(path).lexically_normal().string());
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
    // The name as the user gave it: the part after an "@" is left out only
    // where the program compares names with authors.
    entry.name = file.get_string("User", "Name", {}, kNameLength);
    entry.node = file.has_key("User", "Node")
                     ? static_cast<int>(std::get<long long>(user_key(file, "User", "Node")))
                     : kDefaultHomeNode;
    int version = get_int(file, "Orvane", "Version", 0);
    entry.batch_mode =
        version >= kFirstVersionWithBatchSession
            ? static_cast<uint32_t>(std::get<long long>(user_key(file, "Login", "Batch Session")))
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
        // One line per folder, in our written form: a line written another
        // way would stay behind when the user is deleted.
        if (key != users_key_from_folder(folder, program_directory))
            common.delete_key("Users", key);
        int listed = find_folder(folder);
        if (listed >= 0) {
            write_line(common, static_cast<size_t>(listed), program_directory);
            continue;
        }
        if (platform::directory_exists(folder)) {
            users.push_back(read_user_entry(cache, folder));
        } else {
            UserEntry entry = parse_users_line(common.get_string("Users", key));
            entry.folder = folder;
            entry.present = false;
            users.push_back(entry);
        }
        write_line(common, users.size() - 1, program_directory);
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

platform::Result<size_t> UsersList::find_user(std::string_view given,
                                              const std::string& users_directory) const {
    for (const std::string& folder :
         {normal_folder(given), platform::join_path(users_directory, std::string(given))}) {
        int index = find_folder(folder);
        if (index >= 0) return static_cast<size_t>(index);
    }
    std::optional<size_t> found;
    std::string folders;
    for (size_t i = 0; i < users.size(); ++i) {
        if (!texts::equals_ignoring_case(users[i].name, given)) continue;
        folders += (folders.empty() ? "  " : "\n  ") + users[i].folder;
        if (!found) found = i;
    }
    if (!found) return Status::message(MessageId::kNoSuchUser, {std::string(given)});
    if (folders.find('\n') != std::string::npos)
        return Status::message(MessageId::kAmbiguousUser, {std::string(given), folders});
    return *found;
}

platform::Result<size_t> UsersList::choose_user(std::string_view given,
                                                const std::string& users_directory) const {
    if (!given.empty()) return find_user(given, users_directory);
    if (default_index >= 0) return static_cast<size_t>(default_index);
    if (users.size() == 1) return size_t{0};
    return Status::message(users.empty() ? MessageId::kNoLocalUsers : MessageId::kNoDefaultUser);
}

platform::Result<int> UsersList::add(IniFile& common, const UserEntry& entry,
                                     const std::string& program_directory) {
    int index = find_folder(entry.folder);
    const bool is_new = index < 0;
    UserEntry before;
    if (is_new) {
        users.push_back(entry);
        index = static_cast<int>(users.size()) - 1;
    } else {
        before = std::exchange(users[static_cast<size_t>(index)], entry);
    }
    write_line(common, static_cast<size_t>(index), program_directory);
    if (Status committed = common.commit(); !committed.ok()) {
        // The list stays as the file has it.
        if (is_new) {
            delete_lines(common, entry.folder, program_directory);
            users.pop_back();
        } else {
            users[static_cast<size_t>(index)] = before;
            write_line(common, static_cast<size_t>(index), program_directory);
        }
        return committed;
    }
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

void UsersList::delete_lines(IniFile& common, const std::string& folder,
                             const std::string& program_directory) const {
    for (const auto& key : common.keys("Users")) {
        if (folder_from_users_key(key, program_directory) == without_trailing_separator(folder))
            common.delete_key("Users", key);
    }
}

Status UsersList::remove(IniFile& common, size_t index, const std::string& program_directory) {
    if (index >= users.size()) return Status();
    delete_lines(common, users[index].folder, program_directory);
    users.erase(users.begin() + static_cast<std::ptrdiff_t>(index));
    if (default_index == static_cast<int>(index)) {
        default_index = -1;
        common.delete_key("Common", "Default User");
    } else if (default_index > static_cast<int>(index)) {
        --default_index;
    }
    return common.commit();
}

Status UsersList::set_default(IniFile& common, int index, const std::string& program_directory) {
    if (index < 0 || static_cast<size_t>(index) >= users.size()) {
        default_index = -1;
        common.delete_key("Common", "Default User");
    } else {
        default_index = index;
        write_line(common, static_cast<size_t>(index), program_directory);
    }
    return common.commit();
}

}  // namespace orvane::settings
