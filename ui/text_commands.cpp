// `orvane text list|show|move|copy|delete`: the texts filed in a cabinet.
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "cabinet/fixed_boxes.h"
#include "texts/code_pages.h"
#include "texts/dates.h"
#include "texts/text_display.h"
#include "ui/cabinet_access.h"
#include "ui/cli.h"
#include "ui/text_json.h"

namespace orvane::ui {

namespace {

struct TextRequest {
    std::string box;
    std::string id;
    std::string from;
};

// The flags of a text list line: L letter, U unsent, S secret, the kind
// (A answer, C comment, N new), I and P with importance and priority.
std::string flags_of(const texts::TextRecord& text) {
    std::string flags;
    if (text.kind_flags & texts::kind_flags::kLetter) flags += 'L';
    if (text.kind_flags & texts::kind_flags::kUnsent) flags += 'U';
    if (text.kind_flags & texts::kind_flags::kSecret) flags += 'S';
    static constexpr char kKinds[] = {0, 'A', 'C', 'N'};
    if (char kind = kKinds[static_cast<int>(texts::text_kind(text.kind_flags))]) flags += kind;
    if (text.importance) flags += "I" + std::to_string(text.importance);
    if (text.priority) flags += "P" + std::to_string(text.priority);
    return flags;
}

int run_list(CliContext& context, const TextRequest& request) {
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    const std::optional<uint16_t> box = access.box(request.box);
    if (!box) return 1;
    platform::Result<cabinet::BoxList> list = access.cabinet().read_box_list(*box);
    if (!succeeded(list.status())) return 1;
    int result = 0;
    const texts::DateFormatOptions date_options{access.time_display(), false};
    if (context.json) std::printf("[");
    bool first = true;
    for (texts::TextId id : list->ids) {
        platform::Result<std::optional<texts::TextRecord>> read = access.cabinet().read_text(id);
        if (!read.ok()) {
            // A damaged text is said and passed over; the rest still shows.
            succeeded(read.status());
            result = 1;
            continue;
        }
        if (!*read) continue;  // gone since the list was written; a repair brings it in line
        const std::optional<texts::TextRecord>& text = *read;
        const std::string written = access.text_id(id);
        const std::string date =
            texts::format_date(text->date, texts::DateRequest::as_chosen, date_options);
        const std::string author = texts::to_utf8(text->author.text, text->charset);
        const std::string subject =
            texts::to_utf8(texts::shown_subject(text->subject, access.remove_re()), text->charset);
        const std::string flags = flags_of(*text);
        if (context.json) {
            std::printf(
                "%s{\"id\": %s, \"value\": %u, \"date\": %s, \"stored_date\": %u, \"author\": %s, "
                "\"subject\": %s, \"flags\": %s, \"lines\": %u}",
                first ? "" : ", ", json_quote(written).c_str(), id, json_quote(date).c_str(),
                text->date, json_quote(author).c_str(), json_quote(subject).c_str(),
                json_quote(flags).c_str(), text->line_count());
        } else {
            std::printf("%-14s %-15s %-24.24s %-6s %s\n", written.c_str(), date.c_str(),
                        author.c_str(), flags.c_str(), subject.c_str());
        }
        first = false;
    }
    if (context.json) std::printf("]\n");
    return result;
}

int run_show(CliContext& context, const TextRequest& request) {
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    const std::optional<texts::TextRecord> text = access.text(request.id);
    if (!text) return 1;
    if (context.json) {
        std::printf("%s\n", text_json(*text, access).c_str());
        return 0;
    }
    const texts::DisplayContext display{access.nodes(), access.home_node(), true,
                                        access.time_display()};
    std::printf("%s\n", texts::to_utf8(texts::heading_line(*text, display), text->charset).c_str());
    for (const std::string& line : texts::header_lines(*text, display))
        std::printf("%s\n", texts::to_utf8(line, text->charset).c_str());
    std::printf("\n%s", texts::to_utf8(text->body, text->charset).c_str());
    return 0;
}

// The box a text leaves: the one given with --from, or the only one it is in.
std::optional<uint16_t> source_box(CabinetAccess& access, const texts::TextRecord& text,
                                   const std::string& from) {
    if (!from.empty()) return access.box(from);
    if (text.boxes.size() == 1) return text.boxes[0];
    print_error("the text is in several boxes; say which with --from");
    return std::nullopt;
}

int run_move(CliContext& context, const TextRequest& request) {
    CabinetAccess access(context);
    if (!access.open()) return 1;
    const std::optional<texts::TextRecord> text = access.text(request.id);
    if (!text) return 1;
    const std::optional<uint16_t> to = access.box(request.box);
    const std::optional<uint16_t> from =
        to ? source_box(access, *text, request.from) : std::nullopt;
    return from && succeeded(access.cabinet().move_text(text->id, *from, *to)) ? 0 : 1;
}

int run_copy(CliContext& context, const TextRequest& request) {
    CabinetAccess access(context);
    if (!access.open()) return 1;
    const std::optional<texts::TextRecord> text = access.text(request.id);
    if (!text) return 1;
    const std::optional<uint16_t> to = access.box(request.box);
    return to && succeeded(access.cabinet().copy_text(text->id, *to)) ? 0 : 1;
}

// Taking a text out of its last box sends it to the Waste-Basket; only
// from there is it deleted for good.
int run_delete(CliContext& context, const TextRequest& request) {
    CabinetAccess access(context);
    if (!access.open()) return 1;
    const std::optional<texts::TextRecord> text = access.text(request.id);
    if (!text) return 1;
    const std::optional<uint16_t> box = access.box(request.box);
    if (!box) return 1;
    if (std::find(text->boxes.begin(), text->boxes.end(), *box) == text->boxes.end()) {
        print_error("text " + request.id + " is not in that box");
        return 1;
    }
    cabinet::Cabinet& cabinet = access.cabinet();
    const bool last_box = text->boxes.size() == 1;
    if (last_box && *box != cabinet::box::kWasteBasket) {
        if (!succeeded(cabinet.ensure_fixed_box(cabinet::box::kWasteBasket)) ||
            !succeeded(cabinet.write_back()) ||
            !succeeded(cabinet.move_text(text->id, *box, cabinet::box::kWasteBasket)))
            return 1;
        std::printf("Moved text %s to the Waste-Basket\n", request.id.c_str());
        return 0;
    }
    if (!succeeded(cabinet.remove_from_box(text->id, *box))) return 1;
    if (last_box) std::printf("Deleted text %s\n", request.id.c_str());
    return 0;
}

}  // namespace

void add_text_commands(CLI::App& app, CliContext& context) {
    auto* text = app.add_subcommand("text", "List, show and file the texts of a filing cabinet");
    text->require_subcommand(1);
    auto request = std::make_shared<TextRequest>();

    auto* list = text->add_subcommand(
        "list", "One line per text of a box: number, date, author, flags, subject");
    list->add_option("BOX", request->box, "Box number or name")->required();
    list->callback([&context, request] { context.exit_code = run_list(context, *request); });

    auto* show = text->add_subcommand("show", "The heading, header lines and body of a text");
    show->add_option("ID", request->id, "Text number, such as 1234, CORVID:1234 or C:1234")
        ->required();
    show->callback([&context, request] { context.exit_code = run_show(context, *request); });

    auto* move = text->add_subcommand("move", "Move a text to another box");
    move->add_option("ID", request->id, "Text number")->required();
    move->add_option("BOX", request->box, "Box to move it to")->required();
    move->add_option("--from", request->from, "Box to take it from, when it is in several");
    move->callback([&context, request] { context.exit_code = run_move(context, *request); });

    auto* copy = text->add_subcommand("copy", "File a text in one more box");
    copy->add_option("ID", request->id, "Text number")->required();
    copy->add_option("BOX", request->box, "Box to file it in as well")->required();
    copy->callback([&context, request] { context.exit_code = run_copy(context, *request); });

    auto* remove = text->add_subcommand(
        "delete", "Take a text out of a box (its last box: to the Waste-Basket)");
    remove->add_option("ID", request->id, "Text number")->required();
    remove->add_option("BOX", request->box, "Box to take it out of")->required();
    remove->callback([&context, request] { context.exit_code = run_delete(context, *request); });
}

}  // namespace orvane::ui
