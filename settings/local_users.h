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

// The longest password a new user is given (the length of the entry field
// the password was always typed into).
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

// Whether `name` may be a user's name: at most kNameLength characters and
// no control characters (they would break every listing of users).
[[nodiscard]] platform::Status check_user_name(std::string_view name);

// The name and password of a request, checked as check_user_name does and
// the password for at most kNewPasswordLength characters without control
// characters; nothing is ever cut to fit.
[[nodiscard]] platform::Status check_new_user_request(const NewUserRequest& request);

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
// When the user cannot be listed, the new folder is removed again.
platform::Result<int> create_user(UserPlaces& places, UsersList& users,
                                  const NewUserRequest& request, VersionGate& gate,
                                  platform::Policy& policy);

// Lists an existing setup in `folder` (read from its settings file) unless it
// is listed already. Returns its index; a folder without settings is
// refused.
platform::Result<int> adopt_user_folder(UserPlaces& places, UsersList& users,
                                        const std::string& folder);

// What completely erasing the user removes, shown before the user is asked
// to type the phrase (message kTypeErasePhrase asks for it).
std::string erase_explanation(const UserEntry& user, const std::string& users_directory,
                              const NodeTable& nodes);

// True when the typed confirmation holds the phrase that must be typed.
bool erase_confirmed(std::string_view typed);

// Removes the user from the list. With `erase`, also deletes the user's
// files: the whole folder when it lies directly inside the users directory;
// elsewhere only its filing cabinets, personal address book and settings;
// and for the program directory itself only the user's sections of the
// common file. Files that are missing are passed over. Returns the first
// failure when a file could not be deleted (the user is then still removed
// from the list) or the list could not be written.
platform::Status delete_user(UserPlaces& places, UsersList& users, size_t index, bool erase);

}  // namespace orvane::settings
