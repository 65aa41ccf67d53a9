#include "connection/terminal.h"

namespace orvane::connection {

using platform::Status;

namespace {

constexpr char kEnter = '\r';

std::span<const uint8_t> bytes_of(std::string_view text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

}  // namespace

std::string pasted_keys(std::string_view text) {
    std::string keys;
    keys.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
        keys += text[i] == '\n' ? kEnter : text[i];
    }
    return keys;
}

Terminal::Terminal(platform::Env& env)
    : capture_(env), buffer_([this](std::span<const uint8_t> text) { save(text); }) {}

Status Terminal::put(std::span<const uint8_t> bytes) {
    return show(bytes);
}

Status Terminal::echo(std::string_view text) {
    return show(bytes_of(text));
}

Status Terminal::show(std::span<const uint8_t> bytes) {
    for (uint8_t byte : bytes) buffer_.put(byte);
    Status result = std::exchange(capture_error_, Status());
    // The screen is the user's own terminal: when it fails there is nobody
    // left to tell, and the session and its log go on regardless.
    if (screen_) (void)screen_->write(bytes);
    return result;
}

void Terminal::save(std::span<const uint8_t> text) {
    if (!capture_.is_open()) return;
    if (Status written = capture_.append(text); !written.ok()) {
        capture_.close();
        capture_error_ = std::move(written);
    }
}

Status Terminal::start_capture(const std::string& path) {
    if (Status opened = capture_.open(path); !opened.ok()) return opened;
    buffer_.mark_saved_before_current_line();
    return Status();
}

Status Terminal::stop_capture() {
    buffer_.save(true);
    capture_.close();
    return std::exchange(capture_error_, Status());
}

Status Terminal::type(std::string_view keys, TelnetConnection& connection) {
    // A log that cannot be written is reported, but never stops the typing.
    Status capture_trouble;
    auto show_typed = [&](std::string_view text) {
        if (!connection.local_echo()) return;
        if (Status shown = echo(text); !shown.ok() && capture_trouble.ok()) {
            capture_trouble = std::move(shown);
        }
    };
    size_t start = 0;
    while (start < keys.size()) {
        const size_t enter = keys.find(kEnter, start);
        const std::string_view run = keys.substr(start, enter - start);
        if (!run.empty()) {
            show_typed(run);
            if (Status sent = connection.send_text(run, false); !sent.ok()) return sent;
        }
        if (enter == std::string_view::npos) break;
        show_typed("\r\n");
        if (Status sent = connection.send_text({}, true); !sent.ok()) return sent;
        start = enter + 1;
    }
    return capture_trouble;
}

}  // namespace orvane::connection
