#include "import/pending_imports.h"

#include <cstdlib>

#include "platform/directories.h"

namespace orvane::import {

namespace {

constexpr const char* kSection = "Import";

std::string list_key(const std::string& path, const std::string& user_folder) {
    std::string prefix = user_folder;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    if (!prefix.empty() && path.size() > prefix.size() && path.starts_with(prefix))
        return path.substr(prefix.size());
    return path;
}

}  // namespace

std::vector<PendingImport> pending_imports(settings::IniFile& user_file,
                                           const std::string& user_folder) {
    std::vector<PendingImport> files;
    for (const std::string& key : user_file.keys(kSection)) {
        if (key.empty()) continue;
        PendingImport file;
        file.path = key.front() == '/' ? key : platform::join_path(user_folder, key);
        file.offset = std::strtoull(user_file.get_string(kSection, key, "0").c_str(), nullptr, 10);
        files.push_back(std::move(file));
    }
    return files;
}

void add_pending_import(settings::IniFile& user_file, const std::string& user_folder,
                        const PendingImport& file) {
    user_file.put_string(kSection, list_key(file.path, user_folder), std::to_string(file.offset));
}

void remove_pending_import(settings::IniFile& user_file, const std::string& user_folder,
                           const std::string& path) {
    user_file.delete_key(kSection, list_key(path, user_folder));
}

}  // namespace orvane::import
