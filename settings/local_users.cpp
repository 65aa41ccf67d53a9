#include "settings/local_users.h"

#include <filesystem>
#include <system_error>

#include "platform/directories.h"
#include "platform/file.h"
#include "platform/resource_strings.h"
#include "settings/setting_paths.h"
#include "settings/user_settings.h"
#include "texts/ascii.h"

namespace orvane::settings {

namespace {

namespace fs = std::filesystem;

constexpr size_t kFolderNameLength = 8;
constexpr const char* kPersonalAddressBook = "AddrBook.dat";
constexpr const char* kCabinetExtension = ".cab";

using platform::MessageId;
using platform::Status;

std::string normal(const std::string& path) {
    return without_trailing_separator(fs::path(path).lexically_normal().string());
}

bool directly_inside(const std::string& folder, const std::string& directory) {
    fs::path path = fs::path(normal(folder));
    return path.has_filename() && path.filename() != ".." &&
           normal(path.parent_path().string()) == normal(directory);
}

Status make_folder(const std::string& path) {
    if (int error = platform::make_directories(path))
        return Status::file(MessageId::kCannotWriteFile, path, error);
    return Status();
}

// Deletes one file; a missing file is no failure.
Status delete_file(const fs::path& path) {
    std::error_code error;
    if (fs::remove(path, error) || !error || error == std::errc::no_such_file_or_directory)
        return Status();
    return Status::file(MessageId::kCannotWriteFile, path.string(), error.value());
}

// Keeps the first failure of several steps that all run.
void keep_first(Status* first, Status next) {
    if (first->ok()) *first = std::move(next);
}

// The filing cabinets and the personal address book of a user folder.
Status delete_user_files(const std::string& folder) {
    Status status = delete_file(fs::path(folder) / kPersonalAddressBook);
    std::error_code error;
    for (const auto& entry : fs::directory_iterator(folder, error)) {
        // Any case: a cabinet copied from another system may be "FCABINET.CAB".
        if (texts::equals_ignoring_case(entry.path().extension().string(), kCabinetExtension) &&
            entry.is_regular_file(error))
            keep_first(&status, delete_file(entry.path()));
    }
    return status;
}

// A name or password typed for a user: never cut, and no control characters,
// which would break every listing it appears in.
Status check_entry(std::string_view text, const char* what, size_t limit) {
    for (size_t i = 0; i < text.size(); ++i) {
        auto byte = static_cast<unsigned char>(text[i]);
        if (byte < 0x20 || byte == 0x7F)
            return Status::message(MessageId::kControlCharacter, {what, static_cast<int>(i + 1)});
    }
    if (text.size() > limit)
        return Status::message(MessageId::kTooLong, {what, static_cast<int>(limit)});
    return Status();
}

// The settings and folders of a new user in its new folder, and its line
// in the users list.
platform::Result<int> fill_user_folder(UserPlaces& places, UsersList& users,
                                       const NewUserRequest& request, const std::string& folder,
                                       VersionGate& gate, platform::Policy& policy) {
    UserSettings settings;
    if (!settings.load(places.cache, folder, places.program_directory, gate, policy))
        return Status::cancelled();  // a newer version's file, and the user said no
    const std::pair<const char*, std::string OrvaneKeys::*> subfolders[] = {
        {"LOG", &OrvaneKeys::log_dir},
        {"FILES", &OrvaneKeys::download_dir},
        {"UP", &OrvaneKeys::updump_dir},
        {"DOWN", &OrvaneKeys::downdump_dir},
    };
    for (const auto& [name, field] : subfolders) {
        std::string path = platform::join_path(folder, name);
        if (Status made = make_folder(path); !made.ok()) return made;
        settings.values.orvane.*field = path;
    }
    settings.values.user.name = request.name;
    settings.values.user.node = request.node;
    settings.values.user.password = request.password;
    settings.values.orvane.new_user = 1;
    Status saved = settings.commit();
    settings.close();
    if (!saved.ok()) return saved;
    return users.add(places.common, read_user_entry(places.cache, folder),
                     places.program_directory);
}

}  // namespace

Status check_user_name(std::string_view name) {
    return check_entry(name, "The name", kNameLength);
}

Status check_new_user_request(const NewUserRequest& request) {
    if (Status name = check_user_name(request.name); !name.ok()) return name;
    return check_entry(request.password, "The password", kNewPasswordLength);
}

std::string UserPlaces::users_directory() const {
    return platform::join_path(program_directory, kUsersDirectory);
}

std::string propose_user_folder(const std::string& users_directory, std::string_view name) {
    std::string base;
    for (char c : name) {
        if (base.size() == kFolderNameLength) break;
        if (texts::is_alnum(c) || c == '-') base += c;
    }
    if (base.empty()) base = "User";
    std::string folder = platform::join_path(users_directory, base);
    for (int n = 1; platform::file_exists(folder) || platform::directory_exists(folder); ++n) {
        folder = platform::join_path(users_directory, base + "." + std::to_string(n));
    }
    return folder;
}

NewUserCheck check_new_user(const UsersList& users, const NewUserRequest& request,
                            platform::Policy& policy, int* existing) {
    for (size_t i = 0; i < users.users.size(); ++i) {
        const UserEntry& user = users.users[i];
        if (user.node != request.node || !texts::equals_ignoring_case(user.name, request.name))
            continue;
        auto answer = policy.decide({MessageId::kUseExistingFolder,
                                     {request.name},
                                     platform::Buttons::YesNoCancel,
                                     platform::Answer::Cancel});
        if (answer == platform::Answer::Yes) {
            *existing = static_cast<int>(i);
            return NewUserCheck::UseExisting;
        }
        if (answer != platform::Answer::No) return NewUserCheck::Cancelled;
        break;
    }
    if (platform::file_exists(request.folder) || platform::directory_exists(request.folder))
        return NewUserCheck::FolderExists;
    return NewUserCheck::Create;
}

platform::Result<int> create_user(UserPlaces& places, UsersList& users,
                                  const NewUserRequest& request, VersionGate& gate,
                                  platform::Policy& policy) {
    if (Status checked = check_new_user_request(request); !checked.ok()) return checked;
    std::string folder = without_trailing_separator(request.folder);
    const bool existed = platform::directory_exists(folder);
    if (Status made = make_folder(folder); !made.ok()) return made;
    platform::Result<int> index = fill_user_folder(places, users, request, folder, gate, policy);
    if (!index.ok() && !existed) {
        std::error_code ignored;  // the failure that made the folder useless is the one to report
        fs::remove_all(folder, ignored);
    }
    return index;
}

platform::Result<int> adopt_user_folder(UserPlaces& places, UsersList& users,
                                        const std::string& folder) {
    std::string path = without_trailing_separator(folder);
    int listed = users.find_folder(path);
    if (listed >= 0) return listed;
    if (!platform::file_exists(platform::join_path(path, kSettingsFile)))
        return Status::message(MessageId::kNoUserSettingsIn, {path});
    return users.add(places.common, read_user_entry(places.cache, path), places.program_directory);
}

std::string erase_explanation(const UserEntry& user, const std::string& users_directory,
                              const NodeTable& nodes) {
    bool whole_folder = directly_inside(user.folder, users_directory);
    std::string text = platform::format_message(
        platform::resource_string(whole_folder ? MessageId::kEraseFolder
                                               : MessageId::kEraseCabinets),
        {user.folder});
    if (!user.name.empty()) {
        const NodeEntry* node = nodes.by_letter(static_cast<char>(user.node));
        std::string node_name = node ? node->name : std::to_string(user.node);
        text += platform::format_message(platform::resource_string(MessageId::kFilesBelongTo),
                                         {user.name, node_name});
    }
    return text;
}

bool erase_confirmed(std::string_view typed) {
    return typed.find(platform::resource_string(MessageId::kErasePhrase)) != std::string_view::npos;
}

Status delete_user(UserPlaces& places, UsersList& users, size_t index, bool erase) {
    if (index >= users.users.size()) return Status::message(MessageId::kIsInvalid, {"The user"});
    std::string folder = users.users[index].folder;
    Status status;
    if (erase && platform::directory_exists(folder)) {
        if (normal(folder) == normal(places.program_directory)) {
            // The user's settings share the common file: only their sections go.
            status = delete_user_files(folder);
            reset_user_file(places.common);
        } else if (directly_inside(folder, places.users_directory())) {
            std::error_code error;
            fs::remove_all(folder, error);
            if (error) status = Status::file(MessageId::kCannotWriteFile, folder, error.value());
        } else {
            status = delete_user_files(folder);
            keep_first(&status, delete_file(fs::path(folder) / kSettingsFile));
        }
    }
    keep_first(&status, users.remove(places.common, index, places.program_directory));
    return status;
}

}  // namespace orvane::settings
