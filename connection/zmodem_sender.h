// Sending files by Zmodem (the upload of mail packets, and the command
// line's send). start() calls the receiver ("rz" CR, ZRQINIT), learns its
// capabilities from ZRINIT and asks for escaped control characters with
// ZSINIT when it did not offer them; send_file() announces one file with
// ZFILE (ZF0 = 3, so that the receiver resumes a partial copy), sends data
// from the position the receiver names, recovers from ZRPOS with shorter
// blocks that grow back, keeps within the window, and ends with ZEOF;
// finish() says goodbye with ZFIN and "OO", or cancels.
//
// Escape-all is in force in both directions from the start. A coroutine on
// the channel's loop; every wait is bounded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "connection/transfer_progress.h"
#include "connection/zmodem_link.h"
#include "platform/byte_channel.h"
#include "platform/policy.h"
#include "platform/status.h"
#include "platform/task.h"

namespace orvane::connection {

struct SendOptions {
    // Bytes sent without acknowledgement before the sender waits for ZACK;
    // 0: none.
    uint32_t window = 0;
    uint32_t byte_timeout_ms = zmodem::kByteTimeoutMs;
};

// What the receiver's ZRINIT lets us do.
struct ReceiverCapabilities {
    bool crc32 = false;
    bool escapes_control = false;  // it asked for escaped control characters itself
    size_t max_block = 1024;       // largest data subpacket
};

// Reads a ZRINIT: CRC-32 when offered; blocks of 1024 bytes, or of the
// first byte in KiB (at most 32 KiB) when the third byte has 0x40; with a
// window, blocks of at most a quarter of it.
ReceiverCapabilities receiver_capabilities(const zmodem::Header& zrinit, uint32_t window);

enum class SendResult { kSent, kSkipped, kFailed, kCancelled };

struct FileSent {
    SendResult result = SendResult::kFailed;
    platform::Status status;  // why, unless sent
};

class ZmodemSender {
  public:
    // `channel` and `policy` must outlive the sender and its tasks.
    ZmodemSender(platform::ByteChannel& channel, platform::Policy& policy, SendOptions options);

    // The handshake; send_file() does it when it was not done.
    platform::Task<platform::Status> start();
    platform::Task<FileSent> send_file(std::string path);
    // Ends the session: ZFIN and "OO", or the cancel when `aborted` (or
    // the user asked to stop).
    platform::Task<platform::Status> finish(bool aborted);

    // The transfer cannot go on: cancelled, ended by the receiver, or the
    // line is gone.
    bool broken() const { return broken_; }

  private:
    struct Stream;
    enum class Step { kGoOn, kRestart, kDone };

    platform::Task<FileSent> stream(Stream& file);
    // Reads what the receiver sent while we stream, without waiting when
    // it sent nothing.
    platform::Task<Step> listen(Stream& file, FileSent* outcome);
    // Waits until no more than `allowed` bytes are unacknowledged.
    platform::Task<Step> await_ack(Stream& file, uint32_t allowed, FileSent* outcome);
    platform::Task<Step> end_of_file(Stream& file, FileSent* outcome);
    // What a header from the receiver means for the file being sent.
    platform::Task<Step> react(Stream& file, const zmodem::Incoming& in, FileSent* outcome);
    // Cancels the transfer and fails the file with `why`.
    platform::Task<FileSent> give_up(platform::Status why);
    platform::Task<FileSent> fail_closed();
    // Why the transfer is over when `in` is a cancel or the end of the line.
    platform::Status ended(const zmodem::Incoming& in);
    void send_zfile(const Stream& file);
    void send_header(zmodem::FrameType type, uint32_t position);

    zmodem::Link link_;
    SendOptions options_;
    zmodem::TransferProgress progress_;
    ReceiverCapabilities capabilities_;
    bool started_ = false;
    bool broken_ = false;
};

struct SendSummary {
    platform::Status status;  // of the handshake and the goodbye
    std::vector<FileSent> files;
    bool all_sent() const;
};

// Sends `paths` in one session. `channel` and `policy` must outlive the task.
platform::Task<SendSummary> send_files(platform::ByteChannel& channel, platform::Policy& policy,
                                       SendOptions options, std::vector<std::string> paths);

}  // namespace orvane::connection
