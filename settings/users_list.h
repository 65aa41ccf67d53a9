// The local users, as listed in section "Users" of the common file: one
// line per user folder with the user's home node, name and batch-session
// mode, and the default user, who is opened without asking.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/status.h"
#include "settings/ini_file.h"

namespace orvane::settings {

inline constexpr const char* kUsersDirectory = "Users";
inline constexpr uint32_t kDefaultBatchMode = 4;
// The batch-session bit that needs a name and a password.
inline constexpr uint32_t kBatchModeNeedsLogin = 2;

struct UserEntry {
    std::string name;
    std::string folder;    // full path
    int node = 0;          // character code of the home node's letter
    bool present = false;  // the folder exists and its settings were read
    uint32_t batch_mode = kDefaultBatchMode;
};

// The key of a user's line: the folder abbreviated (never by the user
// abbreviation), with "=" stored as "?" so that it cannot end the key.
std::string users_key_from_folder(const std::string& folder, const std::string& program_directory);
std::string folder_from_users_key(std::string_view key, const std::string& program_directory);

// "node,name,batch mode", and back; a missing batch mode reads as 4.
std::string format_users_line(const UserEntry& entry);
UserEntry parse_users_line(std::string_view line);

// An entry from the settings file in `folder`: name, node (67 when the file
// has none) and batch-session mode.
UserEntry read_user_entry(IniCache& cache, const std::string& folder);

class UsersList {
  public:
    std::vector<UserEntry> users;
    int default_index = -1;

    // Reads the list from the common file. Every folder keeps one line, in
    // this program's written form: lines written another way (a full
    // path, a trailing "/", a second line for the same folder) are
    // replaced. Users whose folder exists are read from their own settings;
    // a default user who is not listed is forgotten. The changes wait for
    // the common file's next commit.
    void load(IniFile& common, IniCache& cache, const std::string& program_directory);

    // The index of the user with this folder, or -1.
    int find_folder(std::string_view folder) const;

    // The user that `given` names: a folder (absolute, or relative to the
    // current directory), the name of a folder in `users_directory`, or a
    // user name (without regard to ASCII case). A name that several users
    // share is refused with their folders.
    platform::Result<size_t> find_user(std::string_view given,
                                       const std::string& users_directory) const;
    // The user that `given` names when it is not empty; else the default
    // user, else the only one.
    platform::Result<size_t> choose_user(std::string_view given,
                                         const std::string& users_directory) const;

    // Adds the user (or replaces the entry with the same folder), writes its
    // line and commits the common file. Returns the user's index.
    platform::Result<int> add(IniFile& common, const UserEntry& entry,
                              const std::string& program_directory);
    // Rewrites the user's line (and the default user, when it is this one)
    // in the held common file.
    void write_line(IniFile& common, size_t index, const std::string& program_directory) const;
    // Removes the user and every line of its folder, and commits; the
    // default user moves with the list or is cleared when it was this one.
    [[nodiscard]] platform::Status remove(IniFile& common, size_t index,
                                          const std::string& program_directory);
    // Makes `index` (-1: none) the default user, and commits.
    [[nodiscard]] platform::Status set_default(IniFile& common, int index,
                                               const std::string& program_directory);

  private:
    // Deletes every line of the "Users" section that stands for `folder`.
    void delete_lines(IniFile& common, const std::string& folder,
                      const std::string& program_directory) const;
};

}  // namespace orvane::settings
