// A peer program (sz, rz) run with its standard input and output on pipes,
// so that our side of a protocol talks to it through two descriptors. The
// process is killed and reaped on destruction if still running.
#pragma once

#include <fcntl.h>
#include <signal.h>
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
    // /dev/null. False when it could not be started.
    bool start(const std::vector<std::string>& argv, const std::string& directory) {
        int to_child[2], from_child[2];
        if (::pipe2(to_child, O_CLOEXEC) != 0) return false;
        if (::pipe2(from_child, O_CLOEXEC) != 0) {
            ::close(to_child[0]);
            ::close(to_child[1]);
            return false;
        }
        std::vector<char*> args;
        for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
        args.push_back(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            ::dup2(to_child[0], 0);
            ::dup2(from_child[1], 1);
            const int null = ::open("/dev/null", O_WRONLY);
            if (null >= 0) ::dup2(null, 2);
            if (::chdir(directory.c_str()) != 0) ::_exit(126);
            ::execvp(args[0], args.data());
            ::_exit(127);
        }
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

    int to_peer() const { return to_peer_; }
    int from_peer() const { return from_peer_; }

    // Closes our ends and waits for the exit; the exit code, or -1 when it
    // did not exit normally.
    int wait() {
        close_pipes();
        int status = 0;
        if (pid_ <= 0 || ::waitpid(pid_, &status, 0) != pid_) return -1;
        pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

}  // namespace orvane::testing
