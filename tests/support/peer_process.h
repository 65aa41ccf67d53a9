// A peer program (sz, rz) run with its standard input and output on pipes,
// so that our side of a protocol talks to it through two descriptors. The
// process is killed and reaped on destruction if still running.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace orvane::testing {

class PeerProcess {
  public:
    PeerProcess() = default;
    PeerProcess(const PeerProcess&) = delete;
    PeerProcess& operator=(const PeerProcess&) = delete;
    ~PeerProcess() {
        close_pipes();
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }

    // Starts `argv` (found on PATH) in `directory` with stderr sent to
    // `error_file` (/dev/null when empty). False when it could not be
    // started.
    bool start(const std::vector<std::string>& argv, const std::string& directory,
               const std::string& error_file = {}) {
        int to_child[2], from_child[2];
        if (::pipe2(to_child, O_CLOEXEC) != 0) return false;
        if (::pipe2(from_child, O_CLOEXEC) != 0) {
            ::close(to_child[0]);
            ::close(to_child[1]);
            return false;
        }
        pid_ = spawn(argv, directory, to_child[0], from_child[1], error_file);
        ::close(to_child[0]);
        ::close(from_child[1]);
        to_peer_ = to_child[1];
        from_peer_ = from_child[0];
        if (pid_ < 0) {
            close_pipes();
            return false;
        }
        return true;
    }

    // Runs `argv` in `directory` reading `input` and writing `output`;
    // the process id, or -1.
    static pid_t spawn(const std::vector<std::string>& argv, const std::string& directory,
                       int input, int output, const std::string& error_file = {}) {
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid == 0) {
            ::dup2(input, 0);
            ::dup2(output, 1);
            const int error = ::open(error_file.empty() ? "/dev/null" : error_file.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
            if (error >= 0) ::dup2(error, 2);
            if (::chdir(directory.c_str()) != 0) ::_exit(126);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
        return pid;
    }

    int to_peer() const { return to_peer_; }
    int from_peer() const { return from_peer_; }

    // Closes our ends and waits for the exit; the exit code, or -1 when it
    // did not exit normally. `cpu_seconds` gets the processor time it used.
    int wait(double* cpu_seconds = nullptr) {
        close_pipes();
        int status = 0;
        rusage usage{};
        if (pid_ <= 0 || ::wait4(pid_, &status, 0, &usage) != pid_) return -1;
        pid_ = -1;
        if (cpu_seconds) *cpu_seconds = seconds(usage);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static double seconds(const rusage& usage) {
        return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
               (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    }

    // Waits for `pid` at most `limit_ms`, then kills it; its exit code, or
    // -1 when it did not exit normally in time. `cpu_seconds` gets the
    // processor time it used.
    static int wait_for(pid_t pid, int limit_ms, double* cpu_seconds = nullptr) {
        int status = 0;
        rusage usage{};
        for (int waited = 0; waited < limit_ms; waited += 10) {
            const pid_t done = ::wait4(pid, &status, WNOHANG, &usage);
            if (done == pid) {
                if (cpu_seconds) *cpu_seconds = seconds(usage);
                return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            }
            if (done < 0) return -1;
            ::usleep(10000);
        }
        ::kill(pid, SIGKILL);
        ::waitpid(pid, &status, 0);
        return -1;
    }

  private:
    void close_pipes() {
        if (to_peer_ >= 0) ::close(to_peer_);
        if (from_peer_ >= 0) ::close(from_peer_);
        to_peer_ = from_peer_ = -1;
    }

    pid_t pid_ = -1;
    int to_peer_ = -1;
    int from_peer_ = -1;
};

// Runs two programs, each reading what the other writes, until both end
// (or `limit_ms` passed, when both are killed); their exit codes.
struct JoinedRun {
    int first = -1;
    int second = -1;
    double cpu_seconds = 0;  // of both
};
inline JoinedRun run_joined(const std::vector<std::string>& first, const std::string& first_dir,
                            const std::vector<std::string>& second, const std::string& second_dir,
                            int limit_ms, const std::string& first_errors = {}) {
    int one_to_two[2], two_to_one[2];
    JoinedRun run;
    if (::pipe2(one_to_two, O_CLOEXEC) != 0) return run;
    if (::pipe2(two_to_one, O_CLOEXEC) != 0) {
        ::close(one_to_two[0]);
        ::close(one_to_two[1]);
        return run;
    }
    const pid_t a =
        PeerProcess::spawn(first, first_dir, two_to_one[0], one_to_two[1], first_errors);
    const pid_t b = PeerProcess::spawn(second, second_dir, one_to_two[0], two_to_one[1]);
    for (int fd : {one_to_two[0], one_to_two[1], two_to_one[0], two_to_one[1]}) ::close(fd);
    double cpu_first = 0, cpu_second = 0;
    if (a > 0) run.first = PeerProcess::wait_for(a, limit_ms, &cpu_first);
    if (b > 0) run.second = PeerProcess::wait_for(b, limit_ms, &cpu_second);
    run.cpu_seconds = cpu_first + cpu_second;
    return run;
}

}  // namespace orvane::testing
