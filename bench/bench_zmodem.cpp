// Zmodem through pipes, 20 MiB of random bytes and 20 MiB of text: our
// sender to lrzsz's rz, lrzsz's sz to our receiver, and sz to rz, all in
// the same run. For each, the time it took and the processor time both
// programs used (which a busy machine disturbs less), each the best of
// five; the ratio is lrzsz's figure over ours (above 1: we do better).
// Escape-all is in force on our side, so our receiver has sz escape every
// control character, which costs sz dearly; sz to "rz -e" (which asks the
// same) is measured too, for comparison.
#include <signal.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

#include "bench/bench_support.h"
#include "connection/zmodem_receiver.h"
#include "connection/zmodem_sender.h"
#include "platform/event_loop.h"
#include "platform/fd_channel.h"
#include "platform/policy.h"
#include "tests/support/peer_process.h"

namespace {

using namespace orvane;
using namespace orvane::bench;

constexpr size_t kSize = 20 * 1024 * 1024;
constexpr int kRounds = 5;
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

double own_cpu_seconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return testing::PeerProcess::seconds(usage);
}

// One transfer: its time and the processor time of both sides; negative
// when it failed.
struct Cost {
    double seconds = -1;
    double cpu = -1;
};

// Our side on the loop against `peer` started in `peer_dir`.
template <typename MakeTask, typename Succeeded>
Cost against_peer(const std::vector<std::string>& peer, const std::string& peer_dir,
                  MakeTask make_task, Succeeded succeeded) {
    testing::PeerProcess process;
    const auto start = Clock::now();
    const double own_start = own_cpu_seconds();
    if (!process.start(peer, peer_dir)) return {};
    platform::EventLoop loop;
    bool ok = false;
    {
        platform::FdChannel channel(loop, process.from_peer(), process.to_peer(), "peer");
        auto task = make_task(channel);
        ok = platform::run_to_end(loop, task) && succeeded(task.result());
    }
    double peer_cpu = 0;
    ok = process.wait(&peer_cpu) == 0 && ok;
    if (!ok) return {};
    return {seconds_since(start), own_cpu_seconds() - own_start + peer_cpu};
}

// The target of each run is removed first: rz would resume a whole copy.
void remove_target(const std::string& file, const std::string& into) {
    std::filesystem::remove(into + "/" + std::filesystem::path(file).filename().string());
}

Cost ours_to_rz(const std::string& file, const std::string& into) {
    remove_target(file, into);
    platform::UnattendedPolicy policy;
    return against_peer(
        {"rz", "--overwrite"}, into,
        [&](platform::ByteChannel& channel) {
            return connection::send_files(channel, policy, {}, {file});
        },
        [](const connection::SendSummary& summary) { return summary.all_sent(); });
}

Cost sz_to_ours(const std::string& file, const std::string& into) {
    remove_target(file, into);
    platform::UnattendedPolicy policy;
    connection::ReceiveOptions options;
    options.folders = {into, into, into};
    options.existing = connection::ExistingFileRule::kResumeElseOverwrite;
    options.sync_files = false;  // as the command line, and as rz
    return against_peer(
        {"sz", file}, into,
        [&](platform::ByteChannel& channel) {
            return connection::receive_files(channel, policy, options);
        },
        [](const connection::ReceiveOutcome& outcome) { return outcome.complete(); });
}

// `rz_options` adds to rz's command line.
Cost sz_to_rz(const std::string& file, const std::string& into,
              const std::vector<std::string>& rz_options = {}) {
    remove_target(file, into);
    std::vector<std::string> rz = {"rz", "--overwrite"};
    rz.insert(rz.end(), rz_options.begin(), rz_options.end());
    const auto start = Clock::now();
    const testing::JoinedRun run = testing::run_joined({"sz", file}, into, rz, into, kLimitMs);
    if (run.first != 0 || run.second != 0) return {};
    return {seconds_since(start), run.cpu_seconds};
}

template <typename Measure>
Cost best_of(Measure measure) {
    Cost best;
    for (int round = 0; round < kRounds; ++round) {
        const Cost cost = measure();
        if (cost.seconds < 0) return {};
        if (best.seconds < 0 || cost.seconds < best.seconds) best.seconds = cost.seconds;
        if (best.cpu < 0 || cost.cpu < best.cpu) best.cpu = cost.cpu;
    }
    return best;
}

void report(const std::string& what, const Cost& ours, const char* peer_name, const Cost& peer) {
    if (ours.seconds < 0 || peer.seconds < 0) {
        std::printf("%-54s FAILED\n", what.c_str());
        return;
    }
    std::printf("%-54s ours %7.3f s   %-11s %7.3f s   ratio %.2f\n", (what + ", time").c_str(),
                ours.seconds, peer_name, peer.seconds, peer.seconds / ours.seconds);
    std::printf("%-54s ours %7.3f s   %-11s %7.3f s   ratio %.2f\n",
                (what + ", processor time").c_str(), ours.cpu, peer_name, peer.cpu,
                peer.cpu / ours.cpu);
}

}  // namespace

int main() {
    ::signal(SIGPIPE, SIG_IGN);
    const ScratchFolder scratch("zmodem");
    const std::string source = scratch.file("source"), ours = scratch.file("ours"),
                      theirs = scratch.file("theirs");
    for (const std::string& dir : {source, ours, theirs}) std::filesystem::create_directories(dir);
    write_random(source + "/random.bin");
    write_text(source + "/text.txt");

    int status = 0;
    for (const char* name : {"random.bin", "text.txt"}) {
        const std::string file = source + "/" + name;
        const Cost peer = best_of([&] { return sz_to_rz(file, theirs); });
        const Cost peer_escaping = best_of([&] { return sz_to_rz(file, theirs, {"-e"}); });
        const Cost send = best_of([&] { return ours_to_rz(file, theirs); });
        const Cost receive = best_of([&] { return sz_to_ours(file, ours); });
        const std::string size = std::string("20 MiB ") + name;
        report(size + ": our sender to rz", send, "sz to rz", peer);
        report(size + ": sz to our receiver", receive, "sz to rz", peer);
        report(size + ": sz to our receiver", receive, "sz to rz -e", peer_escaping);
        if (send.seconds < 0 || receive.seconds < 0 || peer.seconds < 0 ||
            peer_escaping.seconds < 0)
            status = 1;
    }
    return status;
}
