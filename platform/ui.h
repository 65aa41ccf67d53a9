// Every conversation with the user goes through Ui: messages, questions, text
// and password entry, file choice, progress with cancel. The console front
// end, the test front end and any later window front end implement it; the
// core never talks to a terminal or a window itself, and sees a Ui only as
// the Policy it was given.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "platform/message_format.h"
#include "platform/policy.h"
#include "platform/status.h"

namespace orvane::platform {

enum class Icon { Information, Exclamation, Question, Stop };

struct MessageBox {
    std::string title;
    std::string text;
    Icon icon = Icon::Information;
    Buttons buttons = Buttons::Ok;
    // The answer taken when nobody can be asked.
    Answer safe_answer = Answer::Ok;
};

// Title and icon of message `id` by its number range, text from the message
// table with `args`.
MessageBox message_box_for(MessageId id, std::span<const FormatArg> args = {});
// The box that shows a failed operation's status: the message's own title
// and icon, or the error title for file and engine errors.
MessageBox message_box_for(const Status& status);

enum class FileChoice { Open, Save };

class Ui : public Policy {
  public:
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

    // The Policy, answered by the user.
    Answer decide(const Question& question) override;
    std::optional<std::string> secret(std::string_view prompt, size_t max_length) override {
        return enter_password(prompt, max_length);
    }
    std::unique_ptr<Progress> progress(std::string_view title) override {
        return start_progress(title);
    }
    void notice(const Status& status) override { report(status); }

    // Message `id` with OK.
    void message(MessageId id, std::initializer_list<FormatArg> args = {});
    // Message `id` as a question with the given buttons; `safe` is taken
    // when nobody can answer.
    Answer ask(MessageId id, Buttons buttons, Answer safe,
               std::initializer_list<FormatArg> args = {});
    // Shows what a failed operation reports; nothing for success or cancel.
    void report(const Status& status);
};

// Makes running out of memory show "Not enough memory" titled
// "Orvane - Fatal error" through `ui` and end the program.
void install_out_of_memory_handler(Ui* ui);

}  // namespace orvane::platform
