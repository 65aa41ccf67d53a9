// Commands for local users and nodes, and the shell that runs the program's
// main loop for one user.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "platform/resource_strings.h"
#include "settings/local_users.h"
#include "texts/ascii.h"
#include "ui/program_start.h"

namespace orvane::ui {

namespace {

std::string node_label(const settings::NodeTable& nodes, int node) {
    const settings::NodeEntry* entry = nodes.by_letter(static_cast<char>(node));
    return entry ? entry->name : std::to_string(node);
}

// A node given as its letter, name, alias or number.
const settings::NodeEntry* find_node(const settings::NodeTable& nodes, const std::string& text) {
    if (text.size() == 1) return nodes.by_letter(texts::to_upper(text[0]));
    if (const settings::NodeEntry* node = nodes.by_name(text)) return node;
    if (!text.empty() && texts::is_digit(text[0]))
        return nodes.by_letter(static_cast<char>(std::atoi(text.c_str())));
    return nullptr;
}

// A user named on the command line; says why there is none.
std::optional<size_t> named_user(app::Application& application, const std::string& given) {
    if (given.empty()) {
        print_error("give the name or folder of the user");
        return std::nullopt;
    }
    return chosen_user(application, given);
}

int run_user_list(CliContext& context) {
    app::Application application(context.ui, no_chooser());
    if (!start_program(application, context)) return 1;
    const auto& list = application.users();
    const auto& nodes = application.nodes();
    if (context.json) {
        std::printf("[");
        for (size_t i = 0; i < list.users.size(); ++i) {
            const auto& user = list.users[i];
            std::printf(
                "%s{\"name\": %s, \"node\": %s, \"folder\": %s, \"present\": %s, \"default\": %s, "
                "\"batch_mode\": %u}",
                i ? ", " : "", json_quote(user.name).c_str(),
                json_quote(node_label(nodes, user.node)).c_str(), json_quote(user.folder).c_str(),
                user.present ? "true" : "false",
                static_cast<int>(i) == list.default_index ? "true" : "false", user.batch_mode);
        }
        std::printf("]\n");
        return 0;
    }
    if (list.users.empty()) std::printf("No local users yet.\n");
    for (size_t i = 0; i < list.users.size(); ++i) {
        const auto& user = list.users[i];
        std::printf("%c %-30s on %-9s %s%s\n",
                    static_cast<int>(i) == list.default_index ? '*' : ' ',
                    user.name.empty() ? "(no name)" : user.name.c_str(),
                    node_label(nodes, user.node).c_str(), user.folder.c_str(),
                    user.present ? "" : "  (folder missing)");
    }
    return 0;
}

struct AddOptions {
    std::string node = "C";
    std::string name;
    std::string folder;
    std::string existing;
    bool ask_password = false;
};

// Long enough that a password typed too long is refused, not cut.
constexpr size_t kPasswordEntryLength = 4096;

int run_user_add(CliContext& context, const AddOptions& options) {
    app::Application application(context.ui, no_chooser());
    if (!start_program(application, context)) return 1;
    auto& places = application.places();
    auto& users = application.users();
    if (!options.existing.empty()) {
        platform::Result<int> index =
            settings::adopt_user_folder(places, users, absolute_path(options.existing));
        if (!succeeded(index.status())) return 1;
        std::printf("Listed the user in %s\n",
                    users.users[static_cast<size_t>(*index)].folder.c_str());
        return 0;
    }
    const settings::NodeEntry* node = find_node(application.nodes(), options.node);
    if (!node || !node->letter) {
        print_error("unknown node '" + options.node + "'; 'orvane node list' shows the nodes");
        return 2;
    }
    settings::NewUserRequest request;
    request.node = node->letter;
    request.name = options.name;
    if (!succeeded(settings::check_user_name(request.name))) return 2;
    request.folder = options.folder.empty()
                         ? settings::propose_user_folder(places.users_directory(), options.name)
                         : absolute_path(options.folder);
    if (options.ask_password) {
        auto password = context.ui.enter_password("Password (optional):", kPasswordEntryLength);
        if (!password) return 1;
        request.password = *password;
    }
    if (!succeeded(settings::check_new_user_request(request))) return 2;
    int existing = -1;
    switch (settings::check_new_user(users, request, context.ui, &existing)) {
        case settings::NewUserCheck::Create:
            break;
        case settings::NewUserCheck::UseExisting:
            std::printf("Using the existing folder %s\n",
                        users.users[static_cast<size_t>(existing)].folder.c_str());
            return 0;
        case settings::NewUserCheck::Cancelled:
            return 1;
        case settings::NewUserCheck::FolderExists:
            succeeded(platform::Status::message(platform::MessageId::kNameExists));
            print_error("the folder '" + request.folder + "' exists; give another with --folder");
            return 1;
    }
    int index = application.request_new_user(request);
    if (index < 0) return 1;  // the core has said why
    std::printf("Added %s on %s in %s\n", request.name.c_str(), node->name.c_str(),
                users.users[static_cast<size_t>(index)].folder.c_str());
    return 0;
}

// The typed confirmation for erasing a user, asked on the terminal; without
// one, what would be erased is shown and nothing is.
std::optional<std::string> erase_confirmation(CliContext& context, const std::string& explanation) {
    if (!context.ui.can_ask()) {
        std::fprintf(stderr, "%s", explanation.c_str());
        print_error("there is no terminal to type the confirmation on; give it with --confirm \"" +
                    platform::resource_string(platform::MessageId::kErasePhrase) + "\"");
        return std::nullopt;
    }
    std::fprintf(stderr, "%s%s\n", explanation.c_str(),
                 platform::resource_string(platform::MessageId::kTypeErasePhrase).c_str());
    return context.ui.enter_text("Confirmation:", {}, 64);
}

int run_user_delete(CliContext& context, const std::string& who, bool erase,
                    const std::string& confirmation) {
    app::Application application(context.ui, no_chooser());
    if (!start_program(application, context)) return 1;
    auto index = named_user(application, who);
    if (!index) return 1;
    const settings::UserEntry user = application.users().users[*index];
    const std::string name = user.name.empty() ? "the user without a name" : user.name;
    if (erase) {
        std::optional<std::string> typed = confirmation;
        if (typed->empty()) {
            typed = erase_confirmation(
                context, settings::erase_explanation(user, application.places().users_directory(),
                                                     application.nodes()));
        }
        if (!typed || !settings::erase_confirmed(*typed)) {
            print_error("the confirmation was not given; nothing was deleted");
            return 1;
        }
    }
    platform::Status deleted =
        settings::delete_user(application.places(), application.users(), *index, erase);
    if (!succeeded(deleted)) return 1;
    if (erase) {
        std::printf("Erased %s and the files in %s.\n", name.c_str(), user.folder.c_str());
    } else {
        std::printf("Removed %s from the list of users; the folder %s is left as it is.\n",
                    name.c_str(), user.folder.c_str());
    }
    return 0;
}

int run_user_default(CliContext& context, const std::string& who, bool clear) {
    app::Application application(context.ui, no_chooser());
    if (!start_program(application, context)) return 1;
    auto& users = application.users();
    if (clear) {
        if (!succeeded(users.set_default(application.common().file(), -1,
                                         application.program_directory())))
            return 1;
        std::printf("No default user.\n");
        return 0;
    }
    if (who.empty()) {
        if (users.default_index < 0) {
            std::printf("No default user.\n");
        } else {
            const auto& user = users.users[static_cast<size_t>(users.default_index)];
            std::printf("%s (%s)\n", user.name.c_str(), user.folder.c_str());
        }
        return 0;
    }
    auto index = named_user(application, who);
    if (!index) return 1;
    if (!succeeded(users.set_default(application.common().file(), static_cast<int>(*index),
                                     application.program_directory())))
        return 1;
    std::printf("%s is opened when orvane starts.\n", users.users[*index].name.c_str());
    return 0;
}

int run_node_list(CliContext& context) {
    app::Application application(context.ui, no_chooser());
    if (!start_program(application, context)) return 1;
    const auto& nodes = application.nodes();
    int chosen = application.common().chosen_connection(nodes);
    if (context.json) {
        std::printf("{\"version\": %d, \"nodes\": [", nodes.version);
        for (size_t i = 0; i < nodes.nodes.size(); ++i) {
            const auto& node = nodes.nodes[i];
            std::printf(
                "%s{\"letter\": %s, \"name\": %s, \"alias\": %s, \"active\": %s, \"program\": %s, "
                "\"domains\": [",
                i ? ", " : "", json_quote(node.letter ? std::string(1, node.letter) : "").c_str(),
                json_quote(node.name).c_str(), json_quote(node.alias).c_str(),
                node.active ? "true" : "false", json_quote(node.program).c_str());
            for (size_t d = 0; d < node.domains.size(); ++d) {
                std::printf("%s%s", d ? ", " : "", json_quote(node.domains[d]).c_str());
            }
            std::printf("]}");
        }
        std::printf("], \"connections\": [");
        for (size_t i = 0; i < nodes.connections.size(); ++i) {
            std::printf("%s%s", i ? ", " : "", json_quote(nodes.connections[i]).c_str());
        }
        std::printf("], \"connection\": %d}\n", chosen);
        return 0;
    }
    std::printf("Node information version %d\n", nodes.version);
    for (const auto& node : nodes.nodes) {
        std::string domains;
        for (const auto& domain : node.domains) domains += (domains.empty() ? "" : ", ") + domain;
        std::printf("  %c  %-9s %-9s %-8s %s\n", node.letter ? node.letter : '-', node.name.c_str(),
                    node.alias.c_str(), node.active ? "active" : "inactive", domains.c_str());
    }
    std::printf("Connections:\n");
    for (size_t i = 0; i < nodes.connections.size(); ++i) {
        std::printf("%c %zu  %s\n", static_cast<int>(i) + 1 == chosen ? '*' : ' ', i + 1,
                    nodes.connections[i].c_str());
    }
    return 0;
}

// The user selection of the shell: a choice by number on the terminal.
app::UserChooser shell_chooser(CliContext& context) {
    return [&context](const settings::UsersList& list) -> std::optional<app::UserChoice> {
        if (list.users.empty()) {
            print_error("there is no local user yet; add one with 'orvane user add'");
            return std::nullopt;
        }
        for (size_t i = 0; i < list.users.size(); ++i) {
            std::fprintf(stderr, "%zu  %s  (%s)\n", i + 1, list.users[i].name.c_str(),
                         list.users[i].folder.c_str());
        }
        auto answer = context.ui.enter_text("Number of the user to open (empty to end):", {}, 8);
        if (!answer || answer->empty()) return std::nullopt;
        int number = std::atoi(answer->c_str());
        if (number < 1 || static_cast<size_t>(number) > list.users.size()) return std::nullopt;
        return app::UserChoice{static_cast<size_t>(number) - 1, false};
    };
}

// Lines on standard input while the shell runs: "switch" returns to the
// user selection, "quit" (or the end of input) ends the program.
void read_shell_input(app::Application& application, std::string& pending) {
    char buffer[512];
    ssize_t count = ::read(STDIN_FILENO, buffer, sizeof buffer);
    if (count < 0 && (errno == EAGAIN || errno == EINTR)) return;
    if (count <= 0) {
        application.request_quit();
        return;
    }
    pending.append(buffer, static_cast<size_t>(count));
    for (size_t end = pending.find('\n'); end != std::string::npos; end = pending.find('\n')) {
        std::string line = pending.substr(0, end);
        pending.erase(0, end + 1);
        if (line == "quit") {
            application.request_quit();
        } else if (line == "switch") {
            application.request_user_switch();
        } else if (!line.empty()) {
            print_error("unknown shell command '" + line + "' (known: switch, quit)");
        }
    }
}

int run_shell(CliContext& context) {
    app::Application application(context.ui, shell_chooser(context));
    if (!start_program(application, context)) return 1;
    if (!context.user.empty()) {
        auto index = chosen_user(application, context.user);
        if (!index) return 1;
        application.set_first_user(*index);
    }
    application.set_user_opened([](app::UserSession& session) {
        std::fprintf(
            stderr,
            "Opened %s in %s. Type 'switch' for another user; 'quit' or the end of input ends.\n",
            session.settings.values.user.name.c_str(), session.folder.c_str());
    });
    std::string pending;
    // The end of piped input arrives as a hang-up, not as something to read.
    platform::EventLoop::Registration input = application.loop().watch(
        STDIN_FILENO, platform::kFdRead | platform::kFdClose, [&](uint32_t event, int) {
            if (event == platform::kFdClose) {
                input.cancel();
                application.request_quit();
                return;
            }
            read_shell_input(application, pending);
        });
    application.run_user_loop();
    application.shutdown();
    return 0;
}

}  // namespace

void add_user_commands(CLI::App& app, CliContext& context) {
    auto* user = app.add_subcommand("user", "Manage the local users");
    user->require_subcommand(1);
    user->add_subcommand("list", "List the local users (* marks the default user)")
        ->callback([&context] { context.exit_code = run_user_list(context); });

    auto add_options = std::make_shared<AddOptions>();
    auto* add = user->add_subcommand("add", "Add a local user with a folder of its own");
    add->add_option("--node", add_options->node, "Home node: letter, name or number")
        ->default_str("C");
    add->add_option("--name", add_options->name, "The user's name on the node");
    add->add_option("--folder", add_options->folder,
                    "Folder of the user (default: proposed from the name)");
    add->add_option("--existing", add_options->existing,
                    "List an existing setup in this folder instead");
    add->add_flag("--password", add_options->ask_password,
                  "Ask for the user's password on the node");
    add->callback([&context, add_options] {
        if (add_options->name.empty() && add_options->existing.empty()) {
            print_error("give the user's --name (or --existing FOLDER)");
            context.exit_code = 2;
            return;
        }
        context.exit_code = run_user_add(context, *add_options);
    });

    auto who = std::make_shared<std::string>();
    auto erase = std::make_shared<bool>(false);
    auto confirmation = std::make_shared<std::string>();
    auto* remove =
        user->add_subcommand("delete", "Remove a user from the list, or erase the user's files");
    remove->add_option("user", *who, "Name or folder of the user")->required();
    remove->add_flag("--erase", *erase,
                     "Also delete the user's settings, filing cabinets and address book");
    remove->add_option("--confirm", *confirmation, "The confirmation phrase, instead of typing it");
    remove->callback([&context, who, erase, confirmation] {
        context.exit_code = run_user_delete(context, *who, *erase, *confirmation);
    });

    auto default_user = std::make_shared<std::string>();
    auto clear = std::make_shared<bool>(false);
    auto* make_default = user->add_subcommand("default", "Show or set the user opened at start");
    make_default->add_option("user", *default_user, "Name or folder of the user");
    make_default->add_flag("--clear", *clear, "Open no user without asking");
    make_default->callback([&context, default_user, clear] {
        context.exit_code = run_user_default(context, *default_user, *clear);
    });

    auto* node = app.add_subcommand("node", "Show the nodes of the network");
    node->require_subcommand(1);
    node->add_subcommand("list", "List the nodes and the connections (* marks the one used)")
        ->callback([&context] { context.exit_code = run_node_list(context); });

    app.add_subcommand("shell",
                       "Open a user and run the program until the end of input ('switch', 'quit')")
        ->callback([&context] { context.exit_code = run_shell(context); });
}

}  // namespace orvane::ui
