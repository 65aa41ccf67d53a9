// Zmodem through pipes, 20 MiB of random bytes and 20 MiB of text: our
// sender to lrzsz's rz, lrzsz's sz to our receiver, and sz to rz, all in
// the same run. Each figure is the best of three; the ratio is lrzsz's time
// over ours (above 1: we are faster). Escape-all is in force on our side.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "connection/zmodem_receiver.h"
#include "connection/zmodem_sender.h"
#include "platform/event_loop.h"
#include "platform/fd_channel.h"
#include "platform/policy.h"
#include "tests/support/peer_process.h"

namespace {

using namespace orvane;
using Clock = std::chrono::steady_clock;

constexpr size_t kSize = 20 * 1024 * 1024;
constexpr int kRounds = 3;
constexpr int kLimitMs = 600000;

void write_random(const std::string& path) {
    std::mt19937 random(1);
    std::string bytes(kSize, '\0');
    for (auto& byte : bytes) byte = static_cast<char>(random());
    std::ofstream(path, std::ios::binary) << bytes;
}

void write_text(const std::string& path) {
    static const char* const kWords[] = {"the",   "meeting", "garden", "letter", "conference",
                                         "about", "summer",  "roses",  "and",    "tomorrow",
                                         "we",    "will",    "see",    "you",    "after"};
    std::mt19937 random(2);
    std::string text, line;
    while (text.size() < kSize) {
        line += kWords[random() % 15];
        line += ' ';
        if (line.size() > 64) {
            text += line + "\r\n";
            line.clear();
        }
    }
    text.resize(kSize);
    std::ofstream(path, std::ios::binary) << text;
}

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Our side on the loop against `peer` started in `peer_dir`; seconds, or
// -1 when the transfer did not complete.
template <typename MakeTask, typename Succeeded>
double against_peer(const std::vector<std::string>& peer, const std::string& peer_dir,
                    MakeTask make_task, Succeeded succeeded) {
    testing::PeerProcess process;
    const auto start = Clock::now();
    if (!process.start(peer, peer_dir)) return -1;
    platform::EventLoop loop;
    bool ok = false;
    {
        platform::FdChannel channel(loop, process.from_peer(), process.to_peer(), "peer");
        auto task = make_task(channel);
        ok = platform::run_to_end(loop, task) && succeeded(task.result());
    }
    ok = process.wait() == 0 && ok;
    return ok ? seconds_since(start) : -1;
}

double ours_to_rz(const std::string& file, const std::string& into) {
    platform::UnattendedPolicy policy;
    return against_peer(
        {"rz", "--overwrite"}, into,
        [&](platform::ByteChannel& channel) {
            return connection::send_files(channel, policy, {}, {file});
        },
        [](const connection::SendSummary& summary) { return summary.all_sent(); });
}

double sz_to_ours(const std::string& file, const std::string& into) {
    platform::UnattendedPolicy policy;
    connection::ReceiveOptions options;
    options.folders = {into, into, into};
    options.existing = connection::ExistingFileRule::kResumeElseOverwrite;
    std::filesystem::remove(into + "/" + std::filesystem::path(file).filename().string());
    return against_peer(
        {"sz", file}, into,
        [&](platform::ByteChannel& channel) {
            return connection::receive_files(channel, policy, options);
        },
        [](const connection::ReceiveOutcome& outcome) { return outcome.complete(); });
}

double sz_to_rz(const std::string& file, const std::string& into) {
    const auto start = Clock::now();
    const testing::JoinedRun run =
        testing::run_joined({"sz", file}, into, {"rz", "--overwrite"}, into, kLimitMs);
    return run.first == 0 && run.second == 0 ? seconds_since(start) : -1;
}

template <typename Measure>
double best_of(Measure measure) {
    double best = -1;
    for (int round = 0; round < kRounds; ++round) {
        const double seconds = measure();
        if (seconds < 0) return -1;
        best = best < 0 ? seconds : std::min(best, seconds);
    }
    return best;
}

void report(const char* what, double ours, double peer) {
    if (ours < 0 || peer < 0) {
        std::printf("%-44s FAILED (ours %.3f s, lrzsz %.3f s)\n", what, ours, peer);
        return;
    }
    std::printf("%-44s ours %7.3f s   sz to rz %7.3f s   ratio %.2f\n", what, ours, peer,
                peer / ours);
}

}  // namespace

int main() {
    ::signal(SIGPIPE, SIG_IGN);
    const std::string root = std::filesystem::temp_directory_path() /
                             ("orvane-bench-zmodem-" + std::to_string(::getpid()));
    const std::string source = root + "/source", ours = root + "/ours", theirs = root + "/theirs";
    for (const std::string& dir : {source, ours, theirs}) std::filesystem::create_directories(dir);
    write_random(source + "/random.bin");
    write_text(source + "/text.txt");

    int status = 0;
    for (const char* name : {"random.bin", "text.txt"}) {
        const std::string file = source + "/" + name;
        const double peer = best_of([&] { return sz_to_rz(file, theirs); });
        const double send = best_of([&] { return ours_to_rz(file, theirs); });
        const double receive = best_of([&] { return sz_to_ours(file, ours); });
        report((std::string("20 MiB ") + name + ": our sender to rz").c_str(), send, peer);
        report((std::string("20 MiB ") + name + ": sz to our receiver").c_str(), receive, peer);
        if (send < 0 || receive < 0 || peer < 0) status = 1;
    }
    std::filesystem::remove_all(root);
    return status;
}
