// Runs the orvane program as a user would: the arguments as shell words,
// the given text on standard input (nothing: an empty input, no terminal),
// and standard output and standard error caught apart.
#pragma once

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace orvane::testing {

struct ProgramRun {
    int exit_code = -1;  // -1: killed by a signal
    std::string out;
    std::string err;
};

// `prefix` goes in front of the command, for environment settings such as
// "TZ=UTC0".
inline ProgramRun run_orvane(const std::string& arguments, const std::string& input = {},
                             const std::string& prefix = {}) {
    const std::string command = prefix + " '" + ORVANE_BINARY + "' " + arguments;
    int in[2], out[2], err[2];
    ProgramRun run;
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0) return run;
    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]}) close(fd);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    size_t written = 0;
    if (input.empty()) close(in[1]), in[1] = -1;
    pollfd fds[3] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}, {in[1], POLLOUT, 0}};
    while (fds[0].fd >= 0 || fds[1].fd >= 0) {
        if (poll(fds, 3, -1) < 0) break;
        for (int i = 0; i < 2; ++i) {
            if (!fds[i].revents) continue;
            char buffer[4096];
            const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
            if (got > 0) {
                (i == 0 ? run.out : run.err).append(buffer, static_cast<size_t>(got));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
            }
        }
        if (fds[2].fd >= 0 && fds[2].revents) {
            const ssize_t put = write(fds[2].fd, input.data() + written, input.size() - written);
            if (put > 0) written += static_cast<size_t>(put);
            if (put <= 0 || written == input.size()) {
                close(fds[2].fd);
                fds[2].fd = -1;
            }
        }
    }
    if (fds[2].fd >= 0) close(fds[2].fd);
    int status = 0;
    waitpid(pid, &status, 0);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace orvane::testing
