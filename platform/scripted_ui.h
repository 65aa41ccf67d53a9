// A Ui for tests: answers come from queues filled by the test, and every
// message shown is recorded. An empty queue gives the safe answer.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "platform/ui.h"

namespace orvane::platform {

class ScriptedUi : public Ui {
  public:
    struct ProgressRecord {
        std::string title;
        uint64_t last_done = 0;
        uint64_t last_total = 0;
        int updates = 0;
    };

    std::deque<Answer> answers;
    std::deque<size_t> choices;                    // for choose(); empty: the safe option
    std::deque<std::optional<std::string>> texts;  // for text, password and file entry
    // Progress asks to cancel after this many updates (-1: never).
    int cancel_after_updates = -1;

    std::vector<MessageBox> shown;
    std::vector<Choice> chosen;
    std::vector<std::string> prompts;
    std::vector<ProgressRecord> progress;

    Answer show(const MessageBox& box) override;
    std::optional<std::string> enter_text(std::string_view prompt, std::string_view initial,
                                          size_t max_length) override;
    std::optional<std::string> enter_password(std::string_view prompt, size_t max_length) override;
    std::optional<std::string> choose_file(std::string_view title, std::string_view initial,
                                           FileChoice mode) override;
    std::unique_ptr<Progress> start_progress(std::string_view title) override;
    size_t choose(const Choice& choice) override;
    void show_fatal(const char* title, const char* text) noexcept override;

  private:
    std::optional<std::string> next_text(std::string_view prompt, size_t max_length);
};

}  // namespace orvane::platform
