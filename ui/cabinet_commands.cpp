// `orvane cabinet create|info|repair|link-comments` and `orvane box
// list|create|rename|move|delete`: the filing cabinet and its boxes.
#include <cstdio>
#include <memory>
#include <string>

#include "cabinet/fixed_boxes.h"
#include "platform/file.h"
#include "ui/cabinet_access.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

// Said when a box name was longer than a box name may be.
std::string shortened_note(const std::string& stored, const std::string& typed) {
    if (stored == typed) return {};
    return " (shortened: a box name holds at most " + std::to_string(cabinet::kMaxBoxNameLength) +
           " bytes)";
}

struct CreateRequest {
    std::string password;
    bool search_index = false;
};

int run_create(CliContext& context, const CreateRequest& request) {
    CabinetAccess access(context);
    const std::optional<std::string> path = access.path();
    if (!path) return 1;
    if (platform::file_exists(*path)) {
        print_error("the file '" + *path + "' exists already");
        return 1;
    }
    auto created =
        cabinet::Cabinet::create(*path, {request.password, request.search_index}, context.ui);
    if (!succeeded(created.status())) return 1;
    if (!succeeded((*created)->close())) return 1;
    std::printf("Created the filing cabinet %s\n", path->c_str());
    return 0;
}

int run_info(CliContext& context) {
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    cabinet::Cabinet& cabinet = access.cabinet();
    const cabinet::CabinetHeader& header = cabinet.header();
    uint64_t texts = 0;
    size_t boxes = 0, directories = 0;
    for (const cabinet::BoxEntry& entry : cabinet.boxes().entries()) {
        entry.is_directory() ? ++directories : ++boxes;
        if (entry.is_directory()) continue;
        platform::Result<uint32_t> count = cabinet.text_count(entry.number);
        if (!succeeded(count.status())) return 1;
        texts += *count;
    }
    store::DbStatistics stat;
    const bool have_stat = store::DbStat(cabinet.db(), &stat) == store::kDbOk;
    if (context.json) {
        std::printf(
            "{\"path\": %s, \"read_only\": %s, \"format_level\": %d, \"password\": %s, "
            "\"directories\": %zu, "
            "\"boxes\": %zu, \"texts\": %llu, \"local_counter\": %u, \"search_index\": %s, "
            "\"file_size\": %llu}\n",
            json_quote(cabinet.path()).c_str(), cabinet.read_only() ? "true" : "false",
            header.format_level, header.password_kind ? "true" : "false", directories, boxes,
            static_cast<unsigned long long>(texts), header.local_counter,
            header.index_kept ? "true" : "false",
            static_cast<unsigned long long>(have_stat ? stat.file_size : 0));
        return 0;
    }
    std::printf("Filing cabinet: %s%s\n", cabinet.path().c_str(),
                cabinet.read_only() ? " (read-only)" : "");
    std::printf("Format level:   %d\n", header.format_level);
    std::printf("Password:       %s\n", header.password_kind ? "yes" : "no");
    std::printf("Directories:    %zu\n", directories);
    std::printf("Boxes:          %zu\n", boxes);
    std::printf("Texts filed:    %llu (a text in several boxes counts in each)\n",
                static_cast<unsigned long long>(texts));
    std::printf("Local counter:  %u\n", header.local_counter);
    std::printf(
        "Search index:   %s\n",
        header.index_kept ? (header.index_up_to_date ? "kept, up to date" : "kept") : "not kept");
    if (have_stat)
        std::printf("File size:      %llu bytes in %u blocks\n",
                    static_cast<unsigned long long>(stat.file_size), stat.blocks);
    return 0;
}

