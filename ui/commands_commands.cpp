// orvane commands: the catalogue of server commands, favourites, and
// commands built from their templates into the Out-Basket.
#include <cstdio>
#include <memory>

#include "app/command_commit.h"
#include "app/outgoing.h"
#include "commands/catalogue_loader.h"
#include "commands/codes.h"
#include "commands/command_request.h"
#include "packet/file_names.h"
#include "platform/file.h"
#include "platform/resource_strings.h"
#include "texts/ascii.h"
#include "ui/cabinet_access.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

using commands::Catalogue;
using commands::CatalogueLine;

struct CommandsOptions {
    std::string name;
    bool all = false;
    std::string topic;
    bool off = false;
    std::vector<std::string> sets;
    std::vector<std::string> ticks;
    std::string schedule_on;
    std::vector<std::string> every;
    std::string until;
    bool until_given = false;
    bool unschedule = false;
    bool dry_run = false;
    std::vector<std::string> command_lines;
    std::string text_file;
    std::string subject;
};

// The catalogue as the user of `access` sees it: his favourites marked.
std::optional<Catalogue> load_catalogue(CliContext& context, CabinetAccess& access) {
    std::string home;
    if (!access.path() || !context.program_directory(&home)) return std::nullopt;
    if (!access.user_settings()) {
        print_error("the command catalogue is read for a user; give --user");
        return std::nullopt;
    }
    platform::Result<Catalogue> catalogue = commands::load_catalogue(home, context.ui);
    if (!succeeded(catalogue.status())) return std::nullopt;
    // A stale favourite that could not be deleted costs nothing more.
    succeeded(commands::apply_favourites(*catalogue, access.user_settings()->file()));
    return std::move(*catalogue);
}

commands::Viewer viewer_of(const settings::UserSettings& user) {
    return {user.values.user.privilege, user.values.options.expert != 0};
}

// The command or topic `name` stands for; says why there is none.
const CatalogueLine* find_line(const Catalogue& catalogue, const std::string& name) {
    commands::FoundEntry found = catalogue.find(name);
    if (found.line) return found.line;
    if (found.candidates.empty()) {
        succeeded(platform::Status::message(platform::MessageId::kNoSuchCommand, {name}));
    } else {
        std::string names;
        for (const CatalogueLine* line : found.candidates)
            names += (names.empty() ? "" : ", ") + line->text;
        succeeded(platform::Status::message(platform::MessageId::kNameAmbiguous, {name, names}));
    }
    return nullptr;
}

// A topic by its name, or the one topic whose name begins so.
const CatalogueLine* find_topic(const Catalogue& catalogue, const std::string& name) {
    std::vector<const CatalogueLine*> found;
    for (const CatalogueLine& line : catalogue.lines()) {
        if (!line.is_topic()) continue;
        if (texts::equals_ignoring_case(line.text, name)) return &line;
        if (texts::starts_with_ignoring_case(line.text, name)) found.push_back(&line);
    }
    if (found.size() == 1) return found.front();
    succeeded(platform::Status::message(platform::MessageId::kNoSuchCommand, {name}));
    return nullptr;
}

const char* block_name(commands::Block block) {
    switch (block) {
        case commands::Block::kManually:
            return "manually";
        case commands::Block::kFavourites:
            return "favourites";
        case commands::Block::kFile:
            return "file";
        case commands::Block::kAlphabetical:
            return "alphabetical";
    }
    return "";
}

void print_entries(const CliContext& context, const Catalogue& catalogue,
                   const std::vector<commands::ListEntry>& entries) {
    if (context.json) {
        std::printf("[");
        for (size_t i = 0; i < entries.size(); ++i) {
            const CatalogueLine& line = catalogue.line_of(entries[i]);
            std::printf(
                "%s{\"text\": %s, \"topic\": %s, \"block\": \"%s\", \"level\": %d, "
                "\"schedulable\": %s, \"favourite\": %s, \"collapsed\": %s}",
                i ? ", " : "", json_quote(line.text).c_str(), line.is_topic() ? "true" : "false",
                block_name(entries[i].block), line.level,
                line.flag == commands::kSchedulable ? "true" : "false",
                catalogue.is_favourite(line) ? "true" : "false",
                catalogue.is_collapsed(line) ? "true" : "false");
        }
        std::printf("]\n");
        return;
    }
    for (const commands::ListEntry& entry : entries) {
        const CatalogueLine& line = catalogue.line_of(entry);
        if (line.is_topic()) {
            std::printf("%s%s\n", line.text.c_str(),
                        catalogue.is_collapsed(line) ? " (collapsed)" : "");
            continue;
        }
        const bool top = entry.block == commands::Block::kManually ||
                         entry.block == commands::Block::kFavourites;
        std::printf("%c%s%s\n", catalogue.is_favourite(line) ? '!' : ' ', top ? " " : "   ",
                    line.text.c_str());
    }
}

