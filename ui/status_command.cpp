#include <dirent.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/directories.h"
#include "platform/file.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

std::vector<std::string> list_directory(const std::string& path) {
    std::vector<std::string> names;
    if (DIR* dir = opendir(path.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            if (platform::directory_exists(platform::join_path(path, name))) name += "/";
            names.push_back(name);
        }
        closedir(dir);
    }
    std::sort(names.begin(), names.end());
    return names;
}

int run_status(CliContext& context) {
    std::string home;
    if (!context.program_directory(&home)) return 1;
    std::string appdata = platform::application_data_directory();
    auto files = list_directory(home);
    if (context.json) {
        std::printf("{\"program_directory\": %s, \"application_data_directory\": %s, \"files\": [",
                    json_quote(home).c_str(), json_quote(appdata).c_str());
        for (size_t i = 0; i < files.size(); ++i)
            std::printf("%s%s", i ? ", " : "", json_quote(files[i]).c_str());
        std::printf("]}\n");
        return 0;
    }
    std::printf("Program directory:          %s\n", home.c_str());
    std::printf("Application data directory: %s\n", appdata.c_str());
    if (files.empty()) {
        std::printf(
            "The program directory is empty: no settings, users or node information yet.\n");
    } else {
        std::printf("Found in the program directory:\n");
        for (const auto& name : files) std::printf("  %s\n", name.c_str());
    }
    return 0;
}

}  // namespace

void add_status_command(CLI::App& app, CliContext& context) {
    auto* command = app.add_subcommand(
        "status", "Show where the program keeps its files and what it finds there");
    command->callback([&context] { context.exit_code = run_status(context); });
}

}  // namespace orvane::ui