int run_repair(CliContext& context) {
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    if (context.ui.ask(platform::MessageId::kRepairQuestion, platform::Buttons::YesNo,
                       platform::Answer::No) != platform::Answer::Yes)
        return 0;
    cabinet::RepairReport report;
    if (!succeeded(access.cabinet().repair({access.home_node_name(), access.home_node()}, &report)))
        return 1;
    std::printf(
        "Repaired: %u texts, %u damaged records deleted, %u boxes recreated, %zu texts missing\n",
        report.texts, report.deleted_records, report.recreated_boxes, report.missing.size());
    return 0;
}

int run_compact(CliContext& context) {
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    if (!succeeded(access.cabinet().check_writable())) return 1;
    if (context.ui.ask(platform::MessageId::kCompactQuestion, platform::Buttons::YesNo,
                       platform::Answer::No) != platform::Answer::Yes)
        return 0;
    store::DbStatistics before, after;
    const bool measured = store::DbStat(access.cabinet().db(), &before) == store::kDbOk;
    if (!succeeded(access.cabinet().compact())) return 1;
    if (measured && store::DbStat(access.cabinet().db(), &after) == store::kDbOk)
        std::printf("Compacted: %u blocks before, %u after\n", before.blocks, after.blocks);
    return 0;
}

int run_link_comments(CliContext& context) {
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    if (!succeeded(access.cabinet().check_writable())) return 1;
    if (context.ui.ask(platform::MessageId::kLinkCommentsQuestion, platform::Buttons::YesNo,
                       platform::Answer::No) != platform::Answer::Yes)
        return 0;
    platform::Result<uint32_t> added = access.cabinet().link_comments();
    if (!succeeded(added.status())) return 1;
    std::printf("Added %u link%s\n", *added, *added == 1 ? "" : "s");
    return 0;
}

int run_box_list(CliContext& context) {
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    cabinet::Cabinet& cabinet = access.cabinet();
    const auto& entries = cabinet.boxes().entries();
    if (context.json) std::printf("[");
    for (size_t i = 0; i < entries.size(); ++i) {
        const cabinet::BoxEntry& entry = entries[i];
        platform::Result<uint32_t> count = entry.is_directory() ? platform::Result<uint32_t>(0u)
                                                                : cabinet.text_count(entry.number);
        if (!succeeded(count.status())) return 1;
        if (context.json) {
            std::printf(
                "%s{\"number\": %u, \"name\": %s, \"parent\": %u, \"depth\": %d, \"directory\": "
                "%s, "
                "\"texts\": %u}",
                i ? ", " : "", entry.number, json_quote(entry.name).c_str(), entry.parent,
                entry.depth, entry.is_directory() ? "true" : "false", *count);
            continue;
        }
        const std::string indent(static_cast<size_t>(entry.depth) * 2, ' ');
        if (entry.is_directory())
            std::printf("%5u  %s%s/\n", entry.number, indent.c_str(), entry.name.c_str());
        else
            std::printf("%5u  %s%s (%u)\n", entry.number, indent.c_str(), entry.name.c_str(),
                        *count);
    }
    if (context.json) std::printf("]\n");
    return 0;
}

struct BoxRequest {
    std::string box;
    std::string name;
    std::string place = "0";
    bool directory = false;
};

int run_box_create(CliContext& context, const BoxRequest& request) {
    CabinetAccess access(context);
    if (!access.open()) return 1;
    const std::optional<uint16_t> parent = access.box(request.place);
    if (!parent) return 1;
    platform::Result<uint16_t> number =
        access.cabinet().create_box(request.name, *parent, request.directory);
    if (!succeeded(number.status())) return 1;
    const std::string& stored = access.cabinet().boxes().find(*number)->name;
    std::printf("Created %s %u \"%s\"%s\n", request.directory ? "directory" : "box", *number,
                stored.c_str(), shortened_note(stored, request.name).c_str());
    return 0;
}

