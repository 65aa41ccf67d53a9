// Starting the program's core for one command, shared by the commands for
// users, nodes and settings.
#pragma once

#include <optional>
#include <string>

#include "app/application.h"
#include "ui/cli.h"

namespace orvane::ui {

// Starts the core with the program directory of the command line; says why
// it cannot.
bool start_program(app::Application& application, CliContext& context);

// A user selection that never picks anybody: for commands that name their
// user themselves.
app::UserChooser no_chooser();

// The user that --user (or `given`) names, else the default user, else the
// only one; says why there is none.
std::optional<size_t> chosen_user(app::Application& application, const std::string& given);

// A path as the users list keeps folders: absolute and without "." or "..".
std::string absolute_path(const std::string& path);

}  // namespace orvane::ui
