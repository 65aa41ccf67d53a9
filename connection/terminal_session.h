// The console's terminal session: the server's output goes to the screen
// and into the terminal (and its log), the keyboard goes to the server.
//
// Interactive (a raw terminal on the keyboard): every key goes to the server
// as it is typed; Ctrl-] starts a local command: "q" leaves, a second Ctrl-]
// sends one, anything else is dropped. Backspace (DEL on Linux consoles) goes
// out as BS.
// Not interactive (a pipe or a file): lines of the keyboard input are sent
// with the connection's line end; the session ends once that input has ended
// and the server has been quiet for a second.
// Either way it ends when the server closes. The keyboard waits until the
// server has spoken (or has been quiet for a second after connecting), so
// that nothing typed overtakes the server's START_TLS request.
//
// Shape: two coroutines on the loop, one per direction, and the session's
// own coroutine waiting until either ends the session.
#pragma once

#include <cstdint>

#include "connection/telnet_connection.h"
#include "connection/terminal.h"
#include "platform/byte_channel.h"
#include "platform/policy.h"
#include "platform/task.h"

namespace orvane::connection {

struct TerminalSessionOptions {
    bool interactive = true;
    uint32_t quiet_ms = 1000;
};

class TerminalSession {
  public:
    // Capture errors are noticed through `policy` while the session goes on.
    TerminalSession(TelnetConnection& connection, Terminal& terminal,
                    platform::ByteChannel& keyboard, platform::ByteChannel& screen,
                    platform::Policy& policy, TerminalSessionOptions options = {});
    ~TerminalSession();

    // Runs the session. Success when the user left or the input ended; the
    // connection's end otherwise ("The connection was closed" when the
    // server closed it).
    platform::Task<platform::Status> run();

  private:
    class Signal;
    platform::Task<void> show_server_output();
    platform::Task<void> forward_keyboard();
    platform::Task<void> forward_lines();
    // Sends typed keys: false when the session is over.
    bool send_keys(std::string_view keys);
    void end(platform::Status why);
    void report(platform::Status status);

    TelnetConnection& connection_;
    Terminal& terminal_;
    platform::ByteChannel& keyboard_;
    platform::ByteChannel& screen_;
    platform::Policy& policy_;
    TerminalSessionOptions options_;

    std::unique_ptr<Signal> server_spoke_;
    std::unique_ptr<Signal> ended_;
    platform::Status result_;
    bool keyboard_ended_ = false;
    uint32_t quiet_since_ = 0;
};

}  // namespace orvane::connection
