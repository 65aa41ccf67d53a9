// orvane write: new letters, conference texts, answers, comments and
// commands, stored in the Out-Basket for the next mail packet.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <memory>

#include "app/address_books.h"
#include "app/new_items.h"
#include "cabinet/fixed_boxes.h"
#include "packet/compose.h"
#include "platform/directories.h"
#include "platform/file.h"
#include "ui/address_access.h"
#include "ui/cabinet_access.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

struct WriteOptions {
    std::vector<std::string> to, cc, attachments, lines;
    std::string conference, subject, body_file, reference, link_to;
    bool transliterate = false;
};

// The body: the given file, else standard input, else the user's editor
// when standard input is a terminal.
std::optional<std::string> read_body(const WriteOptions& options) {
    std::string body;
    if (!options.body_file.empty()) {
        if (int error = platform::read_whole_file(options.body_file, &body)) {
            print_error("cannot read the file '" + options.body_file +
                        "': " + platform::file_error_text(error));
            return std::nullopt;
        }
        return body;
    }
    if (!isatty(STDIN_FILENO)) {
        body.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
        return body;
    }
    char path[] = "/tmp/orvane-text-XXXXXX";
    int fd = mkstemp(path);
    if (fd < 0) {
        print_error("cannot make a file for the editor");
        return std::nullopt;
    }
    close(fd);
    std::string editor = platform::environment("EDITOR").value_or("vi");
    pid_t pid = fork();
    if (pid == 0) {
        execlp("/bin/sh", "sh", "-c", (editor + " \"$0\"").c_str(), path,
               static_cast<char*>(nullptr));
        _exit(127);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    bool ok = WIFEXITED(status) && WEXITSTATUS(status) == 0 &&
              platform::read_whole_file(path, &body) == 0;
    std::remove(path);
    if (!ok) {
        print_error("the editor '" + editor + "' did not finish; nothing was stored");
        return std::nullopt;
    }
    return body;
}

// Files the item the options describe, written by the user of the cabinet.
// `prepare` fills in what the command adds (the replied text, say); false
// when it could not (it said why).
int store_item(CliContext& context, const WriteOptions& options, app::ItemKind kind,
               const std::function<bool(CabinetAccess&, app::NewItem&)>& prepare = {}) {
    app::NewItem item;
    item.kind = kind;
    item.to = options.to;
    item.cc = options.cc;
    item.subject = options.subject;
    item.attachments = options.attachments;
    item.command_lines = options.lines;
    item.transliterate = options.transliterate;
    if (kind != app::ItemKind::kCommand) {
        std::optional<std::string> body = read_body(options);
        if (!body) return 1;
        item.body = std::move(*body);
    }
    CabinetAccess access(context);
    if (!access.open()) return 1;
    settings::UserSettings* user = access.user_settings();
    if (!user) {
        print_error("new texts need a user to write them; give --user");
        return 1;
    }
    if (!options.link_to.empty()) {
        item.link_as_comment_to = access.text(options.link_to);
        if (!item.link_as_comment_to) return 1;
    }
    if (prepare && !prepare(access, item)) return 1;
    // Receivers are looked up in the address book and written as found.
    AddressAccess addresses(access);
    if (!addresses.open()) return 1;
    item.look_up_receiver = app::receiver_lookup(addresses.books(), *user);
    platform::Result<texts::TextId> stored = app::write_new_item(
        access.cabinet(), *user, item, platform::current_directory(), context.ui);
    if (!succeeded(stored.status())) return 1;
    std::printf("Stored text %s in the Out-Basket.\n", access.text_id(*stored).c_str());
    return 0;
}

void add_text_options(CLI::App* command, WriteOptions& options) {
    command->add_option("--cc", options.cc, "Send a copy to this name (repeatable)");
    command->add_option(
        "--body-file", options.body_file,
        "Take the text from this file (default: standard input, or $EDITOR on a terminal)");
    command->add_option("--attach", options.attachments,
                        "Send this local file with the text (repeatable); also the way to send "
                        "a text too long for the cabinet");
    command->add_flag("--transliterate", options.transliterate,
                      "Replace characters the text's code page cannot hold by their nearest "
                      "form, and say which, instead of refusing them");
}

}  // namespace

void add_write_commands(CLI::App& app, CliContext& context) {
    auto* write = app.add_subcommand(
        "write", "Write a new letter, text, answer, comment or command into the Out-Basket");
    write->require_subcommand(1);
    auto options = std::make_shared<WriteOptions>();

    auto* letter = write->add_subcommand("letter", "A letter to persons");
    letter->add_option("--to", options->to, "Receiver (repeatable)")->required();
    letter->add_option("--subject", options->subject, "Subject line")->required();
    add_text_options(letter, *options);
    letter->add_option("--link-as-comment", options->link_to,
                       "Have the server link it as a comment to this text of your home node");
    letter->callback([&context, options] {
        context.exit_code = store_item(context, *options, app::ItemKind::kLetter);
    });

    auto* text = write->add_subcommand("text", "A text to a conference");
    text->add_option("--conference", options->conference, "The conference")->required();
    text->add_option("--subject", options->subject, "Subject line")->required();
    add_text_options(text, *options);
    text->add_option("--link-as-comment", options->link_to,
                     "Have the server link it as a comment to this text of your home node");
    text->callback([&context, options] {
        options->to = {options->conference};
        context.exit_code = store_item(context, *options, app::ItemKind::kConferenceText);
    });

    for (bool comment : {true, false}) {
        auto* reply = write->add_subcommand(comment ? "comment" : "answer",
                                            comment ? "A comment on a stored text, to its receivers"
                                                    : "An answer to the author of a stored text");
        reply->add_option("ID", options->reference, "The text, as 123, NODE:123 or K:123")
            ->required();
        reply->add_option("--subject", options->subject, "A new subject (default: the text's own)");
        reply->add_option("--to", options->to, "A further receiver (repeatable)");
        add_text_options(reply, *options);
        reply->callback([&context, options, comment] {
            context.exit_code = store_item(
                context, *options, comment ? app::ItemKind::kComment : app::ItemKind::kAnswer,
                [&](CabinetAccess& access, app::NewItem& item) {
                    item.original = access.text(options->reference);
                    return item.original.has_value();
                });
        });
    }

    auto* command = write->add_subcommand("command", "Server commands, one per argument");
    command->add_option("LINE", options->lines, "A command line for the server")->required();
    command->add_flag("--transliterate", options->transliterate,
                      "Replace characters the code page cannot hold by their nearest form");
    command->callback([&context, options] {
        context.exit_code = store_item(context, *options, app::ItemKind::kCommand);
    });
}

}  // namespace orvane::ui
