// `orvane terminal`: an interactive Telnet session with the home node on the
// raw terminal, or a copy of stdin lines to the server without one, with
// the session log; and `orvane node trust ENDPOINT`, which accepts a node's
// changed certificate.
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <memory>

#include "connection/certificate_pins.h"
#include "connection/certificate_trust.h"
#include "connection/telnet_connect.h"
#include "connection/terminal_session.h"
#include "packet/file_names.h"
#include "platform/directories.h"
#include "platform/fd_channel.h"
#include "platform/resource_strings.h"
#include "ui/cabinet_access.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

using platform::MessageId;
using platform::Status;

struct TerminalOptions {
    std::string endpoint;
    bool tls = false;
    bool no_tls = false;
};

std::string message_text(MessageId id, std::initializer_list<platform::FormatArg> args) {
    return platform::format_message(platform::resource_string(id), args);
}

// Puts the terminal into raw mode for the session (keys one by one, no
// echo, Ctrl-C as a key for the server) and stdin and stdout back as they
// were afterwards, blocking mode included.
class RawTerminal {
  public:
    explicit RawTerminal(bool raw) {
        input_flags_ = ::fcntl(STDIN_FILENO, F_GETFL);
        output_flags_ = ::fcntl(STDOUT_FILENO, F_GETFL);
        if (raw && ::tcgetattr(STDIN_FILENO, &saved_) == 0) {
            termios changed = saved_;
            ::cfmakeraw(&changed);
            raw_ = ::tcsetattr(STDIN_FILENO, TCSANOW, &changed) == 0;
        }
    }
    ~RawTerminal() {
        if (raw_) ::tcsetattr(STDIN_FILENO, TCSANOW, &saved_);
        if (input_flags_ >= 0) ::fcntl(STDIN_FILENO, F_SETFL, input_flags_);
        if (output_flags_ >= 0) ::fcntl(STDOUT_FILENO, F_SETFL, output_flags_);
    }
    RawTerminal(const RawTerminal&) = delete;
    RawTerminal& operator=(const RawTerminal&) = delete;

  private:
    termios saved_{};
    bool raw_ = false;
    int input_flags_ = -1;
    int output_flags_ = -1;
};

// The endpoint to use: --endpoint, else the connection chosen in the
// settings; nothing (reported) when there is none.
std::optional<std::string> chosen_endpoint(CabinetAccess& access, const TerminalOptions& options) {
    if (!options.endpoint.empty()) return options.endpoint;
    app::Application& application = access.application();
    const int chosen = application.common().chosen_connection(application.nodes());
    if (auto endpoint = application.nodes().connection(chosen)) return endpoint;
    print_error(platform::resource_string(MessageId::kNoEndpoint));
    return std::nullopt;
}

