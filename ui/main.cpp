// The orvane command: the console front end of the program.
#include <CLI/CLI.hpp>
#include <csignal>
#include <cstdio>

#include "app/crash_report.h"
#include "platform/directories.h"
#include "platform/resource_strings.h"
#include "ui/cli.h"

int main(int argc, char** argv) {
    using namespace orvane;
    app::install_crash_handler(platform::kVersionText, app::kSupportAddress,
                               platform::application_data_directory());

    ui::CliContext context;
    platform::install_out_of_memory_handler(&context.ui);

    // A reader or the peer of a transfer that goes away must end a write
    // with an error, not end the program.
    std::signal(SIGPIPE, SIG_IGN);

    CLI::App cli{"Orvane: an off-line reader and writer for the QOR conferencing network.",
                 "orvane"};
    cli.require_subcommand(1);
    // The global options may stand anywhere, also after the command, as
    // people type them: a command passes what it does not know up to here.
    cli.fallthrough();
    cli.add_option("--home", context.home,
                   "Program directory (default: $ORVANE_HOME or ~/.local/share/orvane)");
    cli.add_option("--user", context.user, "Local user to work as, by name or directory");
    cli.add_option("--cabinet", context.cabinet, "Filing cabinet file to work on");
    auto* yes = cli.add_flag("--yes", context.yes, "Answer every question with Yes (or OK)");
    cli.add_flag("--no", context.no, "Answer every question with No (or Cancel)")->excludes(yes);
    cli.add_flag("--json", context.json, "Machine-readable output of listings");

    cli.parse_complete_callback([&context] {
        if (context.yes) context.ui.set_forced_answer(true);
        if (context.no) context.ui.set_forced_answer(false);
    });

    ui::add_version_command(cli, context);
    ui::add_status_command(cli, context);
    ui::add_date_commands(cli, context);
    ui::add_db_commands(cli, context);
    ui::add_user_commands(cli, context);
    ui::add_settings_commands(cli, context);
    ui::add_cabinet_commands(cli, context);
    ui::add_text_commands(cli, context);
    ui::add_write_commands(cli, context);
    ui::add_packet_commands(cli, context);
    ui::add_commands_commands(cli, context);
    ui::add_zmodem_commands(cli, context);
    ui::add_terminal_commands(cli, context);
    ui::add_search_commands(cli, context);
    ui::add_address_commands(cli, context);
    ui::add_import_commands(cli, context);

    try {
        cli.parse(argc, argv);
    } catch (const CLI::CallForHelp& e) {
        return cli.exit(e);
    } catch (const CLI::CallForAllHelp& e) {
        return cli.exit(e);
    } catch (const CLI::ParseError& e) {
        cli.exit(e);
        return 2;
    }
    return context.exit_code;
}
