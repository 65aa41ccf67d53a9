// Names of received files: what is left of a name the sender announced, and
// which folder and which after-session list it belongs to.
#pragma once

#include <string>
#include <string_view>

namespace orvane::connection {

// The kinds of files a node sends, told apart by their names.
enum class DownloadKind {
    kDowndump,     // letter, 2 digits, letter, 2 digits, 2 letters, ".dmp" or ".zip"
    kAddressBook,  // letter, "O", 5 digits, "#" or "$", then nothing, "." or ".zip"
    kOther,
};

// The folder that receives each kind.
struct DownloadFolders {
    std::string downdump;
    std::string address_book;
    std::string download;
};

// The last component of a path or of an announced name ("/" and "\" both
// separate), cleaned like every name we exchange with the server: no
// leading "-" or ".", no control or special characters, blanks as "_", at
// most 79 characters. Empty when nothing usable is left, so that no
// announced name can reach outside the folder or be "..".
std::string clean_transfer_name(std::string_view path);

DownloadKind download_kind(std::string_view name);

// A file to unpack after the session: letter, "#", six letters or digits,
// ".zip".
bool is_unpack_name(std::string_view name);

const std::string& folder_for(const DownloadFolders& folders, DownloadKind kind);

// `name` with "_1", "_2", ... before its extension: the n-th other name to
// try when the user wants a file kept under a new name.
std::string numbered_name(std::string_view name, int number);

}  // namespace orvane::connection