int list(CliContext& context, const CommandsOptions& options) {
    CabinetAccess access(context);
    std::optional<Catalogue> catalogue = load_catalogue(context, access);
    if (!catalogue) return 1;
    const commands::Viewer viewer = viewer_of(*access.user_settings());
    if (!options.topic.empty()) {
        const CatalogueLine* topic = find_topic(*catalogue, options.topic);
        if (!topic) return 1;
        // The topic's entries, whether it is collapsed or not.
        std::vector<commands::ListEntry> entries;
        bool inside = false;
        for (const commands::ListEntry& entry : catalogue->entries()) {
            const CatalogueLine& line = catalogue->line_of(entry);
            if (line.is_topic()) inside = &line == topic;
            if (inside && !line.is_topic() && commands::level_allows(line.level, viewer))
                entries.push_back(entry);
        }
        print_entries(context, *catalogue, entries);
        return 0;
    }
    if (options.all) {
        for (const CatalogueLine& line : catalogue->lines())
            if (catalogue->is_collapsed(line)) catalogue->toggle_topic(line);
    }
    print_entries(context, *catalogue, catalogue->visible(viewer));
    return 0;
}

// How a field of each kind is filled on the command line.
std::string how_to_fill(const commands::CodeInfo& info) {
    using commands::FieldKind;
    switch (info.kind) {
        case FieldKind::kName:
            return "a name, looked up in the address book" +
                   std::string(info.names & commands::name_kind::kAddresses
                                   ? ", or an e-mail address"
                                   : "");
        case FieldKind::kNewNameCopy:
            return "the new name (--set L=...)";
        case FieldKind::kText:
            return "text";
        case FieldKind::kFileName:
            return "a local file";
        case FieldKind::kUpload:
            return "a local file; u.description=... describes it";
        case FieldKind::kMultiLineText:
            return "the text (--text-file FILE or --set E=...)";
        case FieldKind::kCheckBox:
            return "--tick " + std::string(1, info.code);
        case FieldKind::kExpiration:
            return "a number and day, week, month or year";
        case FieldKind::kAddress:
            return "H.addr1, H.addr2, H.addr3, H.country, H.phone";
        case FieldKind::kAliases:
            return "K.1, K.2, K.3";
        case FieldKind::kRealName:
            return "the full name, with an e-mail address";
        case FieldKind::kCharset:
            return "win west, win east, win cyr, default or ascii";
        case FieldKind::kDate:
            return "a date, day month year";
        case FieldKind::kPrivilege:
            return "No Privilege, User, Organizer, Operator or Administrator";
        case FieldKind::kJoin:
        case FieldKind::kNote:
            return "nothing to fill in";
        case FieldKind::kPassword:
            return "a new password, or --tick k to make one";
        case FieldKind::kLineLimit:
            return "a number of lines, or no limit";
        case FieldKind::kConferenceType:
            return "q.<type word>=on|off, such as q.public=on or q.comments=off";
        case FieldKind::kWriteAccess:
            return "x.writeprot=on|off, x.onlymembers=on|off";
        case FieldKind::kNumber:
        case FieldKind::kYear:
            return "a number";
        case FieldKind::kSettings:
            return "s.<setting>=on|off, such as s.parent=on or s.spamfilter=off";
        case FieldKind::kAttachmentLimit:
            return "no, always, or a size in KB";
        case FieldKind::kForwarding:
            return "an address or none; w.what, w.how, w.sharing, w.copy";
    }
    return {};
}

int show(CliContext& context, const CommandsOptions& options) {
    CabinetAccess access(context);
    std::optional<Catalogue> catalogue = load_catalogue(context, access);
    if (!catalogue) return 1;
    const CatalogueLine* line = find_line(*catalogue, options.name);
    if (!line) return 1;
    std::printf("%s\n", line->text.c_str());
    if (line->is_topic()) {
        std::printf("  a topic%s\n", catalogue->is_collapsed(*line) ? ", collapsed" : "");
        return 0;
    }
    static const char* const kLevels[] = {"everybody",  "experts",   "users",
                                          "organizers", "operators", "administrators"};
    std::printf("  for:       %s\n", kLevels[line->level]);
    std::printf("  schedule:  %s\n",
                line->flag == commands::kSchedulable ? "may be scheduled" : "may not be scheduled");
    std::printf("  favourite: %s\n", catalogue->is_favourite(*line) ? "yes" : "no");
    std::printf("  template:  %s\n", line->template_text.c_str());
    // A field beyond the user's privilege is not shown, as it yields nothing.
    const int privilege = access.user_settings()->values.user.privilege;
    std::string seen;
    for (const commands::CodeUse& use : commands::scan_codes(line->template_text)) {
        if (seen.find(use.code) != std::string::npos || use.privilege > privilege) continue;
        seen += use.code;
        const commands::CodeInfo* info = commands::code_info(use.code);
        std::string label = commands::field_label(use.code, use.prompt);
        std::string how = info ? how_to_fill(*info) : "a code this program does not know";
        std::printf("  %c  %s: %s\n", use.code, label.c_str(), how.c_str());
    }
    return 0;
}

