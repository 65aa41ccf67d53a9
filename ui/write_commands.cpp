// orvane write: new letters, conference texts, answers, comments and
// commands, stored in the Out-Basket for the next mail packet.
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <iterator>
#include <memory>

#include "app/outgoing.h"
#include "cabinet/fixed_boxes.h"
#include "packet/compose.h"
#include "platform/directories.h"
#include "platform/file.h"
#include "ui/cabinet_access.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

struct WriteOptions {
    std::vector<std::string> to, cc, attachments, lines;
    std::string conference, subject, body_file, reference;
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

using MakeItem = std::function<platform::Result<texts::TextRecord>(
    CabinetAccess&, const packet::Writer&, texts::TextId)>;

// Stores a new out-basket item made by `make` from the user's writer
// details and a fresh local number.
int store_item(CliContext& context, const MakeItem& make) {
    CabinetAccess access(context);
    if (!access.open()) return 1;
    settings::UserSettings* user = access.user_settings();
    if (!user) {
        print_error("new texts need a user to write them; give --user");
        return 1;
    }
    const packet::Writer writer = app::writer_for(*user);
    platform::Result<texts::TextId> stored = app::store_new_item(
        access.cabinet(), [&](texts::TextId id) { return make(access, writer, id); });
    if (!succeeded(stored.status())) return 1;
    std::printf("Stored text %s in the Out-Basket.\n", access.text_id(*stored).c_str());
    return 0;
}

packet::Draft draft_of(const WriteOptions& options, std::string body) {
    packet::Draft draft;
    draft.to = options.to;
    draft.cc = options.cc;
    draft.subject = options.subject;
    draft.body = std::move(body);
    draft.attachments = options.attachments;
    return draft;
}

bool attachments_exist(const WriteOptions& options) {
    for (const auto& path : options.attachments) {
        if (!platform::file_exists(path)) {
            print_error("no file '" + path + "' to attach");
            return false;
        }
    }
    return true;
}

void add_text_options(CLI::App* command, WriteOptions& options) {
    command->add_option("--cc", options.cc, "Send a copy to this name (repeatable)");
    command->add_option(
        "--body-file", options.body_file,
        "Take the text from this file (default: standard input, or $EDITOR on a terminal)");
    command->add_option("--attach", options.attachments,
                        "Send this local file with the text (repeatable)");
}

}  // namespace

void add_write_commands(CLI::App& app, CliContext& context) {
    auto* write = app.add_subcommand(
        "write", "Write a new letter, text, answer, comment or command into the Out-Basket");
    write->require_subcommand(1);
    auto options = std::make_shared<WriteOptions>();
    const uint32_t now = static_cast<uint32_t>(platform::system_env().now_utc());

    auto* letter = write->add_subcommand("letter", "A letter to persons");
    letter->add_option("--to", options->to, "Receiver (repeatable)")->required();
    letter->add_option("--subject", options->subject, "Subject line")->required();
    add_text_options(letter, *options);
    letter->callback([&context, options, now] {
        if (!attachments_exist(*options)) return void(context.exit_code = 1);
        auto body = read_body(*options);
        if (!body) return void(context.exit_code = 1);
        context.exit_code =
            store_item(context, [&](CabinetAccess&, const packet::Writer& w, texts::TextId id) {
                return platform::Result<texts::TextRecord>(
                    packet::compose_text(id, now, w, draft_of(*options, *body), true));
            });
    });

    auto* text = write->add_subcommand("text", "A text to a conference");
    text->add_option("--conference", options->conference, "The conference")->required();
    text->add_option("--subject", options->subject, "Subject line")->required();
    add_text_options(text, *options);
    text->callback([&context, options, now] {
        if (!attachments_exist(*options)) return void(context.exit_code = 1);
        auto body = read_body(*options);
        if (!body) return void(context.exit_code = 1);
        options->to = {options->conference};
        context.exit_code =
            store_item(context, [&](CabinetAccess&, const packet::Writer& w, texts::TextId id) {
                return platform::Result<texts::TextRecord>(
                    packet::compose_text(id, now, w, draft_of(*options, *body), false));
            });
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
        reply->callback([&context, options, now, comment] {
            if (!attachments_exist(*options)) return void(context.exit_code = 1);
            auto body = read_body(*options);
            if (!body) return void(context.exit_code = 1);
            context.exit_code = store_item(
                context, [&](CabinetAccess& access, const packet::Writer& w, texts::TextId id) {
                    std::optional<texts::TextRecord> original = access.text(options->reference);
                    if (!original)
                        return platform::Result<texts::TextRecord>(
                            platform::Status::cancelled());  // said already
                    return platform::Result<texts::TextRecord>(packet::compose_reply(
                        id, now, w, *original, draft_of(*options, *body), comment));
                });
        });
    }

    auto* command = write->add_subcommand("command", "Server commands, one per argument");
    command->add_option("LINE", options->lines, "A command line for the server")->required();
    command->callback([&context, options, now] {
        context.exit_code =
            store_item(context, [&](CabinetAccess&, const packet::Writer& w, texts::TextId id) {
                return platform::Result<texts::TextRecord>(
                    packet::compose_command(id, now, w, options->lines));
            });
    });
}

}  // namespace orvane::ui
