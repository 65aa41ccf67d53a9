#include "app/news_files.h"

#include <algorithm>
#include <cstdio>

#include "platform/directories.h"
#include "platform/file.h"
#include "platform/resource_strings.h"

namespace orvane::app {

std::vector<NewsFile> pending_news_files(const std::string& program_directory, int stored_version) {
    std::vector<NewsFile> files;
    for (int version = std::max(stored_version + 1, 0); version <= platform::kSettingsVersion;
         ++version) {
        char name[32];
        std::snprintf(name, sizeof name, "README%02d.txt", version);
        std::string path = platform::join_path(program_directory, name);
        if (platform::file_exists(path)) files.push_back({version, path});
    }
    return files;
}

}  // namespace orvane::app