int favourite(CliContext& context, const CommandsOptions& options) {
    CabinetAccess access(context);
    std::optional<Catalogue> catalogue = load_catalogue(context, access);
    if (!catalogue) return 1;
    const CatalogueLine* line = find_line(*catalogue, options.name);
    if (!line) return 1;
    if (!succeeded(commands::set_favourite(*catalogue, *line, !options.off,
                                           access.user_settings()->file())))
        return 1;
    std::printf("%s is %s a favourite.\n", line->text.c_str(), options.off ? "no longer" : "now");
    return 0;
}

// The fields of --set and --tick; false after saying what is wrong.
bool read_input(const CommandsOptions& options, commands::CommandInput* input) {
    size_t aliases = 0;
    for (const std::string& set : options.sets) {
        size_t equals = set.find('=');
        if (equals == std::string::npos || equals == 0) {
            print_error("--set takes CODE=VALUE, not '" + set + "'");
            return false;
        }
        std::string key = set.substr(0, equals);
        // Aliases one after the other: --set K=a --set K=b.
        if (key == "K") key = "K." + std::to_string(++aliases);
        input->values[key] = set.substr(equals + 1);
    }
    for (const std::string& tick : options.ticks) {
        if (tick.size() != 1) {
            print_error("--tick takes one code letter, not '" + tick + "'");
            return false;
        }
        input->ticked.insert(tick[0]);
    }
    if (!options.text_file.empty()) {
        std::string text;
        if (int error = platform::read_whole_file(options.text_file, &text)) {
            print_error("cannot read the file '" + options.text_file +
                        "': " + platform::file_error_text(error));
            return false;
        }
        input->values["E"] = text;
    }
    return true;
}

std::optional<commands::ScheduleRequest> schedule_of(const CommandsOptions& options, bool* ok) {
    *ok = true;
    if (options.unschedule) return commands::ScheduleRequest{true, {}, std::nullopt};
    if (options.schedule_on.empty()) {
        if (!options.every.empty() || options.until_given) {
            print_error("--every and --until need --schedule-on");
            *ok = false;
        }
        return std::nullopt;
    }
    commands::ScheduleRequest request;
    request.first_date = options.schedule_on;
    if (!options.every.empty()) {
        commands::Repetition repetition;
        std::optional<commands::RepeatUnit> unit = commands::unit_of_word(options.every.back());
        if (!unit || options.every.size() > 2) {
            print_error("--every takes [N] day|week|month|year");
            *ok = false;
            return std::nullopt;
        }
        repetition.unit = *unit;
        if (options.every.size() == 2) repetition.count = options.every.front();
        if (options.until_given) repetition.last_date = options.until;
        request.repetition = repetition;
    } else if (options.until_given) {
        print_error("--until needs --every");
        *ok = false;
    }
    return request;
}

void print_prepared(const commands::PreparedCommand& prepared) {
    for (const std::string& line : prepared.body.lines) std::printf("%s\n", line.c_str());
    std::printf("Subject: %s\n", prepared.subject.c_str());
}

