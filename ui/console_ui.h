// The console front end's Ui: messages on stderr, questions and entries on
// the terminal, a progress bar on stderr with Ctrl-C as cancel. Without a
// terminal, questions take the answer given by --yes / --no, or else the
// safe answer, and say which.
#pragma once

#include <optional>

#include "platform/ui.h"

namespace orvane::ui {

class ConsoleUi : public platform::Ui {
  public:
    // `forced`: the answer of --yes (true) or --no (false) to every question.
    void set_forced_answer(std::optional<bool> forced) { forced_ = forced; }
    // True when a question can be put to someone at a terminal.
    bool can_ask() const;

    platform::Answer show(const platform::MessageBox& box) override;
    std::optional<std::string> enter_text(std::string_view prompt, std::string_view initial,
                                          size_t max_length) override;
    std::optional<std::string> enter_password(std::string_view prompt, size_t max_length) override;
    std::optional<std::string> choose_file(std::string_view title, std::string_view initial,
                                           platform::FileChoice mode) override;
    std::unique_ptr<platform::Progress> start_progress(std::string_view title) override;
    size_t choose(const platform::Choice& choice) override;
    void show_fatal(const char* title, const char* text) noexcept override;

  private:
    std::optional<std::string> read_line(std::string_view prompt, size_t max_length, bool hidden);
    std::optional<bool> forced_;
};

}  // namespace orvane::ui