int run_terminal(CliContext& context, const TerminalOptions& options) {
    CabinetAccess access(context);
    if (!access.path()) return 1;
    settings::UserSettings* user = access.user_settings();
    if (!user) {
        print_error("the terminal works for a user; name one with --user");
        return 1;
    }
    const auto endpoint = chosen_endpoint(access, options);
    if (!endpoint) return 1;
    const settings::UserValues& values = user->values;
    const settings::NodeEntry* node = access.nodes().by_letter(static_cast<char>(values.user.node));

    connection::ConnectRequest request;
    request.endpoint = *endpoint;
    request.server_name = node ? node->name : *endpoint;
    request.telnet.tls = options.tls || (!options.no_tls && values.login.tls != 0);
    request.telnet.local_echo = values.login.local_echo != 0;
    connection::CertificatePins pins(platform::join_path(access.application().program_directory(),
                                                         connection::kCertificatePinsFile));
    if (!succeeded(pins.load())) return 1;
    connection::use_certificate_pins(&request.telnet, pins, *endpoint, context.ui);

    platform::EventLoop loop;
    auto connecting = connection::connect_telnet(loop, request, context.ui);
    if (!platform::run_to_end(loop, connecting) || !succeeded(connecting.result().status())) {
        return 1;
    }
    std::unique_ptr<connection::TelnetConnection> telnet = std::move(*connecting.result());

    const bool interactive = ::isatty(STDIN_FILENO) != 0;
    std::fprintf(stderr, "%s\n",
                 message_text(interactive ? MessageId::kTerminalConnected : MessageId::kConnectedTo,
                              {telnet->address()})
                     .c_str());

    connection::Terminal terminal;
    const std::string log_folder =
        values.orvane.log_dir.empty() ? access.user_folder() : values.orvane.log_dir;
    const auto log = packet::make_dated_name(log_folder, node ? node->letter : 'X', ".log",
                                             std::nullopt, std::time(nullptr));
    if (log) succeeded(terminal.start_capture(*log));

    Status ended;
    {
        RawTerminal raw(interactive);
        platform::FdChannel keyboard(loop, STDIN_FILENO, -1, "standard input");
        platform::FdChannel screen(loop, -1, STDOUT_FILENO, "standard output");
        terminal.set_screen(&screen);
        connection::TerminalSession session(*telnet, terminal, keyboard, screen, context.ui,
                                            {.interactive = interactive});
        auto running = session.run();
        platform::run_to_end(loop, running);
        ended = running.done() ? std::move(running.result()) : Status::cancelled();
        telnet->close();
        loop.wait_for([&] { return screen.unsent() == 0 || screen.ended(); }, loop.now() + 2000);
        terminal.set_screen(nullptr);
    }
    const bool captured = terminal.capturing();
    succeeded(terminal.stop_capture());
    if (captured) std::fprintf(stderr, "Session log: %s\n", log->c_str());
    if (ended.id() == MessageId::kConnectionClosed) {
        std::fprintf(stderr, "%s\n", ended.text().c_str());
        return 0;
    }
    return succeeded(ended) ? 0 : 1;
}

int run_node_trust(CliContext& context, const std::string& endpoint) {
    std::string home;
    if (!context.program_directory(&home)) return 1;
    connection::CertificatePins pins(platform::join_path(home, connection::kCertificatePinsFile));
    if (!succeeded(pins.load())) return 1;
    platform::EventLoop loop;
    connection::ConnectRequest request;
    request.endpoint = endpoint;
    request.server_name = endpoint;
    auto looking = connection::look_at_certificate(loop, request, context.ui);
    if (!platform::run_to_end(loop, looking) || !succeeded(looking.result().status())) return 1;
    return succeeded(
               connection::trust_offered_certificate(pins, endpoint, *looking.result(), context.ui))
               ? 0
               : 1;
}

}  // namespace

void add_terminal_commands(CLI::App& app, CliContext& context) {
    auto options = std::make_shared<TerminalOptions>();
    auto* terminal = app.add_subcommand(
        "terminal",
        "A Telnet session with the home node on this terminal, written to the day's session log; "
        "Ctrl-] then q leaves. Without a terminal, copies stdin lines to the server and the "
        "server's output to stdout");
    terminal->add_option("--endpoint", options->endpoint,
                         "HOST:PORT to connect to instead of the chosen connection");
    auto* tls = terminal->add_flag("--tls", options->tls, "Take up TLS when the server offers it");
    terminal->add_flag("--no-tls", options->no_tls, "Refuse TLS")->excludes(tls);
    terminal->callback(
        [&context, options] { context.exit_code = run_terminal(context, *options); });

    const auto named_node =
        app.get_subcommands([](CLI::App* sub) { return sub->get_name() == "node"; });
    CLI::App* node =
        named_node.empty() ? app.add_subcommand("node", "The nodes of the network") : named_node[0];
    auto endpoint = std::make_shared<std::string>();
    auto* trust = node->add_subcommand(
        "trust",
        "Show the stored and the offered certificate of an endpoint and accept the offered one");
    trust->add_option("ENDPOINT", *endpoint, "HOST[:PORT] of the node")->required();
    trust->callback(
        [&context, endpoint] { context.exit_code = run_node_trust(context, *endpoint); });
}

}  // namespace orvane::ui
