// What every command of the console front end shares: the global options and
// the Ui. Each subsystem adds its commands through an add_*_commands function.
#pragma once

#include <CLI/CLI.hpp>
#include <optional>
#include <string>

#include "platform/status.h"
#include "ui/console_ui.h"

namespace orvane::ui {

struct CliContext {
    ConsoleUi ui;
    std::string home;     // --home: program directory
    std::string user;     // --user: name or directory of the local user
    std::string cabinet;  // --cabinet: filing cabinet file
    bool yes = false;
    bool no = false;
    bool json = false;
    int exit_code = 0;

    // The program directory: --home, else the platform's choice. Reports a
    // failure to create it and returns false.
    bool program_directory(std::string* path);
};

// Prints "orvane: MESSAGE" on stderr.
void print_error(const std::string& message);
// True for success; otherwise prints what failed (nothing for a cancel,
// which the user chose) and returns false.
bool succeeded(const platform::Status& status);

// JSON string literal for `text` (UTF-8 passed through, control characters escaped).
std::string json_quote(std::string_view text);

void add_version_command(CLI::App& app, CliContext& context);
void add_status_command(CLI::App& app, CliContext& context);
void add_date_commands(CLI::App& app, CliContext& context);
void add_db_commands(CLI::App& app, CliContext& context);
void add_user_commands(CLI::App& app, CliContext& context);
void add_settings_commands(CLI::App& app, CliContext& context);
void add_cabinet_commands(CLI::App& app, CliContext& context);
void add_text_commands(CLI::App& app, CliContext& context);
void add_write_commands(CLI::App& app, CliContext& context);
void add_packet_commands(CLI::App& app, CliContext& context);
void add_commands_commands(CLI::App& app, CliContext& context);
void add_zmodem_commands(CLI::App& app, CliContext& context);
// After add_settings_commands, which makes the "node" command.
void add_terminal_commands(CLI::App& app, CliContext& context);
void add_search_commands(CLI::App& app, CliContext& context);
void add_address_commands(CLI::App& app, CliContext& context);
void add_import_commands(CLI::App& app, CliContext& context);

}  // namespace orvane::ui
