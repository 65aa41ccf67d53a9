// News files: the program directory may hold "README%02d.txt" for each
// version; a user receives those newer than the version his settings were
// last written by.
#pragma once

#include <string>
#include <vector>

namespace orvane::app {

struct NewsFile {
    int version;
    std::string path;
};

// The news files present for the versions after `stored_version` up to
// this program's version, oldest first.
std::vector<NewsFile> pending_news_files(const std::string& program_directory, int stored_version);

}  // namespace orvane::app