int run_box_rename(CliContext& context, const BoxRequest& request) {
    CabinetAccess access(context);
    if (!access.open()) return 1;
    const std::optional<uint16_t> box = access.box(request.box);
    if (!box || !succeeded(access.cabinet().rename_box(*box, request.name))) return 1;
    const std::string& stored = access.cabinet().boxes().find(*box)->name;
    if (stored != request.name)
        std::printf("Renamed to \"%s\"%s\n", stored.c_str(),
                    shortened_note(stored, request.name).c_str());
    return 0;
}

int run_box_move(CliContext& context, const BoxRequest& request) {
    CabinetAccess access(context);
    if (!access.open()) return 1;
    const std::optional<uint16_t> box = access.box(request.box);
    if (!box) return 1;
    const std::optional<uint16_t> place = access.box(request.place);
    return place && succeeded(access.cabinet().move_box(*box, *place)) ? 0 : 1;
}

int run_box_delete(CliContext& context, const BoxRequest& request) {
    CabinetAccess access(context);
    if (!access.open()) return 1;
    const std::optional<uint16_t> box = access.box(request.box);
    return box && succeeded(access.cabinet().delete_box(*box)) ? 0 : 1;
}

}  // namespace

void add_cabinet_commands(CLI::App& app, CliContext& context) {
    auto* cabinet = app.add_subcommand("cabinet", "Create, inspect and maintain a filing cabinet");
    cabinet->require_subcommand(1);

    auto create = std::make_shared<CreateRequest>();
    auto* make =
        cabinet->add_subcommand("create", "Create an empty filing cabinet with its fixed boxes");
    make->add_option("--password", create->password,
                     "Password asked for when the cabinet is opened");
    make->add_flag("--search-index", create->search_index, "Keep a search index in the cabinet");
    make->callback([&context, create] { context.exit_code = run_create(context, *create); });

    cabinet->add_subcommand("info", "Show the cabinet's header and totals")->callback([&context] {
        context.exit_code = run_info(context);
    });
    cabinet->add_subcommand("repair", "Rebuild the box table and box lists from the texts")
        ->callback([&context] { context.exit_code = run_repair(context); });
    cabinet->add_subcommand("compact", "Make the file smaller by filling each block")
        ->callback([&context] { context.exit_code = run_compact(context); });
    cabinet
        ->add_subcommand("link-comments",
                         "Add the missing opposite links between comments and their texts")
        ->callback([&context] { context.exit_code = run_link_comments(context); });

    auto* box =
        app.add_subcommand("box", "List and arrange the directories and boxes of a filing cabinet");
    box->require_subcommand(1);
    box->add_subcommand("list", "The tree of directories and boxes with their text counts")
        ->callback([&context] { context.exit_code = run_box_list(context); });
    auto request = std::make_shared<BoxRequest>();
    auto* create_box =
        box->add_subcommand("create", "Create a box, or with --directory a directory");
    create_box->add_option("NAME", request->name, "Name of the new box")->required();
    create_box->add_option("--in", request->place,
                           "Directory or box to put it in (default: the top level)");
    create_box->add_flag("--directory", request->directory,
                         "Make a directory, which holds boxes but no texts");
    create_box->callback(
        [&context, request] { context.exit_code = run_box_create(context, *request); });

    auto* rename = box->add_subcommand("rename", "Give a box a new name");
    rename->add_option("BOX", request->box, "Box number or name")->required();
    rename->add_option("NAME", request->name, "The new name")->required();
    rename->callback(
        [&context, request] { context.exit_code = run_box_rename(context, *request); });

    auto* move = box->add_subcommand("move", "Put a box into another directory or box");
    move->add_option("BOX", request->box, "Box number or name")->required();
    move->add_option("PLACE", request->place, "Directory or box to put it in (0: the top level)")
        ->required();
    move->callback([&context, request] { context.exit_code = run_box_move(context, *request); });

    auto* remove = box->add_subcommand("delete", "Delete an empty box or directory");
    remove->add_option("BOX", request->box, "Box number or name")->required();
    remove->callback(
        [&context, request] { context.exit_code = run_box_delete(context, *request); });
}

}  // namespace orvane::ui
