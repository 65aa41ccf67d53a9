// Every conversation with the user goes through Ui: messages, questions, text
// and password entry, file choice, progress with cancel. The console front
// end, the test front end and any later window front end implement it; the
// core never talks to a terminal or a window itself.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/message_format.h"

namespace orvane::platform {

enum class Icon { Information, Exclamation, Question, Stop };
enum class Buttons { Ok, OkCancel, YesNo, YesNoCancel };
enum class Answer { Ok, Cancel, Yes, No };

struct MessageBox {
    std::string title;
    std::string text;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    // The answer taken when nobody can be asked.
    Answer safe_answer = Answer::Ok;
};

// Title and icon of message `id` by its number range, text from the message
// table with `args`. Messages 130 to 132 get the text of the last file error
// as a second line when there is one.
MessageBox message_box_for(int id, std::initializer_list<FormatArg> args = {});

enum class FileChoice { Open, Save };

// Progress of one long operation. Destroying it ends the display.
class Progress {
  public:
    virtual ~Progress() = default;
    // Reports `done` of `total` (total 0: unknown) with an optional status
    // line. Returns false once the user asked to cancel.
    [[nodiscard]] virtual bool update(uint64_t done, uint64_t total,
                                      std::string_view status = {}) = 0;
};

class Ui {
  public:
    virtual ~Ui() = default;

    virtual Answer show(const MessageBox& box) = 0;
    virtual std::optional<std::string> enter_text(std::string_view prompt, std::string_view initial,
                                                  size_t max_length) = 0;
    virtual std::optional<std::string> enter_password(std::string_view prompt,
                                                      size_t max_length) = 0;
    virtual std::optional<std::string> choose_file(std::string_view title, std::string_view initial,
                                                   FileChoice mode) = 0;
    virtual std::unique_ptr<Progress> start_progress(std::string_view title) = 0;
    // The last words before the program ends: must not allocate.
    virtual void show_fatal(const char* title, const char* text) noexcept = 0;

    // Message `id` with OK.
    void message(int id, std::initializer_list<FormatArg> args = {});
    // Message `id` as a question with the given buttons; `safe` is taken when
    // nobody can answer.
    Answer ask(int id, Buttons buttons, Answer safe, std::initializer_list<FormatArg> args = {});
    // An error of the database engine: "%s:\n%s" with the action phrase (such
    // as "reading text 12") and the engine's own message.
    void engine_error(std::string_view action, std::string_view engine_message);
};

// Makes running out of memory show "Not enough memory" titled
// "Orvane - Fatal error" through `ui` and end the program.
void install_out_of_memory_handler(Ui* ui);

}  // namespace orvane::platform
