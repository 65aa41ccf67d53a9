// Feeds arbitrary bytes to the Zmodem receiver as everything a sender says
// (headers of every kind, subpackets, escapes, cancels), on a virtual clock
// so that its time-outs cost nothing; the same bytes also go straight
// through the header and subpacket decoders. Files it is made to write
// land in a scratch folder that is emptied after every input.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>

#include "connection/zmodem_decoder.h"
#include "connection/zmodem_receiver.h"
#include "platform/event_loop.h"
#include "platform/memory_channel.h"
#include "platform/policy.h"
#include "platform/virtual_clock.h"

namespace {

using namespace orvane;

const std::string& scratch_folder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "orvane-fuzz-zmodem-XXXXXX").string();
        return std::string(mkdtemp(pattern.data()) ? pattern : "");
    }();
    return folder;
}

void decode_directly(const uint8_t* data, size_t size) {
    connection::zmodem::HeaderDecoder headers;
    for (size_t i = 0; i < size; ++i) (void)headers.feed(data[i]);  // every event is fine
    for (bool crc32 : {false, true}) {
        connection::zmodem::SubpacketDecoder subpacket;
        subpacket.start(crc32);
        size_t at = 0;
        while (at < size) {
            connection::zmodem::SubpacketDecoder::Event event;
            const size_t used = subpacket.feed({data + at, size - at}, &event);
            if (used == 0 || used > size - at) __builtin_trap();
            at += used;
            if (event != connection::zmodem::SubpacketDecoder::Event::kMore) subpacket.start(crc32);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    decode_directly(data, size);
    const std::string& folder = scratch_folder();
    if (folder.empty()) return 0;

    platform::VirtualClockEnv clock;
    platform::EventLoop loop(clock);
    auto [sender, receiver] = platform::MemoryChannel::pair(loop);
    if (!sender->write({data, size}).ok()) __builtin_trap();
    platform::UnattendedPolicy policy;
    connection::ReceiveOptions options;
    options.folders = {folder, folder, folder};
    options.existing = connection::ExistingFileRule::kResumeElseOverwrite;
    {
        auto task = connection::receive_files(*receiver, policy, options);
        task.start();
        // Every wait is bounded: a receiver still busy after a virtual
        // hour is stuck.
        if (!loop.wait_for([&] { return task.done(); }, loop.now() + 3600 * 1000)) __builtin_trap();
        for (const std::string& path : task.result().received)
            if (path.compare(0, folder.size() + 1, folder + "/") != 0) __builtin_trap();
    }
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(folder, ignored))
        std::filesystem::remove_all(entry.path(), ignored);
    return 0;
}
