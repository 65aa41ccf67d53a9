#include "platform/scripted_ui.h"

#include <cstdio>

namespace orvane::platform {

namespace {

class ScriptedProgress : public Progress {
  public:
    ScriptedProgress(ScriptedUi* ui, size_t index) : ui_(ui), index_(index) {}
    bool update(uint64_t done, uint64_t total, std::string_view) override {
        auto& record = ui_->progress[index_];
        record.last_done = done;
        record.last_total = total;
        ++record.updates;
        return ui_->cancel_after_updates < 0 || record.updates <= ui_->cancel_after_updates;
    }

  private:
    ScriptedUi* ui_;
    size_t index_;
};

}  // namespace

Answer ScriptedUi::show(const MessageBox& box) {
    shown.push_back(box);
    if (box.buttons == Buttons::Ok) return Answer::Ok;
    if (answers.empty()) return box.safe_answer;
    Answer answer = answers.front();
    answers.pop_front();
    return answer;
}

size_t ScriptedUi::choose(const Choice& choice) {
    chosen.push_back(choice);
    if (choices.empty()) return choice.safe;
    const size_t index = choices.front();
    choices.pop_front();
    return index < choice.options.size() ? index : choice.safe;
}

std::optional<std::string> ScriptedUi::next_text(std::string_view prompt, size_t max_length) {
    prompts.emplace_back(prompt);
    if (texts.empty()) return std::nullopt;
    auto text = texts.front();
    texts.pop_front();
    if (text && text->size() > max_length) text->resize(max_length);
    return text;
}

std::optional<std::string> ScriptedUi::enter_text(std::string_view prompt, std::string_view,
                                                  size_t max_length) {
    return next_text(prompt, max_length);
}

std::optional<std::string> ScriptedUi::enter_password(std::string_view prompt, size_t max_length) {
    return next_text(prompt, max_length);
}

std::optional<std::string> ScriptedUi::choose_file(std::string_view title, std::string_view,
                                                   FileChoice) {
    return next_text(title, 4096);
}

std::unique_ptr<Progress> ScriptedUi::start_progress(std::string_view title) {
    progress.push_back({std::string(title), 0, 0, 0});
    return std::make_unique<ScriptedProgress>(this, progress.size() - 1);
}

void ScriptedUi::show_fatal(const char* title, const char* text) noexcept {
    std::fprintf(stderr, "%s: %s\n", title, text);
}

}  // namespace orvane::platform
