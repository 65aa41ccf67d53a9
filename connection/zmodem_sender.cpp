#include "connection/zmodem_sender.h"

#include <algorithm>

#include "connection/download_names.h"
#include "connection/zmodem_file_info.h"
#include "platform/clock.h"
#include "platform/file.h"

namespace orvane::connection {

namespace {

using platform::MessageId;
using platform::Status;
using platform::Task;
using namespace zmodem;

// Answers awaited for one request (ZRINIT, ZACK to ZSINIT, ZRPOS to
// ZFILE, ZRINIT to ZEOF, a ZACK) before the transfer is given up.
constexpr int kAnswerTries = 10;
// ZRPOS in a row that bring the receiver no further before the file fails.
constexpr int kRposStrikes = 10;
constexpr int kFinTries = 4;
// More stray bytes than this from the receiver while streaming: the next
// subpacket asks for an acknowledgement.
constexpr int kStrayLimit = 3;
// After an error the block length halves, down to this.
constexpr size_t kMinBlock = 64;
// Blocks sent without an error before the block length doubles again.
constexpr int kGoodRun = 16;
// After the last subpacket of a file, a stop asked for by the user waits
// this long for the receiver to confirm the file.
constexpr uint32_t kAbortGraceMs = 8000;
constexpr size_t kDefaultBlock = 1024;

const uint8_t kCallReceiver[] = {'r', 'z', '\r'};
const uint8_t kOverAndOut[] = {'O', 'O'};

}  // namespace

ReceiverCapabilities receiver_capabilities(const Header& zrinit, uint32_t window) {
    ReceiverCapabilities capabilities;
    capabilities.crc32 = zrinit.bytes[kZf0] & kCanCrc32;
    capabilities.escapes_control = zrinit.bytes[kZf0] & kEscapeControl;
    // A first byte of 0 would mean empty blocks; it keeps the default.
    if (zrinit.bytes[kZf1] & kBlockLengthInKiB && zrinit.bytes[0] > 0)
        capabilities.max_block = std::min<size_t>(zrinit.bytes[0] * 1024u, kMaxSubpacket);
    if (window > 0)
        capabilities.max_block = std::clamp<size_t>(window / 4, kMinBlock, capabilities.max_block);
    return capabilities;
}

struct ZmodemSender::Stream {
    explicit Stream(platform::Env& env) : file(env) {}
    platform::File file;
    std::string name;  // as announced
    uint64_t size = 0;
    std::time_t modified = 0;
    uint32_t position = 0;  // of the next byte to send
    uint32_t acked = 0;     // the receiver holds everything before
    uint32_t furthest = 0;  // the furthest position the receiver named
    bool sending = false;   // data went out since the first ZRPOS
    int rpos_strikes = 0;
    size_t block = kDefaultBlock;
    int good_blocks = 0;
    int stray = 0;
    std::vector<uint8_t> data;
};

ZmodemSender::ZmodemSender(platform::ByteChannel& channel, platform::Policy& policy,
                           SendOptions options)
    : link_(channel, options.byte_timeout_ms),
      options_(options),
      progress_(policy, kUploadTitle, channel.loop()) {}

void ZmodemSender::send_header(FrameType type, uint32_t position) {
    link_.send_binary_header(Header::at(type, position), capabilities_.crc32);
}

Task<Status> ZmodemSender::start() {
    if (started_) co_return Status();
    if (broken_) co_return link_.end_status();
    link_.send_raw(kCallReceiver);
    link_.send_hex_header(Header::at(FrameType::kZrqinit, 0));
    for (int tries = 0;;) {
        const Incoming in = co_await link_.read_header();
        if (in.is(FrameType::kZrinit)) {
            capabilities_ = receiver_capabilities(in.header, options_.window);
            break;
        }
        if (Status end = ended(in); !end.ok()) co_return end;
        if (in.kind == Incoming::Kind::kTimeout || ++tries >= kAnswerTries)
            co_return Status::message(MessageId::kZmodemNoHeader);
        link_.send_hex_header(Header::at(FrameType::kZnak, 0));
    }
    if (!capabilities_.escapes_control) {
        Header zsinit{FrameType::kZsinit, {}};
        zsinit.bytes[kZf0] = kWantEscapeControl;
        const uint8_t no_attention[] = {0};
        for (int tries = 0;;) {
            link_.send_binary_header(zsinit, capabilities_.crc32);
            link_.send_subpacket(no_attention, FrameEnd::kZcrcw, capabilities_.crc32);
            Incoming in = co_await link_.read_header();
            // The receiver's late answer to our ZRQINIT is no answer to this.
            while (in.is(FrameType::kZrinit)) in = co_await link_.read_header();
            if (in.is(FrameType::kZack)) break;
            if (Status end = ended(in); !end.ok()) co_return end;
            if (++tries >= kAnswerTries) co_return Status::message(MessageId::kZmodemNoHeader);
        }
    }
    started_ = true;
    co_return Status();
}

Status ZmodemSender::ended(const Incoming& in) {
    if (in.kind == Incoming::Kind::kCancelled) {
        broken_ = true;
        return Status::message(MessageId::kZmodemPeerCancelled);
    }
    if (in.kind == Incoming::Kind::kEnded) {
        broken_ = true;
        return link_.end_status();
    }
    return Status();
}

Task<FileSent> ZmodemSender::send_file(std::string path) {
    if (progress_.cancel_requested())
        co_return FileSent{SendResult::kCancelled, Status::cancelled()};
    if (!started_) {
        Status status = co_await start();
        if (!status.ok()) co_return FileSent{SendResult::kFailed, std::move(status)};
    }
    Stream file(link_.loop().env());
    if (int error = file.file.open(path, platform::Access::Read, platform::Share::Read,
                                   platform::Disposition::OpenExisting))
        co_return FileSent{SendResult::kFailed,
                           Status::file(MessageId::kCannotOpenFile, path, error)};
    if (int error = file.file.size(&file.size))
        co_return FileSent{SendResult::kFailed,
                           Status::file(MessageId::kCannotReadFile, path, error)};
    if (file.file.modification_time(&file.modified) != 0) file.modified = 0;
    if (file.size > UINT32_MAX)
        co_return FileSent{SendResult::kFailed, file_status(MessageId::kZmodemFileTooLarge, path)};
    file.name = clean_transfer_name(path);
    if (file.name.empty())
        co_return FileSent{SendResult::kFailed, file_status(MessageId::kZmodemUnusableName, path)};
    progress_.begin_file(file.name, file.size);
    co_return co_await stream(file);
}

void ZmodemSender::send_zfile(const Stream& file) {
    Header zfile{FrameType::kZfile, {}};
    zfile.bytes[kZf0] = kResumeTransfer;
    link_.send_binary_header(zfile, capabilities_.crc32);
    link_.send_subpacket(file_info(file.name, file.size, file.modified), FrameEnd::kZcrcw,
                         capabilities_.crc32);
}

Task<FileSent> ZmodemSender::stream(Stream& file) {
    FileSent outcome;
    // The announcement, until the receiver names the position to start at.
    send_zfile(file);
    for (int tries = 0;;) {
        const Incoming in = co_await link_.read_header();
        if (in.is(FrameType::kZrpos)) {
            const Step step = co_await react(file, in, &outcome);
            if (step == Step::kDone) co_return outcome;
            break;
        }
        if (in.is(FrameType::kZrinit)) {
            // Our ZFILE crossed the receiver's ZRINIT: the header after
            // it answers; silence means ZFILE again.
            const Incoming next = co_await link_.read_header();
            if (next.kind != Incoming::Kind::kTimeout) {
                const Step step = co_await react(file, next, &outcome);
                if (step == Step::kDone) co_return outcome;
                if (step == Step::kRestart) break;
            }
        } else {
            // A time-out announces the file again: the announcement may
            // have been lost, and the receiver waits as long as we do.
            const Step step = co_await react(file, in, &outcome);
            if (step == Step::kDone) co_return outcome;
        }
        if (++tries >= kAnswerTries)
            co_return co_await give_up(file_status(MessageId::kZmodemNoAnswer, file.name));
        // A late acknowledgement is no reason to announce again.
        if (!in.is(FrameType::kZack)) send_zfile(file);
    }

    // The data, from each position the receiver names, until it confirms
    // the end of the file.
    file.data.resize(kMaxSubpacket);
    for (;;) {
        send_header(FrameType::kZdata, file.position);
        Step step = Step::kGoOn;
        while (step == Step::kGoOn) {
            const size_t want = std::min<uint64_t>(file.block, file.size - file.position);
            size_t got = 0;
            if (int error = file.file.read_some_at(file.position, file.data.data(), want, &got))
                co_return co_await give_up(
                    Status::file(MessageId::kCannotReadFile, file.file.path(), error));
            const bool at_end = got < want || file.position + got >= file.size;
            const FrameEnd end = at_end                     ? FrameEnd::kZcrce
                                 : file.stray > kStrayLimit ? FrameEnd::kZcrcw
                                 : options_.window > 0      ? FrameEnd::kZcrcq
                                                            : FrameEnd::kZcrcg;
            link_.send_subpacket({file.data.data(), got}, end, capabilities_.crc32);
            file.sending = true;
            file.position += static_cast<uint32_t>(got);
            if (++file.good_blocks >= kGoodRun && file.block < capabilities_.max_block) {
                file.block = std::min(file.block * 2, capabilities_.max_block);
                file.good_blocks = 0;
            }
            if (!progress_.update(file.position, got)) {
                co_await link_.cancel();
                broken_ = true;
                co_return FileSent{SendResult::kCancelled, Status::cancelled()};
            }
            if (at_end) {
                step = co_await end_of_file(file, &outcome);
                break;
            }
            const bool moving = co_await link_.pace();
            if (!moving) {
                if (link_.channel().ended()) co_return co_await fail_closed();
                co_return co_await give_up(file_status(MessageId::kZmodemNoAnswer, file.name));
            }
            step = co_await listen(file, &outcome);
            if (step != Step::kGoOn) break;
            if (end == FrameEnd::kZcrcw) {
                file.stray = 0;
                step = co_await await_ack(file, 0, &outcome);
            } else if (options_.window > 0) {
                step = co_await await_ack(file, options_.window - 1, &outcome);
            }
        }
        if (step == Step::kDone) co_return outcome;
    }
}

Task<ZmodemSender::Step> ZmodemSender::listen(Stream& file, FileSent* outcome) {
    platform::ByteChannel& channel = link_.channel();
    while (channel.available() > 0) {
        const uint8_t first = channel.buffered()[0];
        if (first != kZpad && first != kCan) {
            channel.consume(1);
            ++file.stray;
            continue;
        }
        const Incoming in = co_await link_.read_header();
        if (in.kind != Incoming::Kind::kHeader) ++file.stray;
        const Step step = co_await react(file, in, outcome);
        if (step != Step::kGoOn) co_return step;
    }
    co_return Step::kGoOn;
}

Task<ZmodemSender::Step> ZmodemSender::await_ack(Stream& file, uint32_t allowed,
                                                 FileSent* outcome) {
    for (int tries = 0; file.position - file.acked > allowed;) {
        const Incoming in = co_await link_.read_header();
        const Step step = co_await react(file, in, outcome);
        if (step != Step::kGoOn) co_return step;
        // The receiver asks again by itself when our data went missing.
        if (!in.is(FrameType::kZack) && ++tries >= kAnswerTries) {
            *outcome = co_await give_up(file_status(MessageId::kZmodemNoAnswer, file.name));
            co_return Step::kDone;
        }
    }
    co_return Step::kGoOn;
}

Task<ZmodemSender::Step> ZmodemSender::end_of_file(Stream& file, FileSent* outcome) {
    const uint32_t grace_until = link_.loop().now() + kAbortGraceMs;
    send_header(FrameType::kZeof, file.position);
    for (int tries = 0;;) {
        const Incoming in = co_await link_.read_header();
        if (in.is(FrameType::kZrinit)) {
            *outcome = FileSent{SendResult::kSent, Status()};
            co_return Step::kDone;
        }
        const Step step = co_await react(file, in, outcome);
        if (step != Step::kGoOn) co_return step;
        if (platform::tick_reached(link_.loop().now(), grace_until) &&
            !progress_.update(file.position, file.block, true)) {
            co_await link_.cancel();
            broken_ = true;
            *outcome = FileSent{SendResult::kCancelled, Status::cancelled()};
            co_return Step::kDone;
        }
        if (in.is(FrameType::kZack)) continue;  // late, for data before the end
        if (++tries >= kAnswerTries) {
            *outcome = co_await give_up(file_status(MessageId::kZmodemNoAnswer, file.name));
            co_return Step::kDone;
        }
        send_header(FrameType::kZeof, file.position);
    }
}

Task<ZmodemSender::Step> ZmodemSender::react(Stream& file, const Incoming& in, FileSent* outcome) {
    if (Status end = ended(in); !end.ok()) {
        *outcome = FileSent{
            in.kind == Incoming::Kind::kCancelled ? SendResult::kCancelled : SendResult::kFailed,
            std::move(end)};
        co_return Step::kDone;
    }
    if (in.kind != Incoming::Kind::kHeader) co_return Step::kGoOn;
    const uint32_t position = in.header.position();
    switch (in.header.type) {
        case FrameType::kZrpos:
            if (position > file.size) {
                Status beyond =
                    Status::message(MessageId::kZmodemBadPosition, {file.name, position});
                *outcome = co_await give_up(std::move(beyond));
                co_return Step::kDone;
            }
            if (position > file.furthest || !file.sending) {
                file.furthest = std::max(file.furthest, position);
                file.rpos_strikes = 0;
            } else if (++file.rpos_strikes >= kRposStrikes) {
                *outcome =
                    co_await give_up(file_status(MessageId::kZmodemTooManyErrors, file.name));
                co_return Step::kDone;
            }
            if (file.sending) {
                file.block = std::max(file.block / 2, kMinBlock);
                file.good_blocks = 0;
            } else {
                file.block = capabilities_.max_block;
            }
            file.position = file.acked = position;
            file.stray = 0;
            co_return Step::kRestart;
        case FrameType::kZack:
            if (position <= file.position) {
                file.acked = std::max(file.acked, position);
                if (position > file.furthest) {
                    file.furthest = position;
                    file.rpos_strikes = 0;
                }
            }
            co_return Step::kGoOn;
        case FrameType::kZskip:
            *outcome =
                FileSent{SendResult::kSkipped, file_status(MessageId::kZmodemSkipped, file.name)};
            co_return Step::kDone;
        case FrameType::kZabort:
        case FrameType::kZfin:
        case FrameType::kZferr:
            broken_ = true;
            *outcome =
                FileSent{SendResult::kFailed, file_status(MessageId::kZmodemPeerEnded, file.name)};
            co_return Step::kDone;
        default:
            co_return Step::kGoOn;
    }
}

Task<FileSent> ZmodemSender::give_up(Status why) {
    co_await link_.cancel();
    broken_ = true;
    co_return FileSent{SendResult::kFailed, std::move(why)};
}

Task<FileSent> ZmodemSender::fail_closed() {
    broken_ = true;
    co_return FileSent{SendResult::kFailed, link_.end_status()};
}

Task<Status> ZmodemSender::finish(bool aborted) {
    if (broken_) co_return Status();
    if (aborted || progress_.cancel_requested()) {
        co_await link_.cancel();
        broken_ = true;
        co_return Status::cancelled();
    }
    if (!started_) {
        Status status = co_await start();
        if (!status.ok()) co_return status;
    }
    for (int attempt = 0; attempt < kFinTries; ++attempt) {
        link_.send_hex_header(Header::at(FrameType::kZfin, 0));
        const Incoming in = co_await link_.read_header();
        if (in.is(FrameType::kZfin)) {
            link_.send_raw(kOverAndOut);
            co_await link_.drain();
            co_return Status();
        }
        // Every file was confirmed before; a receiver that leaves without
        // its ZFIN has lost nothing.
        if (in.kind == Incoming::Kind::kEnded) co_return Status();
        if (Status end = ended(in); !end.ok()) co_return end;
    }
    co_return Status::message(MessageId::kZmodemNoHeader);
}

bool SendSummary::all_sent() const {
    return status.ok() && std::all_of(files.begin(), files.end(), [](const FileSent& file) {
               return file.result == SendResult::kSent;
           });
}

Task<SendSummary> send_files(platform::ByteChannel& channel, platform::Policy& policy,
                             SendOptions options, std::vector<std::string> paths) {
    ZmodemSender sender(channel, policy, options);
    SendSummary summary;
    summary.status = co_await sender.start();
    if (!summary.status.ok()) co_return summary;
    bool aborted = false;
    for (const std::string& path : paths) {
        FileSent sent = co_await sender.send_file(path);
        aborted = sent.result == SendResult::kCancelled;
        summary.files.push_back(std::move(sent));
        if (aborted || sender.broken()) break;
    }
    summary.status = co_await sender.finish(aborted);
    co_return summary;
}

}  // namespace orvane::connection
