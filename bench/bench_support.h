// What every benchmark program needs besides its workload: timing, a stop at
// the first failed step (a failed run measures nothing), a scratch folder that
// goes away at the end, and the one line per figure that sets our figure
// beside the peer's.
#pragma once

#include <errno.h>  // program_invocation_short_name
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "platform/status.h"

namespace orvane::bench {

using Clock = std::chrono::steady_clock;

inline double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Ends the program with "<program>: <what> failed" when a step failed.
inline void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "%s: %s failed\n", program_invocation_short_name, what);
    std::exit(1);
}

// The same for a step that reports a Status: its text goes first.
inline void check(const platform::Status& status, const char* what) {
    if (status.ok()) return;
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, status.text().c_str());
    check(false, what);
}

// A folder of the run's own under the system's temporary folder, named with
// the process number so that runs side by side keep apart; removed with all it
// holds when the benchmark is done.
class ScratchFolder {
  public:
    explicit ScratchFolder(const std::string& name)
        : path_(std::filesystem::temp_directory_path() /
                ("orvane-bench-" + name + "-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(path_);
    }
    ~ScratchFolder() {
        std::error_code ignored;  // nothing to be done about a leftover at exit
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

// The width of the "what" column of a ratio line, for a program's own lines
// to line up with it.
constexpr int kWhatColumn = 62;

// Decimals that suit a figure's size: none from 1000 up, one from 10 up,
// three below.
inline int decimals_for(double figure) {
    const double size = std::fabs(figure);
    return size >= 1000 ? 0 : size >= 10 ? 1 : 3;
}

// One figure: what was measured, ours and the peer's in `unit`, and the ratio
// ours / peer (0 when the peer's figure is 0).
inline void ratio_line(const std::string& what, double ours, const char* peer_name, double peer,
                       const char* unit) {
    std::printf("%-*s ours %10.*f %-9s  %-11s %10.*f %-9s  ratio %.2f\n", kWhatColumn, what.c_str(),
                decimals_for(ours), ours, unit, peer_name, decimals_for(peer), peer, unit,
                peer != 0 ? ours / peer : 0.0);
}

}  // namespace orvane::bench
