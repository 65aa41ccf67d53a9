// orvane import: downdumps, session logs and mails that carry them, read
// into the filing cabinet.
#include <cstdio>
#include <memory>

#include "app/address_list_hand_off.h"
#include "app/incoming.h"
#include "platform/directories.h"
#include "texts/ascii.h"
#include "ui/cabinet_access.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

struct ImportRequest {
    std::vector<std::string> files;
    std::string node;
};

std::string absolute(const std::string& path) {
    return !path.empty() && path[0] == '/'
               ? path
               : platform::join_path(platform::current_directory(), path);
}

const char* disposal_word(import::Disposal disposal) {
    switch (disposal) {
        case import::Disposal::kDeleted:
            return "deleted";
        case import::Disposal::kMoved:
            return "moved";
        case import::Disposal::kKept:
            break;
    }
    return "kept";
}

std::string json_status(const platform::Status& status) {
    return status.ok() ? "null" : json_quote(status.text());
}

void print_report(const import::FileReport& report, bool json, bool first) {
    const import::FilingCounts& counts = report.counts;
    if (json) {
        std::printf(
            "%s{\"file\": %s, \"address_list\": %s, \"stored\": %zu, \"replaced\": %zu, "
            "\"command_results\": %zu, \"settled\": %zu, \"updump_errors\": %u, "
            "\"skipped\": %s, \"file_now\": \"%s\", \"error\": %s, \"disposal_error\": %s}",
            first ? "" : ", ", json_quote(report.path).c_str(),
            report.address_list ? "true" : "false", counts.stored, counts.replaced,
            counts.command_results, counts.settled, report.updump_errors,
            report.skipped ? "true" : "false", disposal_word(report.disposal),
            json_status(report.error).c_str(), json_status(report.disposal_error).c_str());
        return;
    }
    if (report.address_list) {
        std::printf("%s: address list%s\n", report.path.c_str(),
                    report.error.ok() ? " handed to the address book" : " not imported");
        return;
    }
    std::printf(
        "%s: %zu stored, %zu replaced, %zu command results, %u errors in the updump%s (%s)\n",
        report.path.c_str(), counts.stored, counts.replaced, counts.command_results,
        report.updump_errors,
        report.skipped ? ", skipped" : (report.error.ok() ? "" : ", not imported"),
        disposal_word(report.disposal));
}

int run(CliContext& context, const ImportRequest& request) {
    CabinetAccess access(context);
    if (!access.open()) return 1;
    texts::NodeKey node = 0;
    if (!request.node.empty()) {
        const settings::NodeEntry* entry =
            request.node.size() == 1 ? access.nodes().by_letter(texts::to_upper(request.node[0]))
                                     : access.nodes().by_name(request.node);
        if (!entry) entry = access.nodes().by_name(request.node);
        if (!entry || !entry->letter) {
            print_error("no node '" + request.node + "' in the node list");
            return 2;
        }
        node = static_cast<texts::NodeKey>(entry->letter);
    }
    app::UserImport user_import;
    user_import.mode = import::ImportMode::kByHand;
    for (const std::string& file : request.files) user_import.files.push_back(absolute(file));
    user_import.node_for_unnamed = node;

    app::AddressListHandOff book(access.application(), access.user_settings(),
                                 access.user_folder());
    import::ImportOutcome outcome;
    if (settings::UserSettings* user = access.user_settings()) {
        if (!context.cabinet.empty()) user_import.main_cabinet = *access.path();
        outcome = app::run_user_import(access.cabinet(), access.nodes(), book, *user,
                                       access.user_folder(), user_import, context.ui);
    } else {
        // A cabinet named alone: the settings' defaults, and long bodies
        // beside the cabinet.
        import::ImportOptions options;
        options.node_for_unnamed = node;
        const std::string& path = access.cabinet().path();
        options.attach_dir = path.substr(0, path.find_last_of('/'));
        import::ImportContext import_context(access.cabinet(), access.nodes(), book, context.ui);
        outcome = import::run_import(import_context, options, user_import.files);
    }

    if (context.json) std::printf("[");
    bool failed = !outcome.error.ok() || outcome.aborted;
    for (size_t i = 0; i < outcome.files.size(); ++i) {
        print_report(outcome.files[i], context.json, i == 0);
        failed = failed || !outcome.files[i].error.ok() || outcome.files[i].skipped ||
                 !outcome.files[i].disposal_error.ok();
    }
    if (context.json) std::printf("]\n");
    for (const std::string& file : outcome.files_to_show)
        std::fprintf(stderr, "orvane: see the file '%s' for the errors\n", file.c_str());
    if (!outcome.error.ok()) succeeded(outcome.error);
    return failed ? 1 : 0;
}

}  // namespace

void add_import_commands(CLI::App& app, CliContext& context) {
    auto request = std::make_shared<ImportRequest>();
    auto* command = app.add_subcommand(
        "import", "Import downdumps, session logs, and mails or archives that carry them");
    command->add_option("FILE", request->files, "A file, or a folder of files to import")
        ->required();
    command->add_option("--node", request->node,
                        "The node of files that do not name it (letter or name)");
    command->callback([&context, request] { context.exit_code = run(context, *request); });
}

}  // namespace orvane::ui
