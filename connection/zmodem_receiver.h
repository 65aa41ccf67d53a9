// Receiving files by Zmodem (the download of the downdump and other files).
// The receiver answers the sender's opening with ZRINIT, takes each file
// announced by ZFILE into the folder its name belongs to, resumes a shorter
// file that is already there (or asks, or skips), recovers from damaged
// data by asking for the position again (ZRPOS), and ends at the sender's
// ZFIN. It is a coroutine on the channel's loop; every wait is bounded.
//
// A file that fails keeps what arrived, so that the next transfer resumes
// it; a file counts as received only when its length is the announced one.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "connection/download_names.h"
#include "connection/existing_download.h"
#include "connection/zmodem_link.h"
#include "platform/byte_channel.h"
#include "platform/policy.h"
#include "platform/status.h"
#include "platform/task.h"

namespace orvane::connection {

struct ReceiveOptions {
    DownloadFolders folders;
    // A received downdump goes on the list of files to import.
    bool import_downdumps = true;
    // A received archive named like one to unpack goes on the unpack list.
    bool unzip_files = true;
    ExistingFileRule existing = ExistingFileRule::kAsk;
    // The receive window announced to the sender, in bytes; 0: none.
    uint32_t window = 0;
    // Each received file is flushed to the disk before it counts as
    // received, so that a crash right after the session loses no mail the
    // server thinks delivered.
    bool sync_files = true;
    uint32_t byte_timeout_ms = zmodem::kByteTimeoutMs;
};

struct ReceiveOutcome {
    // Success, cancelled (by the user or the sender), or why the transfer
    // broke off.
    platform::Status status;
    // What went wrong with single files while the transfer went on.
    std::vector<platform::Status> file_problems;
    std::vector<std::string> received;  // files that arrived whole
    std::vector<std::string> skipped;   // existing files left as they were
    std::vector<std::string> to_import;
    std::vector<std::string> to_unpack;

    // Every announced file arrived or was skipped by choice.
    bool complete() const { return status.ok() && file_problems.empty(); }
};

// The four bytes of our ZRINIT: 0x20 (blocks up to 32 KiB), the window in
// KiB rounded, 0x40 (the first byte counts), and the capabilities full
// duplex, overlapped I/O, CRC-32 and escaped control characters.
std::array<uint8_t, 4> zrinit_bytes(uint32_t window);

// Receives until the sender finishes. `channel` and `policy` must outlive
// the task.
platform::Task<ReceiveOutcome> receive_files(platform::ByteChannel& channel,
                                             platform::Policy& policy, ReceiveOptions options);

}  // namespace orvane::connection
