#include "ui/program_start.h"

#include <filesystem>

#include "platform/directories.h"
#include "settings/setting_paths.h"

namespace orvane::ui {

bool start_program(app::Application& application, CliContext& context) {
    std::string home;
    if (!context.program_directory(&home)) return false;
    switch (application.start({home, context.cabinet})) {
        case app::RunResult::Ok:
            return true;
        case app::RunResult::AlreadyRunning:
            return false;  // the core has said which other copy holds the directory
        case app::RunResult::Refused:
            print_error("the settings were not loaded");
            return false;
    }
    return false;
}

app::UserChooser no_chooser() {
    return [](const settings::UsersList&) { return std::nullopt; };
}

std::optional<size_t> chosen_user(app::Application& application, const std::string& given) {
    platform::Result<size_t> index = application.choose_user(given);
    if (index.ok()) return *index;
    succeeded(index.status());
    if (index.status().id() == platform::MessageId::kNoLocalUsers)
        print_error("add one with 'orvane user add'");
    if (index.status().id() == platform::MessageId::kNoDefaultUser)
        print_error("choose one with --user, or make one the default with 'orvane user default'");
    return std::nullopt;
}

std::string absolute_path(const std::string& path) {
    std::string absolute = !path.empty() && path[0] == '/'
                               ? path
                               : platform::join_path(platform::current_directory(), path);
    return settings::without_trailing_separator(
        std::filesystem::path(absolute).lexically_normal().string());
}

}  // namespace orvane::ui
