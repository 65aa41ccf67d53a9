// Adding and removing local users: each has a folder of its own with its
// settings, filing cabinets and personal address book, listed in the
// common file.
#pragma once

#include <string>
#include <string_view>

#include "platform/policy.h"
#include "platform/status.h"
#include "settings/ini_file.h"
#include "settings/node_table.h"
#include "settings/settings_version.h"
#include "settings/users_list.h"

namespace orvane::settings {

inline constexpr size_t kNewPasswordLength = 30;

// Where a user's files go, shared by the operations below.
struct UserPlaces {
    IniCache& cache;
    IniFile& common;  // the common settings file
    std::string program_directory;
    std::string users_directory() const;
};

// The folder proposed for a new user: the users directory joined with the
// first 8 letters, digits and "-" of the name, then ".1", ".2", … while a
// folder of that name exists.
std::string propose_user_folder(const std::string& users_directory, std::string_view name);

struct NewUserRequest {
    int node = kDefaultHomeNode;
    std::string name;
    std::string password;
    std::string folder;
};

enum class NewUserCheck {
    Create,        // go on with the new folder
    UseExisting,   // the user chose the listed folder of the same node and name
    Cancelled,     // back to the entry of the request
    FolderExists,  // a file or folder of that name exists (message kNameExists)
};

// The checks before a new user is created; asks whether to use the folder
// of a listed user of the same node and name. With UseExisting, `*existing`
// is the index of the listed user whose folder is to be used.
NewUserCheck check_new_user(const UsersList& users, const NewUserRequest& request,
                            platform::Policy& policy, int* existing);

// Creates the user's folder with its "LOG", "FILES", "UP" and "DOWN"
// folders and its settings, and lists the user. Gives the user's index.
platform::Result<int> create_user(UserPlaces& places, UsersList& users,
                                  const NewUserRequest& request, VersionGate& gate,
                                  platform::Policy& policy);

// Lists an existing setup in `folder` (read from its settings file) unless it
// is listed already. Returns its index, or -1 when the folder holds none.
int adopt_user_folder(UserPlaces& places, UsersList& users, const std::string& folder);

// The explanation shown before a user is completely erased.
std::string erase_explanation(const UserEntry& user, const std::string& users_directory,
                              const NodeTable& nodes);

// True when the typed confirmation holds the phrase that must be typed.
bool erase_confirmed(std::string_view typed);

// Removes the user from the list. With `erase`, also deletes the user's
// files: the whole folder when it lies directly inside the users directory;
// elsewhere only its filing cabinets, personal address book and settings;
// and for the program directory itself only the user's sections of the
// common file. Files that are missing are passed over. Returns false (with
// the first failure) when a file could not be deleted; the user is then
// still removed from the list.
platform::Status delete_user(UserPlaces& places, UsersList& users, size_t index, bool erase);

}  // namespace orvane::settings
