// The connection: bulk data from a server on the loopback interface through
// the Telnet transport, plain and with TLS, beside socat copying the same
// bytes over a plain TCP socket, in one run.
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "bench/bench_support.h"
#include "connection/telnet_connection.h"
#include "connection/telnet_protocol.h"
#include "platform/task.h"
#include "tests/connection/telnet_test_server.h"
#include "tests/connection/tls_test_peers.h"

namespace {

using namespace orvane;
using namespace orvane::connection::testing;
using namespace orvane::bench;

constexpr size_t kPayload = 64 << 20;

double megabytes_per_second(size_t bytes, double seconds) {
    return static_cast<double>(bytes) / (1 << 20) / seconds;
}

platform::Task<size_t> read_all(connection::TelnetConnection& channel) {
    size_t total = 0;
    while (co_await channel.readable(channel.loop().now() + 30000)) {
        total += channel.available();
        channel.consume(channel.available());
    }
    co_return total;
}

// Seconds for the whole payload to arrive through the transport, or -1.
double through_transport(const Bytes& encoded, const TestCertificate* certificate) {
    LoopbackServer server([&](int fd) {
        if (certificate) {
            TlsServerSide tls(fd, *certificate, TlsVersion::k13);
            for (size_t at = 0; at < encoded.size(); at += 16384) {
                tls.write(Bytes(encoded.begin() + static_cast<ptrdiff_t>(at),
                                encoded.begin() +
                                    static_cast<ptrdiff_t>(std::min(at + 16384, encoded.size()))));
            }
        } else {
            send_all(fd, encoded);
        }
    });
    platform::EventLoop loop;
    const auto start = Clock::now();
    connection::TelnetSettings settings;
    settings.tls = certificate != nullptr;
    auto channel = connect_for_test(loop, server.endpoint(), settings);
    if (!channel) return -1;
    auto reader = read_all(*channel);
    if (!platform::run_to_end(loop, reader) || reader.result() != kPayload) return -1;
    return seconds_since(start);
}

// Whether something listens on 127.0.0.1:`port` (from /proc/net/tcp).
bool listening_on(int port) {
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X 00000000:0000 0A", port);
    FILE* table = std::fopen("/proc/net/tcp", "r");
    if (!table) return false;
    char line[512];
    bool found = false;
    while (!found && std::fgets(line, sizeof line, table))
        found = std::strstr(line, wanted) != nullptr;
    std::fclose(table);
    return found;
}

// Seconds for socat to copy `file` to another socat over TCP, or -1.
double through_socat(const std::string& file) {
    const int port = closed_port();
    ChildProcess receiver({"socat", "-u",
                           "TCP-LISTEN:" + std::to_string(port) + ",bind=127.0.0.1,reuseaddr",
                           "OPEN:/dev/null"});
    for (int attempt = 0; !listening_on(port); ++attempt) {
        if (attempt == 500) return -1;
        ::usleep(2000);
    }
    const auto start = Clock::now();
    ChildProcess sender({"socat", "-u", "OPEN:" + file, "TCP:127.0.0.1:" + std::to_string(port)});
    if (sender.wait() != 0 || receiver.wait() != 0) return -1;
    return seconds_since(start);
}

// The best of three runs.
template <typename Run>
double best_of_three(Run run) {
    double best = -1;
    for (int i = 0; i < 3; ++i) {
        const double seconds = run();
        if (seconds <= 0) return -1;
        if (best < 0 || seconds < best) best = seconds;
    }
    return best;
}

}  // namespace

int main() {
    const ScratchFolder scratch("transport");
    Bytes payload(kPayload);
    std::mt19937 random(14);
    for (auto& byte : payload) byte = static_cast<uint8_t>(random());
    Bytes encoded;
    connection::append_telnet_data(&encoded, payload);
    const std::string file = scratch.file("payload");
    {
        FILE* out = std::fopen(file.c_str(), "wb");
        check(out && std::fwrite(payload.data(), 1, payload.size(), out) == payload.size(),
              "write the payload");
        std::fclose(out);
    }
    start_tls_library();
    auto certificate = make_certificate(scratch.path(), "bench");

    const double socat = best_of_three([&] { return through_socat(file); });
    const double plain = best_of_three([&] { return through_transport(encoded, nullptr); });
    const double tls =
        certificate ? best_of_three([&] { return through_transport(encoded, &*certificate); }) : -1;
    if (socat <= 0 || plain <= 0 || tls <= 0) {
        std::fprintf(stderr, "bench_transport: a run failed (socat %.3f, plain %.3f, tls %.3f)\n",
                     socat, plain, tls);
        return 1;
    }
    const double peer = megabytes_per_second(kPayload, socat);
    for (const auto& [name, seconds] :
         {std::pair{"telnet transport, 64 MiB random bytes, plain", plain},
          std::pair{"telnet transport, 64 MiB random bytes, TLS 1.3", tls}}) {
        const double ours = megabytes_per_second(kPayload, seconds);
        ratio_line(name, ours, "socat over TCP", peer, "MB/s");
    }
    return 0;
}
