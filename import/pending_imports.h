// The files waiting to be imported: section "Import" of the user's settings
// file, one key per file (relative to the user's folder when it lies in
// it) whose value is where to start reading it (0: at the start; a session
// log that was partly read before starts after that part). A batch session
// lists what it downloaded before importing it, so that an import that was
// stopped picks the files up again at the next start.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "settings/ini_file.h"

namespace orvane::import {

struct PendingImport {
    std::string path;  // absolute
    uint64_t offset = 0;
};

std::vector<PendingImport> pending_imports(settings::IniFile& user_file,
                                           const std::string& user_folder);
void add_pending_import(settings::IniFile& user_file, const std::string& user_folder,
                        const PendingImport& file);
void remove_pending_import(settings::IniFile& user_file, const std::string& user_folder,
                           const std::string& path);

}  // namespace orvane::import
