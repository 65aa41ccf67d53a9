#include "platform/ui.h"

#include <cstdlib>
#include <new>

#include "platform/file.h"
#include "platform/resource_strings.h"

namespace orvane::platform {

namespace {

Ui* g_fatal_ui = nullptr;

[[noreturn]] void out_of_memory() {
    if (g_fatal_ui) g_fatal_ui->show_fatal("Orvane - Fatal error", "Not enough memory");
    std::_Exit(1);
}

}  // namespace

MessageBox message_box_for(int id, std::initializer_list<FormatArg> args) {
    MessageBox box;
    box.text = format_message(resource_string(id), args);
    if (id < 48) {
        box.title = "Orvane - Information";
        box.icon = Icon::Information;
    } else if (id < 64) {
        box.title = "Orvane - Warning";
        box.icon = Icon::Information;
    } else {
        box.title = "Orvane - Error";
        box.icon = Icon::Exclamation;
    }
    if (id >= 130 && id <= 132) {
        if (int error = last_file_error()) box.text += "\n" + file_error_text(error);
    }
    return box;
}

void Ui::message(int id, std::initializer_list<FormatArg> args) {
    show(message_box_for(id, args));
}

Answer Ui::ask(int id, Buttons buttons, Answer safe, std::initializer_list<FormatArg> args) {
    MessageBox box = message_box_for(id, args);
    box.buttons = buttons;
    box.safe_answer = safe;
    return show(box);
}

void Ui::engine_error(std::string_view action, std::string_view engine_message) {
    MessageBox box;
    box.title = "Orvane - Error";
    box.icon = Icon::Exclamation;
    box.text = format_message("%s:\n%s", {action, engine_message});
    show(box);
}

void install_out_of_memory_handler(Ui* ui) {
    g_fatal_ui = ui;
    std::set_new_handler(ui ? out_of_memory : nullptr);
}

}  // namespace orvane::platform