int add(CliContext& context, const CommandsOptions& options) {
    CabinetAccess access(context);
    std::optional<Catalogue> catalogue = load_catalogue(context, access);
    if (!catalogue) return 1;
    const CatalogueLine* line = find_line(*catalogue, options.name);
    if (!line) return 1;
    settings::UserSettings& user = *access.user_settings();
    if (!commands::level_allows(line->level, viewer_of(user))) {
        succeeded(platform::Status::message(platform::MessageId::kCommandNotListed, {line->text}));
        return 1;
    }

    commands::CommandRequest request;
    request.line = line;
    if (!read_input(options, &request.input)) return 1;
    bool schedule_ok = true;
    request.schedule = schedule_of(options, &schedule_ok);
    if (!schedule_ok) return 2;
    if (!options.command_lines.empty()) {
        std::string typed;
        for (const std::string& command : options.command_lines) typed += command + "\n";
        request.typed_command = typed;
    }

    commands::FieldContext fields;
    fields.privilege = user.values.user.privilege;
    fields.current.secretary = user.values.user.secretary;
    fields.current.forwarding = commands::parse_forwarding(user.values.recent.forw);
    platform::Result<commands::PreparedCommand> prepared = commands::prepare_command(
        request, fields, user.values.user.name,
        [](std::string_view path) { return packet::announced_file_name(std::string(path)); });
    if (!succeeded(prepared.status())) return 1;
    if (!options.subject.empty())
        prepared->subject = options.subject.substr(0, commands::kMaxSubject);
    for (const commands::UploadFile& upload : prepared->body.uploads) {
        if (!platform::file_exists(upload.path)) {
            print_error("no file '" + upload.path + "' to upload");
            return 1;
        }
    }
    if (!prepared->generated_password.empty())
        std::printf("New password: %s\n", prepared->generated_password.c_str());
    if (options.dry_run) {
        print_prepared(*prepared);
        return 0;
    }
    if (prepared->changes_own_settings &&
        context.ui.decide({platform::MessageId::kChangeOwnSettings,
                           {},
                           platform::Buttons::YesNo,
                           platform::Answer::No}) != platform::Answer::Yes) {
        print_error("nothing was stored");
        return 1;
    }

    if (!access.open()) return 1;
    cabinet::Cabinet& cabinet = access.cabinet();
    // Each run of the command line is a session of its own, so a command
    // already waiting in any command text counts as given.
    app::CommandCollector collector(cabinet, app::writer_for(user),
                                    app::DuplicateScope::kOutBasket);
    platform::Result<texts::TextId> stored = collector.commit(prepared->body, prepared->subject);
    if (!succeeded(stored.status())) return 1;
    print_prepared(*prepared);
    std::printf("Stored command text %s in the Out-Basket.\n", access.text_id(*stored).c_str());

    int result = 0;
    if (prepared->name_change) {
        platform::Result<texts::TextId> notice =
            app::post_name_change(cabinet, user, *prepared->name_change, context.ui);
        if (succeeded(notice.status())) {
            std::printf("Stored text %s to %s in the Out-Basket.\n",
                        access.text_id(*notice).c_str(), app::kNamesConference);
        } else {
            result = 1;
        }
    }
    if (prepared->new_secretary &&
        !succeeded(app::set_own_secretary(user, *prepared->new_secretary)))
        result = 1;
    return result;
}

}  // namespace

void add_commands_commands(CLI::App& app, CliContext& context) {
    auto* group = app.add_subcommand(
        "commands", "Server commands from the catalogue: list, show, favourites, and add");
    group->require_subcommand(1);
    auto options = std::make_shared<CommandsOptions>();

    auto* list_command =
        group->add_subcommand("list", "The commands your privilege shows; favourites marked !");
    list_command->add_flag("--all", options->all, "Expand every collapsed topic");
    list_command->add_option("--topic", options->topic, "Only the commands of this topic");
    list_command->callback([&context, options] { context.exit_code = list(context, *options); });

    auto* show_command = group->add_subcommand("show", "A command's fields with their labels");
    show_command->add_option("NAME", options->name, "The command's menu text (or its beginning)")
        ->required();
    show_command->callback([&context, options] { context.exit_code = show(context, *options); });

    auto* favourite_command =
        group->add_subcommand("favorite", "Make a command a favourite, or no longer one");
    favourite_command->add_option("NAME", options->name, "The command")->required();
    favourite_command->add_flag("--off", options->off, "No longer a favourite");
    favourite_command->callback(
        [&context, options] { context.exit_code = favourite(context, *options); });

    auto* add_command = group->add_subcommand(
        "add", "Build a command from its template and put it in the Out-Basket");
    add_command->add_option("NAME", options->name, "The command")->required();
    add_command->add_option("--set", options->sets,
                            "A field: CODE=VALUE, or CODE.PART=VALUE (see commands show)");
    add_command->add_option("--tick", options->ticks, "Tick a check box, by its code");
    add_command->add_option("--text-file", options->text_file,
                            "The text that follows the command (a note, a presentation)");
    add_command->add_option("--command", options->command_lines,
                            "A command line as typed, instead of the template's (repeatable)");
    add_command->add_option("--subject", options->subject, "The subject instead of the first line");
    auto* on = add_command->add_option("--schedule-on", options->schedule_on,
                                       "Run the command on this date instead of at once");
    add_command->add_option("--every", options->every, "Repeat it every [N] day|week|month|year")
        ->expected(1, 2)
        ->needs(on);
    auto* until =
        add_command->add_option("--until", options->until, "The last date of the repetition");
    until->needs(on);
    add_command->add_flag("--unschedule", options->unschedule, "Take the command off the schedule")
        ->excludes(on);
    add_command->add_flag("--dry-run", options->dry_run,
                          "Print the lines and the subject; store nothing");
    add_command->callback([&context, options, until] {
        options->until_given = until->count() > 0;
        context.exit_code = add(context, *options);
    });
}

}  // namespace orvane::ui
