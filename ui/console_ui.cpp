#include "ui/console_ui.h"

#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <string>

namespace orvane::ui {

using platform::Answer;
using platform::Buttons;

namespace {

bool interactive() {
    return isatty(STDIN_FILENO) && isatty(STDERR_FILENO);
}

const char* answer_word(Answer answer) {
    switch (answer) {
        case Answer::Ok:
            return "OK";
        case Answer::Cancel:
            return "Cancel";
        case Answer::Yes:
            return "Yes";
        case Answer::No:
            return "No";
    }
    return "?";
}

std::atomic<bool> g_interrupted{false};

void on_interrupt(int) {
    g_interrupted = true;
}

class ConsoleProgress : public platform::Progress {
  public:
    explicit ConsoleProgress(std::string_view title)
        : title_(title), shown_(isatty(STDERR_FILENO)) {
        g_interrupted = false;
        struct sigaction action {};
        action.sa_handler = on_interrupt;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &previous_);
    }
    ~ConsoleProgress() override {
        sigaction(SIGINT, &previous_, nullptr);
        if (shown_ && drawn_) std::fputs("\r\033[K", stderr);
    }

    bool update(uint64_t done, uint64_t total, std::string_view status) override {
        if (shown_) draw(done, total, status);
        return !g_interrupted;
    }

  private:
    void draw(uint64_t done, uint64_t total, std::string_view status) {
        constexpr int kWidth = 30;
        std::string line = "\r" + title_ + " ";
        if (total) {
            uint64_t clamped = done < total ? done : total;
            int filled = static_cast<int>(clamped * kWidth / total);
            line += "[" + std::string(filled, '#') + std::string(kWidth - filled, ' ') + "] ";
            line += std::to_string(clamped * 100 / total) + "%";
        } else {
            line += std::to_string(done);
        }
        if (!status.empty()) line += " " + std::string(status.substr(0, 64));
        line += "\033[K";
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
        drawn_ = true;
    }

    std::string title_;
    bool shown_;
    bool drawn_ = false;
    struct sigaction previous_ {};
};

}  // namespace

Answer ConsoleUi::show(const platform::MessageBox& box) {
    std::fprintf(stderr, "%s\n%s\n", box.title.c_str(), box.text.c_str());
    if (box.buttons == Buttons::Ok) return Answer::Ok;

    if (forced_) {
        Answer answer = platform::forced_answer(box.buttons, *forced_);
        std::fprintf(stderr, "(answered %s)\n", answer_word(answer));
        return answer;
    }
    if (!interactive()) {
        std::fprintf(stderr, "(no terminal to ask: answered %s)\n", answer_word(box.safe_answer));
        return box.safe_answer;
    }
    const char* choices = box.buttons == Buttons::OkCancel ? "[o]k/[c]ancel"
                          : box.buttons == Buttons::YesNo  ? "[y]es/[n]o"
                                                           : "[y]es/[n]o/[c]ancel";
    for (;;) {
        auto line = read_line(std::string(choices) + "? ", 16, false);
        if (!line) return box.safe_answer;
        char c = line->empty()
                     ? '\0'
                     : static_cast<char>(std::tolower(static_cast<unsigned char>((*line)[0])));
        if (box.buttons == Buttons::OkCancel) {
            if (c == 'o') return Answer::Ok;
            if (c == 'c') return Answer::Cancel;
        } else {
            if (c == 'y') return Answer::Yes;
            if (c == 'n') return Answer::No;
            if (c == 'c' && box.buttons == Buttons::YesNoCancel) return Answer::Cancel;
        }
    }
}

size_t ConsoleUi::choose(const platform::Choice& choice) {
    std::fprintf(stderr, "%s\n%s\n", choice.title.c_str(), choice.text.c_str());
    for (size_t i = 0; i < choice.options.size(); ++i)
        std::fprintf(stderr, "  %zu  %s\n", i + 1, choice.options[i].c_str());
    const std::string safe = choice.safe < choice.options.size() ? choice.options[choice.safe] : "";
    if (!interactive()) {
        std::fprintf(stderr, "(no terminal to ask: took %s)\n", safe.c_str());
        return choice.safe;
    }
    if (choice.countdown_ms)
        std::fprintf(stderr, "(%s in %u seconds)\n", safe.c_str(), choice.countdown_ms / 1000);
    for (;;) {
        std::fprintf(stderr, "Choose 1-%zu: ", choice.options.size());
        std::fflush(stderr);
        pollfd input{STDIN_FILENO, POLLIN, 0};
        const int timeout = choice.countdown_ms ? static_cast<int>(choice.countdown_ms) : -1;
        if (::poll(&input, 1, timeout) <= 0) {
            std::fprintf(stderr, "\n(no answer: took %s)\n", safe.c_str());
            return choice.safe;
        }
        std::string line;
        if (!std::getline(std::cin, line)) return choice.safe;
        char* end = nullptr;
        const unsigned long picked = std::strtoul(line.c_str(), &end, 10);
        if (end != line.c_str() && picked >= 1 && picked <= choice.options.size())
            return picked - 1;
    }
}

std::optional<std::string> ConsoleUi::read_line(std::string_view prompt, size_t max_length,
                                                bool hidden) {
    if (!interactive()) {
        std::fprintf(stderr, "orvane: %.*s needs a terminal to answer\n",
                     static_cast<int>(prompt.size()), prompt.data());
        return std::nullopt;
    }
    std::fprintf(stderr, "%.*s", static_cast<int>(prompt.size()), prompt.data());
    std::fflush(stderr);
    termios saved{};
    bool restore = false;
    if (hidden && tcgetattr(STDIN_FILENO, &saved) == 0) {
        termios quiet = saved;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO);
        restore = tcsetattr(STDIN_FILENO, TCSANOW, &quiet) == 0;
    }
    std::string line;
    bool ok = static_cast<bool>(std::getline(std::cin, line));
    if (restore) {
        tcsetattr(STDIN_FILENO, TCSANOW, &saved);
        std::fputc('\n', stderr);
    }
    if (!ok) return std::nullopt;
    if (line.size() > max_length) line.resize(max_length);
    return line;
}

std::optional<std::string> ConsoleUi::enter_text(std::string_view prompt, std::string_view initial,
                                                 size_t max_length) {
    std::string shown(prompt);
    if (!initial.empty()) shown += " [" + std::string(initial) + "]";
    auto line = read_line(shown + " ", max_length, false);
    if (line && line->empty() && !initial.empty()) return std::string(initial);
    return line;
}

std::optional<std::string> ConsoleUi::enter_password(std::string_view prompt, size_t max_length) {
    return read_line(std::string(prompt) + " ", max_length, true);
}

std::optional<std::string> ConsoleUi::choose_file(std::string_view title, std::string_view initial,
                                                  platform::FileChoice) {
    return enter_text(std::string(title) + " (file name):", initial, 4096);
}

std::unique_ptr<platform::Progress> ConsoleUi::start_progress(std::string_view title) {
    return std::make_unique<ConsoleProgress>(title);
}

void ConsoleUi::show_fatal(const char* title, const char* text) noexcept {
    auto put = [](const char* s) { (void)!::write(STDERR_FILENO, s, std::strlen(s)); };
    put(title);
    put("\n");
    put(text);
    put("\n");
}

}  // namespace orvane::ui
