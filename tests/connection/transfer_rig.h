// A sender and a receiver joined by a memory line on a virtual clock: time
// limits pass in no real time, and each direction of the line can be made
// to lose, change or add bytes.
#pragma once

#include <cstdint>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "connection/zmodem_receiver.h"
#include "connection/zmodem_sender.h"
#include "platform/event_loop.h"
#include "platform/fault_env.h"
#include "platform/memory_channel.h"
#include "platform/scripted_ui.h"
#include "platform/virtual_clock.h"
#include "tests/support/temp_directory.h"

namespace orvane::connection::testing {

using Bytes = std::vector<uint8_t>;

inline void write_file(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline Bytes random_bytes(size_t size, uint32_t seed) {
    std::mt19937 random(seed);
    Bytes bytes(size);
    for (auto& byte : bytes) byte = static_cast<uint8_t>(random());
    return bytes;
}

// Every byte value, then the bytes that matter to the line (ZDLE, XON,
// XOFF, DEL, IAC, CR with 0x80 and CR), then a run of CAN and things that
// look like headers, repeated.
inline Bytes awkward_bytes() {
    Bytes bytes;
    for (int round = 0; round < 8; ++round) {
        for (int b = 0; b < 256; ++b) bytes.push_back(static_cast<uint8_t>(b));
        for (uint8_t b : {0x18, 0x11, 0x13, 0x7F, 0xFF, 0x8D, 0x0D, 0x91, 0x93, 0x10, 0x90})
            bytes.push_back(b);
        bytes.insert(bytes.end(), 12, 0x18);
        for (const char* text : {"**\x18"
                                 "B0100000023be50\r\n",
                                 "*\x18"
                                 "C",
                                 "rz\r", "OO"})
            bytes.insert(bytes.end(), text, text + std::char_traits<char>::length(text));
    }
    return bytes;
}

class TransferRig {
    // First, so that they are built before the line and outlive it.
    platform::VirtualClockEnv clock_;
    platform::FaultEnv faults_;
    platform::EventLoop loop_;

  public:
    TransferRig() : faults_(clock_), loop_(faults_) { connect(); }

    // A fresh line, as for the next session.
    void connect() {
        auto ends = platform::MemoryChannel::pair(loop_);
        sender_end = std::move(ends.first);
        receiver_end = std::move(ends.second);
    }

    platform::EventLoop& loop() { return loop_; }
    // Fails file operations on cue; time is virtual.
    platform::FaultEnv& faults() { return faults_; }
    const std::string& outgoing() const { return outgoing_.path(); }
    const std::string& incoming() const { return incoming_.path(); }

    std::string add_file(const std::string& name, const Bytes& bytes) {
        const std::string path = outgoing_.file(name);
        write_file(path, bytes);
        return path;
    }

    ReceiveOptions receive_options(
        ExistingFileRule rule = ExistingFileRule::kResumeElseSkip) const {
        ReceiveOptions options;
        options.folders = {incoming(), incoming(), incoming()};
        options.existing = rule;
        return options;
    }

    struct Run {
        SendSummary sent;
        ReceiveOutcome received;
        bool finished = false;    // both sides ended within the time allowed
        uint32_t elapsed_ms = 0;  // of virtual time
    };

    // Sends `paths` to a receiver with `options`; each side ends by itself
    // or the run gives up after an hour of virtual time.
    Run run(std::vector<std::string> paths, ReceiveOptions options, SendOptions send = {}) {
        auto sending = send_files(*sender_end, sender_ui, send, std::move(paths));
        auto receiving = receive_files(*receiver_end, receiver_ui, std::move(options));
        const uint32_t start = loop_.now();
        receiving.start();
        sending.start();
        Run run;
        run.finished =
            loop_.wait_for([&] { return sending.done() && receiving.done(); }, start + 3600 * 1000);
        run.elapsed_ms = loop_.now() - start;
        if (sending.done()) run.sent = std::move(sending.result());
        if (receiving.done()) run.received = std::move(receiving.result());
        return run;
    }

    std::unique_ptr<platform::MemoryChannel> sender_end;
    std::unique_ptr<platform::MemoryChannel> receiver_end;
    platform::ScriptedUi sender_ui;
    platform::ScriptedUi receiver_ui;

  private:
    orvane::testing::TempDirectory outgoing_;
    orvane::testing::TempDirectory incoming_;
};

}  // namespace orvane::connection::testing
