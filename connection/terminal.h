// The terminal of a session: it shows what the server sends and what the
// program and the user send with echo, keeps the text that the session
// compares prompts against (TerminalBuffer), writes the session log while
// capture is on, and turns typed keys into what goes to the server.
//
// The console front end draws nothing itself: everything shown is also
// written to a screen channel (the real terminal on stdout), and the text
// here serves the prompts and the log.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "connection/capture_file.h"
#include "connection/telnet_connection.h"
#include "connection/terminal_buffer.h"
#include "platform/byte_channel.h"

namespace orvane::connection {

// What a pasted text types: every line end (CR LF, LF or CR) becomes the
// Enter key, CR.
std::string pasted_keys(std::string_view text);

class Terminal {
  public:
    explicit Terminal(platform::Env& env = platform::system_env());

    // Mirrors everything shown to `screen` (null: nowhere).
    void set_screen(platform::ByteChannel* screen) { screen_ = screen; }

    // Bytes from the server.
    [[nodiscard]] platform::Status put(std::span<const uint8_t> bytes);
    // Text that the program sends, shown as it goes out.
    [[nodiscard]] platform::Status echo(std::string_view text);

    // Appends the session's text from the current line on to `path`.
    [[nodiscard]] platform::Status start_capture(const std::string& path);
    // Writes what is pending (the current line with a line end) and closes
    // the log.
    [[nodiscard]] platform::Status stop_capture();
    bool capturing() const { return capture_.is_open(); }
    const CaptureFile& capture() const { return capture_; }

    // Typed keys go to the server at once; Enter (CR) as the line end of
    // the connection's mode. With the connection's local echo on they are
    // shown first.
    [[nodiscard]] platform::Status type(std::string_view keys, TelnetConnection& connection);

    const TerminalBuffer& buffer() const { return buffer_; }
    // Empties the text at the start of a session.
    void clear() { buffer_.clear(); }

  private:
    [[nodiscard]] platform::Status show(std::span<const uint8_t> bytes);
    void save(std::span<const uint8_t> text);

    CaptureFile capture_;
    TerminalBuffer buffer_;
    platform::ByteChannel* screen_ = nullptr;
    // The first failure to write the log; capture stops with it.
    platform::Status capture_error_;
};

}  // namespace orvane::connection
