#include "platform/ui.h"

#include <cstdlib>
#include <new>

#include "platform/resource_strings.h"

namespace orvane::platform {

namespace {

Ui* g_fatal_ui = nullptr;

[[noreturn]] void out_of_memory() {
    if (g_fatal_ui) g_fatal_ui->show_fatal("Orvane - Fatal error", "Not enough memory");
    std::_Exit(1);
}

constexpr int kFirstWarning = 48;
constexpr int kFirstError = 64;
constexpr int kFirstOwn = 1000;
constexpr int kFirstOwnWarning = 2000;
constexpr int kFirstOwnInformation = 3000;

void set_title_and_icon(MessageBox* box, int id) {
    // The program's own messages are grouped by kind rather than by the
    // ranges of the original table.
    if (id >= kFirstOwnInformation)
        id = 0;
    else if (id >= kFirstOwnWarning)
        id = kFirstWarning;
    else if (id >= kFirstOwn)
        id = kFirstError;
    if (id < kFirstWarning) {
        box->title = "Orvane - Information";
        box->icon = Icon::Information;
    } else if (id < kFirstError) {
        box->title = "Orvane - Warning";
        box->icon = Icon::Information;
    } else {
        box->title = "Orvane - Error";
        box->icon = Icon::Exclamation;
    }
}

}  // namespace

MessageBox message_box_for(MessageId id, std::span<const FormatArg> args) {
    MessageBox box;
    box.text = format_message(resource_string(id), args);
    set_title_and_icon(&box, static_cast<int>(id));
    return box;
}

MessageBox message_box_for(const Status& status) {
    MessageBox box;
    box.text = status.text();
    set_title_and_icon(
        &box, status.kind() == Status::Kind::kEngine ? kFirstError : static_cast<int>(status.id()));
    return box;
}

Answer Ui::decide(const Question& question) {
    MessageBox box = message_box_for(question.id, question.args);
    box.buttons = question.buttons;
    box.safe_answer = question.safe;
    return show(box);
}

void Ui::message(MessageId id, std::initializer_list<FormatArg> args) {
    show(message_box_for(id, std::span<const FormatArg>(args.begin(), args.size())));
}

Answer Ui::ask(MessageId id, Buttons buttons, Answer safe, std::initializer_list<FormatArg> args) {
    return decide(Question{id, std::vector<FormatArg>(args), buttons, safe});
}

void Ui::report(const Status& status) {
    if (status.ok() || status.is_cancelled()) return;
    show(message_box_for(status));
}

void install_out_of_memory_handler(Ui* ui) {
    g_fatal_ui = ui;
    std::set_new_handler(ui ? out_of_memory : nullptr);
}

}  // namespace orvane::platform
