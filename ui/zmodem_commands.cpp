// orvane zmodem send|receive: Zmodem on standard input and output, the way
// sz and rz do it, for a terminal program that starts us on the far side of
// a login, or for a pipe to another Zmodem program.
//
// While the transfer runs standard input and output carry nothing but the
// protocol: a terminal there is put into raw mode, and progress goes to
// stderr only when that is a terminal of its own. Messages come after the
// transfer, on stderr.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

#include "connection/zmodem_receiver.h"
#include "connection/zmodem_sender.h"
#include "platform/event_loop.h"
#include "platform/fd_channel.h"
#include "platform/file.h"
#include "platform/task.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

struct ZmodemOptions {
    std::vector<std::string> files;
    std::string folder = ".";
    bool overwrite = false;
    uint32_t window = 0;
};

// Standard input and output as the line of a transfer: a terminal in raw
// mode, both descriptors non-blocking for the loop; put back as they were
// when the transfer ends.
class StdioLine {
  public:
    StdioLine() {
        for (int fd : {STDIN_FILENO, STDOUT_FILENO}) flags_[fd] = ::fcntl(fd, F_GETFL);
        raw_ = ::isatty(STDIN_FILENO) && ::tcgetattr(STDIN_FILENO, &saved_) == 0;
        if (raw_) {
            termios raw = saved_;
            ::cfmakeraw(&raw);
            raw_ = ::tcsetattr(STDIN_FILENO, TCSAFLUSH, &raw) == 0;
        }
        // A peer that goes away must end the transfer, not the program.
        ::signal(SIGPIPE, SIG_IGN);
    }
    ~StdioLine() {
        if (raw_) ::tcsetattr(STDIN_FILENO, TCSADRAIN, &saved_);
        for (int fd : {STDIN_FILENO, STDOUT_FILENO})
            if (flags_[fd] >= 0) ::fcntl(fd, F_SETFL, flags_[fd]);
    }
    StdioLine(const StdioLine&) = delete;
    StdioLine& operator=(const StdioLine&) = delete;

  private:
    int flags_[2] = {-1, -1};
    bool raw_ = false;
    termios saved_{};
};

bool same_file(int a, int b) {
    struct stat first {
    }, second{};
    return ::fstat(a, &first) == 0 && ::fstat(b, &second) == 0 && first.st_dev == second.st_dev &&
           first.st_ino == second.st_ino;
}

// The answers of the command line: no questions (the options decide), and
// progress through the console when stderr is a terminal that is not the
// line itself.
class TransferPolicy : public platform::UnattendedPolicy {
  public:
    explicit TransferPolicy(platform::Ui& ui)
        : ui_(ui),
          show_progress_(::isatty(STDERR_FILENO) && !same_file(STDERR_FILENO, STDIN_FILENO) &&
                         !same_file(STDERR_FILENO, STDOUT_FILENO)) {}
    std::unique_ptr<platform::Progress> progress(std::string_view title) override {
        return show_progress_ ? ui_.progress(title) : UnattendedPolicy::progress(title);
    }

  private:
    platform::Ui& ui_;
    bool show_progress_;
};

// Runs the transfer `start` makes on standard input and output.
template <typename T, typename Start>
T run_on_stdio(Start start) {
    StdioLine line;
    platform::EventLoop loop;
    platform::FdChannel channel(loop, STDIN_FILENO, STDOUT_FILENO, "standard output");
    platform::Task<T> task = start(channel);
    (void)platform::run_to_end(loop, task);  // the loop always has the line or a timer to wait for
    return std::move(task.result());
}

int send(CliContext& context, const ZmodemOptions& options) {
    TransferPolicy policy(context.ui);
    connection::SendOptions send_options;
    send_options.window = options.window;
    const connection::SendSummary summary =
        run_on_stdio<connection::SendSummary>([&](platform::ByteChannel& channel) {
            return connection::send_files(channel, policy, send_options, options.files);
        });
    for (const connection::FileSent& file : summary.files)
        if (file.result != connection::SendResult::kSent && !file.status.is_cancelled())
            print_error(file.status.text());
    if (!summary.status.ok() && !summary.status.is_cancelled()) print_error(summary.status.text());
    return summary.all_sent() && summary.files.size() == options.files.size() ? 0 : 1;
}

int receive(CliContext& context, const ZmodemOptions& options) {
    if (!platform::directory_exists(options.folder)) {
        print_error("the folder '" + options.folder + "' does not exist");
        return 1;
    }
    TransferPolicy policy(context.ui);
    connection::ReceiveOptions receive_options;
    receive_options.folders = {options.folder, options.folder, options.folder};
    receive_options.existing = options.overwrite
                                   ? connection::ExistingFileRule::kResumeElseOverwrite
                                   : connection::ExistingFileRule::kResumeElseSkip;
    receive_options.window = options.window;
    // Like rz (and cp), leave writing back to the disk to the system.
    receive_options.sync_files = false;
    const connection::ReceiveOutcome outcome =
        run_on_stdio<connection::ReceiveOutcome>([&](platform::ByteChannel& channel) {
            return connection::receive_files(channel, policy, receive_options);
        });
    for (const platform::Status& problem : outcome.file_problems) print_error(problem.text());
    if (!outcome.status.ok() && !outcome.status.is_cancelled()) print_error(outcome.status.text());
    return outcome.complete() ? 0 : 1;
}

// 0 (no window) or 1024 to 131072 bytes.
std::string check_window(const std::string& text) {
    char* end = nullptr;
    const unsigned long value = std::strtoul(text.c_str(), &end, 10);
    if (end == text.c_str() || *end || (value != 0 && (value < 1024 || value > 131072)))
        return "the window is 0 (none) or 1024 to 131072 bytes";
    return {};
}

}  // namespace

void add_zmodem_commands(CLI::App& app, CliContext& context) {
    auto* zmodem = app.add_subcommand(
        "zmodem", "Send or receive files by Zmodem on standard input and output, as sz and rz do");
    zmodem->require_subcommand(1);
    auto options = std::make_shared<ZmodemOptions>();

    auto* send_command = zmodem->add_subcommand(
        "send", "Send files; the receiver may resume a partial copy. Exit 0 when all were sent");
    send_command->add_option("files", options->files, "Files to send")->required();
    auto* receive_command = zmodem->add_subcommand(
        "receive",
        "Receive files; a shorter file of the same name is resumed, another one is skipped");
    receive_command->add_option("--dir", options->folder, "Folder for the files (default: here)");
    receive_command->add_flag("--overwrite", options->overwrite,
                              "Overwrite a file of the same name that is not shorter");
    for (auto* command : {send_command, receive_command}) {
        command
            ->add_option("--window", options->window,
                         "Bytes in flight before an acknowledgement (0: no window)")
            ->check(CLI::Validator(check_window, "BYTES"));
    }
    send_command->callback([&context, options] { context.exit_code = send(context, *options); });
    receive_command->callback(
        [&context, options] { context.exit_code = receive(context, *options); });
}

}  // namespace orvane::ui
